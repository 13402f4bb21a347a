// Record verification: the signature line of a record text and the trusted keys file. Whatever
// the bytes, verification ends in one of its outcomes; a text signed here verifies, and it stops
// verifying when any byte before its signature changes; the keys of a trusted keys file read
// back from the lines that name them.
#include <filesystem>

#include "fuzz_support.hpp"
#include "velko/host/records/record_signature.hpp"

using namespace velko;

namespace {

const host::StationKey& FuzzKey() {
  static const host::StationKey key = [] {
    const auto path = std::filesystem::temp_directory_path() / "velko-fuzz-station.key";
    std::filesystem::remove(path);
    host::StationKey made = host::StationKey::OpenOrCreate(host::LocalFileSystem(), path);
    std::filesystem::remove(path);
    return made;
  }();
  return key;
}

void CheckVerification(std::string_view text, const host::TrustedKeys& trusted) {
  const host::RecordVerification verification = host::VerifyRecordText(text, trusted);
  fuzz::Require(!host::VerificationText(verification).empty(), "a verification without words");
  if (verification.Valid()) {
    fuzz::Require(verification.signer && trusted.Find(*verification.signer),
                  "a record verified without a trusted signer");
  }

  const String signedText = host::SignRecordText(text, FuzzKey());
  fuzz::Require(host::VerifyRecordText(signedText, trusted).Valid(),
                "a record signed with a trusted key does not verify");
  if (!text.empty()) {
    String changed = signedText;
    changed[text.size() / 2] = static_cast<char>(changed[text.size() / 2] ^ 0x01);
    fuzz::Require(!host::VerifyRecordText(changed, trusted).Valid(),
                  "a record changed after signing still verifies");
  }
}

void CheckTrustedKeys(std::string_view text) {
  host::TrustedKeys keys;
  if (!fuzz::Tolerating([&] { keys = host::TrustedKeys::Parse(text, "fuzz-keys"); })) return;
  String lines;
  for (const host::TrustedKey& key : keys.Keys())
    lines += "ed25519 " + key.key.Base64() + " " + key.name + "\n";
  const host::TrustedKeys again = host::TrustedKeys::Parse(lines, "rewritten-keys");
  fuzz::Require(again.Keys().size() == keys.Keys().size(), "trusted keys lost on rewriting");
  for (std::size_t i = 0; i < keys.Keys().size(); ++i) {
    fuzz::Require(again.Keys()[i].key == keys.Keys()[i].key, "a trusted key changed");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = fuzz::Bytes(data, size);
  host::TrustedKeys trusted;
  trusted.Add({FuzzKey().Public(), "fuzz"});
  CheckVerification(text, trusted);
  CheckTrustedKeys(text);
  return 0;
}
