#include "velko/host/records/station_key.hpp"

#include <sodium.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "velko/host/session/messages.hpp"
#include "velko/outside/registry.hpp"

namespace velko::host {
namespace {

constexpr std::string_view kSecretWord = "ed25519-secret ";

void RequireSodium() {
  if (sodium_init() < 0) RaiseHostError("610::The cryptography library cannot be started.");
}

const unsigned char* Bytes(std::string_view text) {
  return reinterpret_cast<const unsigned char*>(text.data());
}

[[noreturn]] void RaiseNoKey(const String& path) {
  RaiseHostError("612::The station key file \"%%1\" holds no station key.", {Variant(path)});
}

String OctalMode(mode_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
  return text;
}

// A key that others may read proves nothing about who signed with it.
void RequirePrivate(const String& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return;  // read through the file system just before
  if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
    RaiseHostError(
        "611::The station key file \"%%1\" may be read by others (mode %%2): a signature made "
        "with it would prove nothing. Make it private with: chmod 600 \"%%1\"",
        {Variant(path), Variant(OctalMode(st.st_mode))});
  }
}

String KeyFileText(std::string_view seed, const PublicKey& key) {
  return "# VelkoCore station key: keep it secret (mode 0600). Its public key is\n# ed25519 " +
         key.Base64() + "\n" + String(kSecretWord) + ToBase64(seed) + "\n";
}

}  // namespace

String ToBase64(std::string_view bytes) {
  String text(sodium_base64_ENCODED_LEN(bytes.size(), sodium_base64_VARIANT_ORIGINAL), '\0');
  sodium_bin2base64(text.data(), text.size(), Bytes(bytes), bytes.size(),
                    sodium_base64_VARIANT_ORIGINAL);
  text.resize(text.size() - 1);  // the terminating NUL
  return text;
}

std::optional<String> FromBase64(std::string_view text, std::size_t size) {
  String bytes(size, '\0');
  std::size_t decoded = 0;
  const char* end = nullptr;
  if (sodium_base642bin(reinterpret_cast<unsigned char*>(bytes.data()), bytes.size(), text.data(),
                        text.size(), nullptr, &decoded, &end,
                        sodium_base64_VARIANT_ORIGINAL) != 0 ||
      decoded != size || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return bytes;
}

String PublicKey::Base64() const {
  return ToBase64(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::optional<PublicKey> PublicKeyOfBase64(std::string_view text) {
  const std::optional<String> bytes = FromBase64(text, crypto_sign_PUBLICKEYBYTES);
  if (!bytes) return std::nullopt;
  PublicKey key;
  std::copy(bytes->begin(), bytes->end(), key.bytes.begin());
  return key;
}

String DefaultStationKeyFile() {
  const char* configured = std::getenv("VELKO_STATION_KEY");
  if (configured && *configured) return configured;
  return UserConfigFolder() + "/station.key";
}

StationKey StationKey::FromFileText(const String& text, const String& path) {
  RequireSodium();
  for (std::string_view rest = text; !rest.empty();) {
    const std::size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (!line.starts_with(kSecretWord)) continue;
    line.remove_prefix(kSecretWord.size());
    std::optional<String> seed = FromBase64(line, crypto_sign_SEEDBYTES);
    if (!seed) break;
    StationKey key;
    crypto_sign_seed_keypair(key.public_.bytes.data(), key.secret_.data(), Bytes(*seed));
    sodium_memzero(seed->data(), seed->size());
    return key;
  }
  RaiseNoKey(path);
}

std::optional<StationKey> StationKey::OpenExisting(FileSystem& files, const String& path) {
  std::optional<String> text = files.ReadFile(path);
  if (!text) return std::nullopt;
  RequirePrivate(path);
  StationKey key = FromFileText(*text, path);
  sodium_memzero(text->data(), text->size());
  return key;
}

StationKey StationKey::OpenOrCreate(FileSystem& files, const String& path) {
  if (auto existing = OpenExisting(files, path)) return *existing;
  RequireSodium();
  StationKey key;
  String seed(crypto_sign_SEEDBYTES, '\0');
  randombytes_buf(seed.data(), seed.size());
  crypto_sign_seed_keypair(key.public_.bytes.data(), key.secret_.data(), Bytes(seed));
  String text = KeyFileText(seed, key.public_);
  sodium_memzero(seed.data(), seed.size());
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (!folder.empty()) files.CreateFolders(folder.string());
  const bool made = files.CreateNewFile(path, text, 0600);
  sodium_memzero(text.data(), text.size());
  if (made) return key;
  // Another process made the key first: everyone signs with that one.
  if (auto existing = OpenExisting(files, path)) return *existing;
  RaiseNoKey(path);
}

StationKey::StationKey(const StationKey& other) : secret_(other.secret_), public_(other.public_) {}

StationKey::~StationKey() {
  sodium_memzero(secret_.data(), secret_.size());
}

String StationKey::Sign(std::string_view message) const {
  String signature(crypto_sign_BYTES, '\0');
  crypto_sign_detached(reinterpret_cast<unsigned char*>(signature.data()), nullptr, Bytes(message),
                       message.size(), secret_.data());
  return signature;
}

bool SignatureMatches(const PublicKey& key, std::string_view message, std::string_view signature) {
  RequireSodium();
  if (signature.size() != crypto_sign_BYTES) return false;
  return crypto_sign_verify_detached(Bytes(signature), Bytes(message), message.size(),
                                     key.bytes.data()) == 0;
}

}  // namespace velko::host
