// The station's signing key: an Ed25519 key pair, made on first use and kept in a file that only
// its owner may read.
//
//   # VelkoCore station key: keep it secret (mode 0600).
//   ed25519-secret <the 32-byte seed in base64>
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "velko/frame/types.hpp"
#include "velko/host/files/file_system.hpp"

namespace velko::host {

// Base64 with the standard alphabet and padding; back to bytes only when `text` is exactly the
// base64 of `size` bytes.
String ToBase64(std::string_view bytes);
std::optional<String> FromBase64(std::string_view text, std::size_t size);

// An Ed25519 public key; written "ed25519 <base64>", the form of a line of the trusted keys.
struct PublicKey {
  std::array<unsigned char, 32> bytes{};

  String Base64() const;
  bool operator==(const PublicKey&) const = default;
};

// The key of a base64 text; none when it is not one.
std::optional<PublicKey> PublicKeyOfBase64(std::string_view text);

// The station key file: VELKO_STATION_KEY, else station.key in the user's configuration folder
// (~/.config/velko/station.key).
String DefaultStationKeyFile();

class StationKey {
 public:
  // The key in `path`; made there first (mode 0600, the folder made too) when there is none. A
  // key file that others may read, or that holds no key, raises its error: a signature made
  // with a key others may have copied would prove nothing.
  static StationKey OpenOrCreate(FileSystem& files, const String& path);
  // The key in `path` when there is one (checked as above); none when there is no such file.
  static std::optional<StationKey> OpenExisting(FileSystem& files, const String& path);

  StationKey(const StationKey& other);
  StationKey& operator=(const StationKey&) = delete;
  ~StationKey();

  const PublicKey& Public() const { return public_; }
  // The 64-byte Ed25519 signature of `message`.
  String Sign(std::string_view message) const;

 private:
  StationKey() = default;
  static StationKey FromFileText(const String& text, const String& path);

  std::array<unsigned char, 64> secret_{};  // the seed followed by the public key
  PublicKey public_;
};

// Ed25519: whether `signature` (64 bytes) is `key`'s signature of `message`.
bool SignatureMatches(const PublicKey& key, std::string_view message, std::string_view signature);

}  // namespace velko::host
