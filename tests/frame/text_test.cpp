// UTF-8 handling shared by every text the library reads: what counts as a well-formed sequence,
// and how a byte that starts none is read.
#include "velko/frame/text.hpp"

#include <gtest/gtest.h>

namespace velko {
namespace {

TEST(Utf8, SequenceLengthFollowsTheWellFormedRanges) {
  struct Case {
    const char* bytes;
    std::size_t length;  // of the sequence at the start; 0: none
  };
  const Case cases[] = {
      {"A", 1},
      {"\xC3\xA9", 2},          // é
      {"\xE2\x82\xAC", 3},      // €
      {"\xF0\x9F\x98\x80", 4},  // U+1F600
      {"\xF4\x8F\xBF\xBF", 4},  // U+10FFFF, the last code
      {"\x80", 0},              // a continuation byte alone
      {"\xC0\xAF", 0},          // overlong "/"
      {"\xC1\xBF", 0},          // overlong
      {"\xE0\x9F\xBF", 0},      // overlong three-byte form
      {"\xED\xA0\x80", 0},      // a surrogate
      {"\xF0\x8F\xBF\xBF", 0},  // overlong four-byte form
      {"\xF4\xB8\xB8\xB8", 0},  // beyond U+10FFFF
      {"\xF5\x80\x80\x80", 0},  // no such lead byte
      {"\xE2\x82", 0},          // cut off
      {"\xC3(", 0},             // not followed by a continuation byte
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utf8SequenceLength(c.bytes, 0), c.length) << testing::PrintToString(c.bytes);
    EXPECT_EQ(IsValidUtf8(c.bytes), c.length == std::char_traits<char>::length(c.bytes))
        << testing::PrintToString(c.bytes);
  }
}

TEST(Utf8, BytesThatStartNoSequenceDecodeAsLatin1) {
  const std::string_view text = "\xF4\xB8\xC3\xA9";
  std::size_t i = 0;
  EXPECT_EQ(DecodeUtf8(text, i), U'\xF4');
  EXPECT_EQ(DecodeUtf8(text, i), U'\xB8');
  EXPECT_EQ(DecodeUtf8(text, i), U'\xE9');
  EXPECT_EQ(i, text.size());
}

// Keys fold eight ASCII bytes at a time; every letter position in a word, the bytes around the
// letters, and the switch to decoding at the first byte beyond ASCII must fold as one by one.
TEST(FoldCase, FoldsEveryPositionAndSwitchesToDecodingWhereTextLeavesAscii) {
  struct Case {
    const char* text;
    const char* folded;
  };
  const Case cases[] = {
      {"", ""},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", "abcdefghijklmnopqrstuvwxyz"},
      {"@AZ[`az{", "@az[`az{"},  // the neighbours of both letter ranges stay
      {"IEC 62353::Recurrent Test", "iec 62353::recurrent test"},
      {"\x01\x7F ~_^]\\", "\x01\x7F ~_^]\\"},
      {"PRÜFUNG", "prüfung"},                    // beyond ASCII within the first word
      {"ABCDEFGHÄÖÜ IJ", "abcdefghäöü ij"},      // right after a whole word
      {"ABCDEFGHIJ\xC3", "abcdefghij\xc3\xa3"},  // a cut-off sequence folds as Latin-1 Ã
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FoldCase(c.text), c.folded) << c.text;
    String appended = "KEEP:";
    AppendFoldedCase(appended, c.text);
    EXPECT_EQ(appended, String("KEEP:") + c.folded) << c.text;
  }
}

}  // namespace
}  // namespace velko
