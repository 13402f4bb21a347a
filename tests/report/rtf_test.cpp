#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "report/rtf_document.hpp"
#include "support/test_paths.hpp"
#include "velko/frame/runtime.hpp"
#include "velko/report/rtf_processor.hpp"

namespace velko {
namespace {

using namespace std::string_literals;
using rtf::Document;
using rtf::ReadRtf;

String Nested(int depth, const String& inner) {
  return String(static_cast<std::size_t>(depth), '{') + inner +
         String(static_cast<std::size_t>(depth), '}');
}

// Runs of a document with their visible text, for checks on formatting.
const rtf::Run* FindRun(const Document& d, const String& text) {
  for (const auto& p : d.paragraphs) {
    for (const auto& r : p.runs) {
      if (r.text == text) return &r;
    }
  }
  return nullptr;
}

String FontName(const Document& d, const rtf::Run& r) {
  return r.format.font < 0 ? String("<none>")
                           : d.fonts.at(static_cast<std::size_t>(r.format.font)).name;
}

rtf::Color ColorAt(const Document& d, int index) {
  return index == 0 ? rtf::Color{-1, -1, -1} : d.colors.at(static_cast<std::size_t>(index - 1));
}

TEST(RtfProcessorTest, RecognisesTheHeaderExactly) {
  CRTFProcessor p;
  const struct {
    String text;
    bool rtf;
  } cases[] = {{"{\\rtf1\\ansi x}", true}, {"{\\rtf", true}, {"{\\RTF1 x}", false},
               {" {\\rtf1 x}", false},     {"{\\rt", false}, {"", false}};
  for (const auto& c : cases)
    EXPECT_EQ(p.IsRTF(c.text), c.rtf) << c.text;
}

TEST(RtfProcessorTest, StripsToTheVisibleText) {
  CRTFProcessor p;
  const struct {
    String rtf;
    String text;
  } cases[] = {
      {"Plain {text} stays", "Plain {text} stays"},
      {"{\\rtf1 A\\par B\\par}", "A\r\nB"},  // the last paragraph mark adds no line
      {"{\\rtf1 A\\par\\par}", "A\r\n"},
      {"{\\rtf1 }", ""},
      {"{\\rtf1 \\par}", ""},
      {"{\\rtf1\\b bold\\b0  x}", "bold x"},  // only one delimiting space is eaten
      {"{\\rtf1 a\\\\b\\{c\\}}", "a\\b{c}"},
      {"{\\rtf1 a\r\nb}", "ab"},        // line ends of the file are not text
      {"{\\rtf1 a\\\r\nb}", "a\r\nb"},  // a backslash before a line end is \par
      {"{\\rtf1 a\\tab b\\line c\\~d\\-e\\_f}", "a\tb\r\nc\u00A0de\u2011f"},
      {"{\\rtf1 \\lquote x\\rquote  \\emdash  \\bullet}", "\u2018x\u2019 \u2014 \u2022"},
      {"{\\rtf1 x\\cell y\\cell\\row z}", "x\ty\t\r\nz"},
      // code page bytes: 1252 by default, Latin-1 for a code page the system does not know
      {"{\\rtf1\\ansi caf\\'e9 \\'80}", "caf\u00E9 \u20AC"},
      {"{\\rtf1\\ansi\\ansicpg4242 \\'e9\\'80}", "\u00E9\u0080"},
      {"{\\rtf1 M\xC3\xBCller caf\xE9}", "M\u00FCller caf\u00E9"},  // raw UTF-8, raw 1252
      // \uN with its fallback, \ucN, surrogate pairs and codes out of range
      {"{\\rtf1 5\\u8364?x}", "5\u20ACx"},
      {"{\\rtf1\\uc2 5\\u8364\\'80?x}", "5\u20ACx"},
      {"{\\rtf1\\uc0 \\u937 x}", "\u03A9x"},
      {"{\\rtf1 {\\uc3 \\u937 abc}\\u937 ab}", "\u03A9\u03A9b"},  // \uc is scoped to its group
      {"{\\rtf1 \\u-10179?\\u-8704?}", "\U0001F600"},
      {"{\\rtf1 \\u-10179?x}", "\uFFFDx"},
      {"{\\rtf1 \\u-8704?}", "\uFFFD"},
      {"{\\rtf1 \\u99999999?x}", "\uFFFDx"},
      {"{\\rtf1 \\u0?x}", "x"},
      // destinations without visible text
      {"{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red1\\green2\\blue3;}{\\stylesheet{\\s0 "
       "Normal;}}{\\info{\\title T}{\\author A}}{\\header H}{\\footer F}{\\pict\\wmetafile8 "
       "0a0b}{\\*\\generator G}{\\*\\unknownthing U}Body}",
       "Body"},
      {"{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}}", "link"},
      {"{\\rtf1 a{\\v hidden}b}", "ab"},
      {"{\\rtf1 a{\\pict\\bin3 }}{}b}", "ab"},  // binary data may hold braces
      {"{\\rtf1 a\\bin2 xyb}", "ab"},
      {"{\\rtf1 a}\r\n\0"s, "a"},  // blanks and a NUL may follow the document
  };
  for (const auto& c : cases)
    EXPECT_EQ(p.StripRTF(c.rtf), c.text) << c.rtf;
}

// The code page of \'hh (and of raw bytes that are no UTF-8): the font's charset where it names
// one, else the document's \ansicpg; double-byte code pages join a lead and a trail byte; a symbol
// font shows symbols for its letters.
TEST(RtfProcessorTest, EscapedBytesFollowTheCodePageOfTheirFont) {
  const String fonts =
      "{\\fonttbl{\\f0\\fcharset0 Arial;}{\\f1\\fcharset204 Arial;}{\\f2\\fcharset2 Symbol;}"
      "{\\f3\\fcharset128 MS Gothic;}{\\f4\\fcharset238 Arial;}{\\f5 Arial;}{\\f6\\fcharset1 "
      "Arial;}}";
  const struct {
    String body;  // after \rtf1\ansi\ansicpg1251 and the font table
    String text;
  } cases[] = {
      {"\\f1\\'cf\\'f0\\'e8\\'e1\\'ee\\'f0", "\u041F\u0440\u0438\u0431\u043E\u0440"},
      {"\\f0 caf\\'e9", "caf\u00E9"},  // the ANSI charset is Western whatever \ansicpg says
      {"\\f5\\'cf \\f6\\'cf", "\u041F \u041F"},  // no charset, default charset: \ansicpg
      {"\\f4\\'9a\\'e8", "\u0161\u010D"},
      {"\\f2 10 kW \\'b1 \\u61549? \\\\", "10 \u03BA\u03A9 \u00B1 \u03BC \u2234"},
      {"{\\f2 W}W", "\u03A9W"},  // the font ends with its group
      {"\\f3\\'83\\'65\\'83\\'58\\'83\\'67", "\u30C6\u30B9\u30C8"},
      {"\\f3\\'83A\\'83\\{", "\u30A2\u30DC"},  // trail bytes written as text
      {"\\f3\\'83\r\n\\'41", "\u30A2"},        // a line end of the file between the two
      {"\\f3\\'83\\par x", "\uFFFD\r\nx"},     // a lead byte without its trail byte
      {"\\f3\\'83\\'65\\f1\\'cf", "\u30C6\u041F"},
      {"\\f1\\uc1\\u1055\\'cf x", "\u041F x"},  // the fallback byte is skipped, not decoded
  };
  CRTFProcessor p;
  for (const auto& c : cases) {
    const String text = "{\\rtf1\\ansi\\ansicpg1251" + fonts + c.body + "}";
    EXPECT_EQ(p.StripRTF(text), c.text) << c.body;
  }

  // The document's code page alone, for each code page Windows writes.
  const struct {
    int codePage;
    String bytes;
    String text;
  } pages[] = {
      {1250, "\\'9a", "\u0161"},     {1251, "\\'cf", "\u041F"},     {1252, "\\'80", "\u20AC"},
      {1253, "\\'c1", "\u0391"},     {1254, "\\'fd", "\u0131"},     {1255, "\\'e0", "\u05D0"},
      {1256, "\\'c7", "\u0627"},     {1257, "\\'e0", "\u0105"},     {1258, "\\'c3", "\u0102"},
      {874, "\\'a1", "\u0E01"},      {932, "\\'82\\'a0", "\u3042"}, {936, "\\'d6\\'d0", "\u4E2D"},
      {949, "\\'c7\\'d1", "\uD55C"}, {950, "\\'a4\\'a4", "\u4E2D"},
  };
  for (const auto& page : pages) {
    const String text =
        "{\\rtf1\\ansi\\ansicpg" + std::to_string(page.codePage) + " " + page.bytes + "}";
    EXPECT_EQ(p.StripRTF(text), page.text) << page.codePage;
  }
}

TEST(RtfProcessorTest, StripsACyrillicDocumentAndKeepsItThroughAppending) {
  const String rtf = test::ReadFileText(test::TestDataPath("rtf/cyrillic_sample.rtf"));
  ASSERT_FALSE(rtf.empty()) << "missing fixture";
  const String visible =
      "\u041F\u0440\u0438\u0431\u043E\u0440\r\n"
      "\u0421\u043E\u043F\u0440\u043E\u0442\u0438\u0432\u043B\u0435\u043D\u0438\u0435 R < 0,3 "
      "\u03A9, \u0442\u043E\u043A \u2264 10 \u03BCA\r\n"
      "Caf\u00E9 \u2116 5";

  CRTFProcessor p;
  EXPECT_EQ(p.StripRTF(rtf), visible);
  // Written again (7-bit, \uN) and joined with itself, every character stays, symbols too.
  EXPECT_EQ(p.StripRTF(p.AppendRTFText(rtf, rtf)), visible + "\r\n" + visible);
}

// Texts that the engine rejects: StripRTF gives them back unchanged (their characters are all
// there is), ReadRtf refuses them, and nothing crashes or runs long.
TEST(RtfProcessorTest, RejectsMalformedRtfAndKeepsTheText) {
  const String cases[] = {
      "{\\rtf1 a",                    // unbalanced
      "{\\rtf1 a}}",                  // a brace too many
      "{\\rtf1 a}trailing",           // text after the document
      "{\\rtfx a}",                   // not the rtf control word
      "{\\rtf1 \\'zz}",               // not a hex byte
      "{\\rtf1 \\'e",                 // hex byte cut off
      "{\\rtf1 a\\",                  // backslash at the end
      "{\\rtf1 \\bin999999999 x}",    // binary data past the end
      "{\\rtf1 \\bin99999999999 x}",  // parameter beyond 32 bits
      "{\\rtf1 \\b-2147483649 x}",
      "{\\rtf1 \\" + String(40, 'a') + " x}",  // control word too long
      "{\\rtf1 " + Nested(rtf::kMaxGroupDepth, "x") + "}",
      "{\\rtf1 " + Nested(10000, "x") + "}",
      "{\\rtf1 " + String(10000, '{'),
  };
  CRTFProcessor p;
  for (const auto& text : cases) {
    EXPECT_FALSE(ReadRtf(text).has_value()) << text.substr(0, 40);
    EXPECT_EQ(p.StripRTF(text), text) << text.substr(0, 40);
  }
  // exactly at the limit still reads (the document's own group counts)
  EXPECT_EQ(p.StripRTF("{\\rtf1 " + Nested(rtf::kMaxGroupDepth - 1, "x") + "}"), "x");
}

TEST(RtfProcessorTest, AppendingJoinsPlainAndRichTextAsParagraphs) {
  CRTFProcessor p;
  const struct {
    String a, b, text;
  } cases[] = {
      {"", "", ""},
      {"A", "", "A"},
      {"", "B", "B"},
      {"A", "B", "A\r\nB"},
      {"A\r\nB", "C", "A\r\nB\r\nC"},
      {"{\\rtf1 A\\par}", "{\\rtf1 B}", "A\r\nB"},
      {"{\\rtf1 A\\par\\par}", "B", "A\r\n\r\nB"},
      {"{\\rtf1 }", "B", "B"},
      // a rejected RTF text is taken as plain text rather than dropped
      {"{\\rtf1 a", "B", "{\\rtf1 a\r\nB"},
      {"A", "{\\rtf1 }}", "A\r\n{\\rtf1 }}"},
  };
  for (const auto& c : cases) {
    const String joined = p.AppendRTFText(c.a, c.b);
    ASSERT_TRUE(ReadRtf(joined).has_value()) << joined;
    EXPECT_EQ(p.StripRTF(joined), c.text) << c.a << " + " << c.b;
  }
}

TEST(RtfProcessorTest, WrittenRtfIsSevenBitAndReadsBackEveryCharacter) {
  CRTFProcessor p;
  const String text =
      "back\\slash {braces} tab\there caf\u00E9 \u20AC \u03A9 \U0001F600 nb\u00A0sp "
      "no\u2011break bell\x07 del\x7F\r\nsecond line";
  const String rtf = p.AppendRTFText(text, "");
  for (char c : rtf)
    EXPECT_TRUE(static_cast<unsigned char>(c) < 0x80) << rtf;
  EXPECT_EQ(p.StripRTF(rtf), text);
}

// The model survives writing and reading: formatting, alignment, tables, line breaks.
TEST(RtfDocumentTest, WriteThenReadGivesTheSameDocument) {
  Document d;
  d.fonts = {{"Arial", "fswiss", 0}, {"Caf\u00E9 {Sans}", "fnil", 238}};
  d.colors = {{255, 0, 0}, {0, 0, 255}};
  rtf::CharFormat plain;
  plain.font = 0;
  rtf::CharFormat marked{true, true, true, false, 1, 20, 1, 2};
  rtf::CharFormat hidden = plain;
  hidden.hidden = true;
  d.paragraphs = {
      {rtf::Alignment::kCenter, {{marked, "Title", false}}},
      {rtf::Alignment::kLeft, {{plain, "a ", false}, {marked, "", true}, {hidden, "h", false}}},
      {rtf::Alignment::kJustify, {}},
      {rtf::Alignment::kRight, {{plain, "9 digits after a word", false}}},
  };
  const auto back = ReadRtf(rtf::WriteRtf(d));
  ASSERT_TRUE(back.has_value()) << rtf::WriteRtf(d);
  EXPECT_EQ(*back, d) << rtf::WriteRtf(d);
}

TEST(RtfProcessorTest, AppendingKeepsTheFormattingOfBothParts) {
  const String procedure =
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times New Roman;}}"
      "{\\colortbl ;\\red255\\green0\\blue0;}\\f1\\b\\cf1 Warning\\b0\\cf0  text\\par}";
  const String comment =
      "{\\rtf1\\ansi\\deff1{\\fonttbl{\\f0\\fmodern Courier New;}{\\f1\\fswiss Arial;}}"
      "{\\colortbl ;\\red0\\green0\\blue255;\\red255\\green0\\blue0;}"
      "\\f0\\i\\cf1 Blue\\i0\\cf2\\highlight1  red on blue\\f1\\cf0\\highlight0  default\\par}";
  CRTFProcessor p;
  const auto joined = ReadRtf(p.AppendRTFText(procedure, comment));
  ASSERT_TRUE(joined.has_value());
  const Document& d = *joined;
  ASSERT_EQ(d.paragraphs.size(), 2u);
  EXPECT_EQ(d.fonts.size(), 3u);   // Arial is shared
  EXPECT_EQ(d.colors.size(), 2u);  // red is shared

  const struct {
    String text;
    bool bold, italic;
    String font;
    rtf::Color color, highlight;
  } expected[] = {
      {"Warning", true, false, "Times New Roman", {255, 0, 0}, {-1, -1, -1}},
      {" text", false, false, "Times New Roman", {-1, -1, -1}, {-1, -1, -1}},
      {"Blue", false, true, "Courier New", {0, 0, 255}, {-1, -1, -1}},
      {" red on blue", false, false, "Courier New", {255, 0, 0}, {0, 0, 255}},
      {" default", false, false, "Arial", {-1, -1, -1}, {-1, -1, -1}},
  };
  for (const auto& e : expected) {
    const rtf::Run* run = FindRun(d, e.text);
    ASSERT_NE(run, nullptr) << e.text;
    EXPECT_EQ(run->format.bold, e.bold) << e.text;
    EXPECT_EQ(run->format.italic, e.italic) << e.text;
    EXPECT_EQ(FontName(d, *run), e.font) << e.text;
    EXPECT_EQ(ColorAt(d, run->format.color), e.color) << e.text;
    EXPECT_EQ(ColorAt(d, run->format.highlight), e.highlight) << e.text;
  }
}

TEST(RtfProcessorTest, StripsAWordProcessorDocument) {
  const String rtf = test::ReadFileText(test::TestDataPath("rtf/wordpad_sample.rtf"));
  ASSERT_FALSE(rtf.empty()) << "missing fixture";

  CRTFProcessor p;
  EXPECT_EQ(p.StripRTF(rtf),
            "Pr\u00FCfung der Schutzleiterverbindung\r\n"
            "Achtung: Ger\u00E4t vom Netz trennen \u2013 Kosten 5\u20AC pro Messung.\r\n"
            "Caf\u00E9 {Kabel}\tR < 0,1 \u03A9\r\n"
            "Zeile eins\r\nZeile zwei\r\n"
            "Ende");
  const auto d = ReadRtf(rtf);
  ASSERT_TRUE(d.has_value());
  EXPECT_EQ(d->paragraphs.front().alignment, rtf::Alignment::kCenter);
  const rtf::Run* title = FindRun(*d, "Pr\u00FCfung der Schutzleiterverbindung");
  ASSERT_NE(title, nullptr);
  EXPECT_TRUE(title->format.bold);
  EXPECT_EQ(title->format.size, 28);
  EXPECT_EQ(FontName(*d, *title), "Calibri");
  const rtf::Run* end = FindRun(*d, "Ende");
  ASSERT_NE(end, nullptr);
  EXPECT_EQ(FontName(*d, *end), "Courier New");
  EXPECT_EQ(ColorAt(*d, end->format.color), (rtf::Color{0, 77, 187}));
}

TEST(RtfProcessorTest, SharedProcessorIsOnePerThreadUntilReleased) {
  const Ref<CRTFProcessor> first = SharedRTFProcessor();
  EXPECT_TRUE(SameObject(first, SharedRTFProcessor()));
  Ref<CRTFProcessor> other;
  std::thread([&] {
    other = SharedRTFProcessor();
    ReleaseRTFProcessor();
  }).join();
  EXPECT_FALSE(SameObject(first, other));
  ReleaseRTFProcessor();
  EXPECT_FALSE(SameObject(first, SharedRTFProcessor()));
  ReleaseRTFProcessor();
}

TEST(RtfProcessorTest, IsCreatableByProgrammaticIdentifier) {
  const auto p = CreateObjectAs<CRTFProcessor>("VelkoCore.CRTFProcessor");
  EXPECT_EQ(p->StripRTF("{\\rtf1 ok}"), "ok");
}

}  // namespace
}  // namespace velko
