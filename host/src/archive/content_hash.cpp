#include "velko/host/archive/content_hash.hpp"

#include <sodium.h>

#include <array>

namespace velko::host {

String Sha256Hex(std::string_view bytes) {
  std::array<unsigned char, crypto_hash_sha256_BYTES> digest{};
  crypto_hash_sha256(digest.data(), reinterpret_cast<const unsigned char*>(bytes.data()),
                     bytes.size());
  std::array<char, crypto_hash_sha256_BYTES * 2 + 1> hex{};
  sodium_bin2hex(hex.data(), hex.size(), digest.data(), digest.size());
  return String(hex.data(), hex.size() - 1);
}

}  // namespace velko::host
