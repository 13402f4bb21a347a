// A catalogue's compiled form as the language set finds it in the user's cache: any bytes are
// either refused or decode into texts a PO file could hold, which encode again into a form that
// decodes to the same catalogue. The payload hash is set right before decoding so that the
// fuzzer reaches the entries behind it; the untouched bytes are decoded too.
#include <cstring>
#include <string>

#include "fuzz_support.hpp"
#include "outside/language/compiled_catalogue.hpp"

using namespace velko;

namespace {

constexpr std::size_t kHeaderBytes = 40;  // magic, source size and hash, payload hash, count, 0

std::uint64_t WordAt(const std::string& bytes, std::size_t at) {
  std::uint64_t value = 0;
  for (int i = 0; i < 8; ++i)
    value |= std::uint64_t{static_cast<unsigned char>(bytes[at + i])} << (8 * i);
  return value;
}

void Check(const std::string& bytes, const language::CatalogueSource& source) {
  const auto decoded = language::DecodeCatalogue(bytes, source);
  if (!decoded) return;
  for (const auto& [key, text] : decoded->texts) {
    fuzz::Require(!key.empty() && !text.empty(), "a compiled form decoded an empty entry");
    fuzz::Require(fuzz::IsValidUtf8(text), "a compiled form decoded a text that is not UTF-8");
  }
  const auto again = language::DecodeCatalogue(language::EncodeCatalogue(*decoded, source), source);
  fuzz::Require(again && again->texts == decoded->texts && again->header == decoded->header,
                "a decoded catalogue does not survive encoding again");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (bytes.size() < kHeaderBytes) {
    Check(bytes, {});
    return 0;
  }
  const language::CatalogueSource source{WordAt(bytes, 8), WordAt(bytes, 16)};
  Check(bytes, source);
  const std::uint64_t hash =
      language::HashCatalogueBytes(std::string_view(bytes).substr(kHeaderBytes));
  for (int i = 0; i < 8; ++i)
    bytes[24 + static_cast<std::size_t>(i)] = static_cast<char>((hash >> (8 * i)) & 0xffu);
  Check(bytes, source);
  return 0;
}
