// HTML fragments turned into plain text. A bad character reference raises; nothing else may go
// wrong, and valid UTF-8 stays valid.
#include "fuzz_support.hpp"
#include "velko/report/html_text.hpp"

using namespace velko;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  String text;
  if (!fuzz::Tolerating([&] { text = HtmlToText(String(bytes)); })) return 0;
  if (fuzz::IsValidUtf8(bytes))
    fuzz::Require(fuzz::IsValidUtf8(text), "HtmlToText made invalid UTF-8");
  return 0;
}
