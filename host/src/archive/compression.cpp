#include "archive/compression.hpp"

#include <zlib.h>

#include <new>

namespace velko::host {

// Level 6 packs records and reports to about a tenth at a few hundred megabytes a second.
constexpr int kLevel = 6;

String Deflate(std::string_view bytes) {
  uLongf size = compressBound(static_cast<uLong>(bytes.size()));
  String packed(size, '\0');
  const int rc = compress2(reinterpret_cast<Bytef*>(packed.data()), &size,
                           reinterpret_cast<const Bytef*>(bytes.data()),
                           static_cast<uLong>(bytes.size()), kLevel);
  if (rc != Z_OK) throw std::bad_alloc();
  packed.resize(size);
  return packed;
}

// Deflate never packs better than about 1032 to 1, so a stored size beyond that is damage: it is
// refused before anything of that size is allocated.
constexpr std::size_t kMaxInflation = 1040;

std::optional<String> Inflate(std::string_view packed, std::size_t size) {
  if (size / kMaxInflation > packed.size()) return std::nullopt;
  String bytes(size, '\0');
  uLongf got = static_cast<uLongf>(size);
  const int rc =
      uncompress(reinterpret_cast<Bytef*>(bytes.data()), &got,
                 reinterpret_cast<const Bytef*>(packed.data()), static_cast<uLong>(packed.size()));
  if (rc != Z_OK || got != size) return std::nullopt;
  return bytes;
}

}  // namespace velko::host
