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

std::optional<String> Inflate(std::string_view packed, std::size_t size) {
  String bytes(size, '\0');
  uLongf got = static_cast<uLongf>(size);
  const int rc =
      uncompress(reinterpret_cast<Bytef*>(bytes.data()), &got,
                 reinterpret_cast<const Bytef*>(packed.data()), static_cast<uLong>(packed.size()));
  if (rc != Z_OK || got != size) return std::nullopt;
  return bytes;
}

}  // namespace velko::host
