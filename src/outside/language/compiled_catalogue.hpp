// A catalogue's compiled form: the usable entries of a PO file as one binary file that is read
// in a single pass, so that a start-up does not parse the PO text again. The PO file stays the
// source: a compiled form is used only when it names exactly the PO content it was made from
// (its size and a hash of its bytes) and passes every check; otherwise the PO file is read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "outside/language/po_catalogue.hpp"

namespace velko::language {

// What a compiled form was made from: the PO file's size and a hash of its bytes.
struct CatalogueSource {
  std::uint64_t size = 0;
  std::uint64_t hash = 0;
  bool operator==(const CatalogueSource&) const = default;
};

CatalogueSource SourceOf(std::string_view poBytes);

// The 64-bit hash a compiled form keeps of its PO source and of its own payload.
std::uint64_t HashCatalogueBytes(std::string_view bytes);

// The compiled form of `catalogue`, read from a PO file of `source`.
std::string EncodeCatalogue(const Catalogue& catalogue, const CatalogueSource& source);

// The catalogue a compiled form holds, or nothing when the bytes are damaged, were made from
// other PO content than `source`, or hold what no PO file reads as (an empty or non-UTF-8 text, a
// key twice). Never raises for bad bytes.
std::optional<Catalogue> DecodeCatalogue(std::string_view bytes, const CatalogueSource& source);

// Reads the catalogue at `path` as ReadCatalogue does, taking it from its compiled form in the
// user's cache folder when that matches the file, and leaving a compiled form there after a
// successful read of the PO text. A cache that cannot be read or written only costs the PO read.
std::variant<Catalogue, CatalogueProblem> ReadCatalogueCompiled(const String& path);

// The compiled form ReadCatalogueCompiled keeps for the PO file `path` ("" when the user has no
// cache folder).
String CompiledCataloguePath(const String& path);

}  // namespace velko::language
