// The registry store file, in each encoding it comes in (UTF-8, UTF-16LE or UTF-16BE with a byte
// order mark): a syntax error or an invalid text is a clear error naming the line; a file that
// parses is written back in its own encoding, line ends and header, in a form that parses to the
// same content (the store rewrites the whole file on every change, so a lossy round trip would
// corrupt the user's settings).
#include "fuzz_support.hpp"
#include "outside/registry/registry_store.hpp"

using namespace velko;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  RegDocument doc;
  if (!fuzz::Tolerating([&] { doc = ParseRegistryText(fuzz::Bytes(data, size), "fuzz.reg"); })) {
    return 0;
  }
  const String written = FormatRegistryText(doc);
  RegDocument again;
  fuzz::Require(fuzz::Tolerating([&] { again = ParseRegistryText(written, "rewritten.reg"); }),
                "the registry text written from a parsed file does not parse");
  fuzz::Require(FormatRegistryText(again) == written,
                "writing a parsed registry file and reading it back changed its content");
  fuzz::Require(again.sections.size() == doc.sections.size(),
                "writing a parsed registry file lost or added keys");
  fuzz::Require(again.format == doc.format,
                "writing a parsed registry file changed its encoding, line ends or header");
  return 0;
}
