#include "velko/report/html_text.hpp"

#include <gtest/gtest.h>

#include "velko/frame/error.hpp"

namespace velko {
namespace {

TEST(HtmlToTextTest, ConvertsTagsAndEntities) {
  const struct {
    String html;
    String text;
  } cases[] = {
      {"<p>A</p><p>B</p>", "\r\nA\r\n\r\nB\r\n"},
      {"<b>x</b>", "x"},
      {"<P>A<BR>B", "\r\nA\r\nB"},       // tag names in any case
      {"<br/>x<p class=\"c\">y", "xy"},  // attributes or a slash: removed without a break
      {"<<b>>x", "x"},                   // nested brackets close together
      {"a <b", "a <b"},                  // an unclosed tag stays
      {"<a href=\"x?a=1&b=2;\">link</a>", "link"},  // "&" inside a tag is no entity
      {"a&amp;b", "a&b"},
      {"&lt;br&gt;", "<br>"},  // produced text is not scanned again
      {"&AElig;&aelig;&#65;&#x41;", "\u00C6\u00E6AA"},
      {"x&unknown;y", "xy"},
      {"a;b<i>c</i>", "a;bc"},
      {"a\nb", "a\nb"},  // only CR LF pairs are removed
      // a ">" outside any tag is text and does not unbalance the tags after it
      {"a > b <b>c</b>", "a > b c"},
      {"x>y<p>z", "x>y\r\nz"},
      // an "&" that starts no entity stays text
      {"Tom & Jerry; ok", "Tom & Jerry; ok"},
      {"a &b-c; d", "a &b-c; d"},
      {"&; &#; & ;", "&; &#; & ;"},
      {"&&amp;", "&&"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(HtmlToText(c.html), c.text) << c.html;
}

TEST(HtmlToTextTest, CrLfPairsDoNotChangeTheResult) {
  const String html = "<p>Mess<b>wert</b> &lt; 0,1 &Omega;</p><br>ok";
  const String broken = "<p\r\n>Mess\r\n<b>wert</b> &l\r\nt; 0,1 &Omega;</p><br>o\r\nk";
  EXPECT_EQ(HtmlToText(broken), HtmlToText(html));
}

TEST(HtmlEntityTextTest, GivesTheCharacterOfANameOrCode) {
  const struct {
    String name;
    String text;
  } cases[] = {
      {"quot", "\""},
      {"AMP", "&"},
      {"lt", "<"},
      {"gt", ">"},
      {"nbsp", "\u00A0"},
      {"iexcl", "\u00A1"},
      {"sup1", "\u00B9"},
      {"iquest", "\u00BF"},
      {"Agrave", "\u00C0"},
      {"AGRAVE", "\u00C0"},
      {"aGrave", "\u00C0"},
      {"agrave", "\u00E0"},
      {"AElig", "\u00C6"},
      {"aelig", "\u00E6"},
      {"ETH", "\u00D0"},
      {"eth", "\u00F0"},
      {"Ouml", "\u00D6"},
      {"times", "\u00D7"},
      {"Oslash", "\u00D8"},
      {"THORN", "\u00DE"},
      {"szlig", "\u00DF"},
      {"ouml", "\u00F6"},
      {"divide", "\u00F7"},
      {"oslash", "\u00F8"},
      {"thorn", "\u00FE"},
      {"yuml", "\u00FF"},
      {"#65", "A"},
      {"65", "A"},
      {"#x41", "A"},
      {"#X4a", "J"},
      {"#233", "\u00E9"},
      {"#8364", "\u20AC"},
      {"#128512", "\U0001F600"},
      {"euro", ""},
      {"", ""},
      {"#", ""},
      {"#x", ""},
      {"x41", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(HtmlEntityText(c.name), c.text) << c.name;
}

TEST(HtmlEntityTextTest, ACodeThatIsNoCharacterIsAnError) {
  const struct {
    String name;
    Long number;
  } cases[] = {{"#0", rt::kInvalidCall},
               {"#-1", rt::kInvalidCall},
               {"#55296", rt::kInvalidCall},  // a surrogate
               {"#x110000", rt::kInvalidCall},
               {"#99999999999", rt::kOverflow}};
  for (const auto& c : cases) {
    try {
      HtmlEntityText(c.name);
      ADD_FAILURE() << c.name << " gave no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), c.number) << c.name;
    }
  }
  EXPECT_THROW(HtmlToText("a&#0;b"), Error);
}

}  // namespace
}  // namespace velko
