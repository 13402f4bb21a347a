#include "velko/host/records/record_signature.hpp"

#include <sodium.h>

#include <cstdlib>

#include "velko/host/session/host_text.hpp"
#include "velko/host/session/messages.hpp"
#include "velko/outside/registry.hpp"

namespace velko::host {
namespace {

constexpr std::string_view kLineStart = "<?velko-signature ";
constexpr std::string_view kKeyPart = "<?velko-signature algorithm=\"ed25519\" key=\"";
constexpr std::string_view kSignaturePart = "\" signature=\"";
constexpr std::string_view kLineEnd = "\"?>";
constexpr std::string_view kKeyWord = "ed25519";

// The text of a signature line: its fields, or none when it is not well-formed.
struct SignatureLine {
  PublicKey key;
  String signature;
};
std::optional<SignatureLine> ParseSignatureLine(std::string_view line) {
  if (line.ends_with('\r')) line.remove_suffix(1);  // a text whose line ends were converted
  if (!line.starts_with(kKeyPart) || !line.ends_with(kLineEnd)) return std::nullopt;
  line = line.substr(kKeyPart.size(), line.size() - kKeyPart.size() - kLineEnd.size());
  const std::size_t split = line.find(kSignaturePart);
  if (split == std::string_view::npos) return std::nullopt;
  const std::optional<PublicKey> key = PublicKeyOfBase64(line.substr(0, split));
  const std::optional<String> signature =
      FromBase64(line.substr(split + kSignaturePart.size()), crypto_sign_BYTES);
  if (!key || !signature) return std::nullopt;
  return SignatureLine{*key, *signature};
}

std::string_view TrimmedLine(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
    line.remove_suffix(1);
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
    line.remove_prefix(1);
  return line;
}

// "ed25519 <base64> [name]": the key and its name, or none.
std::optional<TrustedKey> ParseTrustedKey(std::string_view line) {
  if (!line.starts_with(kKeyWord) || line.size() == kKeyWord.size()) return std::nullopt;
  if (line[kKeyWord.size()] != ' ' && line[kKeyWord.size()] != '\t') return std::nullopt;
  line = TrimmedLine(line.substr(kKeyWord.size()));
  const std::size_t space = line.find_first_of(" \t");
  const std::optional<PublicKey> key = PublicKeyOfBase64(line.substr(0, space));
  if (!key) return std::nullopt;
  const std::string_view name =
      space == std::string_view::npos ? std::string_view() : TrimmedLine(line.substr(space));
  return TrustedKey{*key, String(name)};
}

String SignerText(const RecordVerification& verification) {
  if (!verification.signerName.empty()) return verification.signerName;
  return HostText("625::the key ed25519 %%1", verification.signer->Base64());
}

}  // namespace

String SignRecordText(std::string_view recordText, const StationKey& key) {
  String text(recordText);
  if (!text.ends_with('\n')) text += '\n';  // the signature line starts a line of its own
  const String signature = key.Sign(text);
  text += String(kKeyPart) + key.Public().Base64() + String(kSignaturePart) + ToBase64(signature) +
          String(kLineEnd) + "\n";
  return text;
}

String SignedByThisStation(std::string_view recordText) {
  return SignRecordText(recordText,
                        StationKey::OpenOrCreate(LocalFileSystem(), DefaultStationKeyFile()));
}

FileProblems StationKeyProblems() {
  const String path = DefaultStationKeyFile();
  FileProblems problems(path);
  try {
    StationKey::OpenOrCreate(LocalFileSystem(), path);
  } catch (const Error& e) {
    problems.Add(Problem{Severity::kError, path, 0, {}, {}, {}, ErrorText(e)});
  }
  return problems;
}

TrustedKeys TrustedKeys::Parse(std::string_view text, const String& path) {
  TrustedKeys keys;
  Long number = 0;
  for (std::string_view rest = text; !rest.empty();) {
    ++number;
    const std::size_t end = rest.find('\n');
    const std::string_view line = TrimmedLine(rest.substr(0, end));
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (line.empty() || line.front() == '#') continue;
    std::optional<TrustedKey> key = ParseTrustedKey(line);
    if (!key) {
      RaiseHostError(
          "613::Line %%2 of the trusted keys file \"%%1\" is not a key: write \"ed25519 "
          "<public key> <name>\", as velko key prints it.",
          {Variant(path), Variant(number)});
    }
    keys.Add(std::move(*key));
  }
  return keys;
}

TrustedKeys TrustedKeys::Read(FileSystem& files, const String& path) {
  const std::optional<String> text = files.ReadFile(path);
  return text ? Parse(*text, path) : TrustedKeys();
}

const TrustedKey* TrustedKeys::Find(const PublicKey& key) const {
  for (const TrustedKey& trusted : keys_) {
    if (trusted.key == key) return &trusted;
  }
  return nullptr;
}

String DefaultTrustedKeysFile() {
  const char* configured = std::getenv("VELKO_TRUSTED_KEYS");
  if (configured && *configured) return configured;
  return UserConfigFolder() + "/trusted-keys";
}

TrustedKeys StationTrustedKeys(FileSystem& files, const String& trustedKeysFile) {
  TrustedKeys keys = TrustedKeys::Read(files, trustedKeysFile);
  if (const auto own = StationKey::OpenExisting(files, DefaultStationKeyFile())) {
    if (!keys.Find(own->Public())) keys.Add({own->Public(), HostText("626::this station")});
  }
  return keys;
}

RecordVerification VerifyRecordText(std::string_view text, const TrustedKeys& trusted) {
  using Outcome = RecordVerification::Outcome;
  RecordVerification result;
  const std::size_t lineStart = text.rfind("\n" + String(kLineStart));
  if (lineStart == std::string_view::npos) return result;  // not signed
  const std::string_view signedText = text.substr(0, lineStart + 1);
  std::string_view line = text.substr(lineStart + 1);
  if (line.ends_with('\n')) line.remove_suffix(1);
  if (line.find('\n') != std::string_view::npos) {
    result.outcome = Outcome::kChanged;  // text added after the signature
    return result;
  }
  const std::optional<SignatureLine> signature = ParseSignatureLine(line);
  if (!signature) {
    result.outcome = Outcome::kDamaged;
    return result;
  }
  result.signer = signature->key;
  const TrustedKey* known = trusted.Find(signature->key);
  if (known) result.signerName = known->name;
  if (!SignatureMatches(signature->key, signedText, signature->signature)) {
    result.outcome = Outcome::kChanged;
  } else {
    result.outcome = known ? Outcome::kValid : Outcome::kUntrusted;
  }
  return result;
}

String VerificationText(const RecordVerification& verification) {
  using Outcome = RecordVerification::Outcome;
  switch (verification.outcome) {
    case Outcome::kValid:
      return HostText("620::The record is signed by %%1 and unchanged since it was signed.",
                      SignerText(verification));
    case Outcome::kNotSigned:
      return HostText(
          "621::The record is not signed: nothing shows that it is unchanged since it was "
          "written.");
    case Outcome::kDamaged:
      return HostText(
          "622::The signature of the record is damaged: nothing shows that the record is "
          "unchanged since it was written.");
    case Outcome::kChanged:
      if (!verification.signer) {
        return HostText(
            "623::The record was changed after it was signed: text follows its "
            "signature.");
      }
      return HostText(
          "624::The record was changed after it was signed: its content does not match the "
          "signature it carries (%%1).",
          SignerText(verification));
    case Outcome::kUntrusted:
      return HostText(
          "627::The record is signed by a station that is not trusted (%%1): it is unchanged "
          "since it was signed, but nothing shows who signed it. Add the station's public key to "
          "the trusted keys if you trust it.",
          SignerText(verification));
  }
  return {};
}

RecordVerification VerifyRecordFile(FileSystem& files, const String& path,
                                    const TrustedKeys& trusted) {
  const std::optional<String> text = files.ReadFile(path);
  if (!text) RaiseHostError("630::The record file \"%%1\" does not exist.", {Variant(path)});
  return VerifyRecordText(*text, trusted);
}

VerifiedRecord OpenVerifiedRecord(const String& path, const Ref<IPlugInManager>& manager,
                                  const TrustedKeys& trusted) {
  FileSystem& files = LocalFileSystem();
  const std::optional<String> before = files.ReadFile(path);
  VerifiedRecord record{OpenRecord(path, manager), {}};
  const std::optional<String> after = files.ReadFile(path);
  if (before && after && *before == *after) {
    record.verification = VerifyRecordText(*after, trusted);
  } else {
    record.verification.outcome = RecordVerification::Outcome::kChanged;  // while it was read
  }
  return record;
}

}  // namespace velko::host
