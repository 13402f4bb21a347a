// Rich text as it arrives in procedures and comments: stripping to plain text and joining two
// texts. Neither member raises; a text the engine rejects is kept as plain text.
//
// The input is split at its first NUL byte into the two texts to join (without one, the text is
// joined to itself, which also merges identical font and colour tables).
#include "fuzz_support.hpp"
#include "velko/report/rtf_processor.hpp"

using namespace velko;

namespace {

// One line of visible characters. A soft hyphen (U+00AD) is left out: it becomes the optional
// hyphen of rich text, which plain text does not show.
bool IsPrintableLine(std::string_view text) {
  if (text.find("\xC2\xAD") != std::string_view::npos) return false;
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F || c == '\\' || c == '{' || c == '}') {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::UseScratchRegistry();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  const bool utf8 = fuzz::IsValidUtf8(bytes);
  CRTFProcessor rtf;

  const String whole(bytes);
  const String stripped = rtf.StripRTF(whole);
  if (utf8) fuzz::Require(fuzz::IsValidUtf8(stripped), "StripRTF made invalid UTF-8");

  const std::size_t split = bytes.find('\0');
  const String a(bytes.substr(0, split));
  const String b(split == std::string_view::npos ? bytes : bytes.substr(split + 1));
  const String joined = rtf.AppendRTFText(a, b);
  fuzz::Require(rtf.IsRTF(joined), "AppendRTFText did not give RTF");
  const String joinedText = rtf.StripRTF(joined);
  fuzz::Require(joinedText != joined, "the engine rejects the RTF that AppendRTFText wrote");
  if (fuzz::IsValidUtf8(a) && fuzz::IsValidUtf8(b)) {
    fuzz::Require(fuzz::IsValidUtf8(joined), "AppendRTFText made invalid UTF-8");
    fuzz::Require(fuzz::IsValidUtf8(joinedText), "the text of a joined document is invalid UTF-8");
  }
  // Two plain lines come back as two paragraphs, character for character.
  if (!a.empty() && !b.empty() && fuzz::IsValidUtf8(a) && fuzz::IsValidUtf8(b) &&
      IsPrintableLine(a) && IsPrintableLine(b)) {
    fuzz::Require(joinedText == a + "\r\n" + b, "joining two plain texts changed their text");
  }
  return 0;
}
