// Reading one GNU gettext PO catalogue into the texts the language set looks up.
#pragma once

#include <optional>
#include <unordered_map>
#include <variant>

#include "velko/frame/types.hpp"

namespace velko::language {

// The usable entries of one catalogue: translation by context key ("460", "E5100"). Entries
// without a context, fuzzy, obsolete or untranslated entries are left out; of two entries with the
// same context the first wins.
struct Catalogue {
  std::unordered_map<String, String> texts;
  String header;  // the header entry's text ("Field: value" lines)
};

// Why a catalogue cannot be used: the file, the line (0 when unknown) and what is wrong.
struct CatalogueProblem {
  String file;
  Long line = 0;
  String message;
};

// Larger files are refused rather than read, so that a stray file cannot exhaust memory.
constexpr std::uintmax_t kMaxCatalogueBytes = 64u * 1024u * 1024u;

// Reads the catalogue at `path`. Never raises for a bad file: every syntax error, invalid
// character, non-UTF-8 encoding or unreadable file comes back as the problem.
std::variant<Catalogue, CatalogueProblem> ReadCatalogue(const String& path);

// The problem with a catalogue's encoding: a header declaring another charset than UTF-8, or a
// text that is not valid UTF-8 (nothing when it has none).
std::optional<CatalogueProblem> CheckCatalogueEncoding(const String& path,
                                                       const Catalogue& catalogue);

// The value of a header field ("X-Velko-Unicode"), or "" when the header has none.
String HeaderField(const String& header, const char* field);

}  // namespace velko::language
