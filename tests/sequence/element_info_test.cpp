#include "velko/sequence/element_info.hpp"

#include <gtest/gtest.h>

#include "support/error_helpers.hpp"
#include "support/failing_xml.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/outside/xml.hpp"
#include "velko/report/rtf_processor.hpp"

namespace velko {
namespace {

struct Info {
  Ref<IElementInfo> info = CreateElementInfo();
  Ref<IElementInfo2> info2 = QueryInterface<IElementInfo2>(info);
};

Ref<IXmlElement> Parse(const String& xml) {
  return ParseXmlDocument(xml)->DocumentElement();
}

Ref<IXmlElement> Child(const Ref<IXmlElement>& parent, Long index) {
  return QueryInterface<IXmlElement>(parent->ChildNodes()->NodeAt(index));
}

std::vector<String> ChildTags(const Ref<IXmlElement>& parent) {
  std::vector<String> tags;
  for (Long i = 0; i < parent->ChildNodes()->NodeCount(); ++i)
    tags.push_back(Child(parent, i)->TagName());
  return tags;
}

String StoredProcedureData(const Ref<IXmlElement>& procedure) {
  return QueryInterface<IXmlDataNode>(procedure->ChildNodes()->NodeAt(0))->NodeData();
}

TEST(ElementInfo, SavesOnlyWhatIsSetInTheFixedOrder) {
  const auto doc = CreateXmlDocument();
  Info empty;
  EXPECT_FALSE(empty.info->Save(doc, kSaveDefinition));

  Info named;
  named.info->SetName("Earth bond");
  const auto one = named.info->Save(doc, kSaveDefinition);
  ASSERT_TRUE(one);
  EXPECT_EQ(one->TagName(), "Info");
  EXPECT_EQ(ChildTags(one), (std::vector<String>{"Name"}));

  Info full;
  full.info->SetDescription("Step 1");
  full.info->SetName("N");
  full.info->Initialize("Type A", "10 A");
  const auto all = full.info->Save(doc, kSaveDefinition);
  EXPECT_EQ(ChildTags(all), (std::vector<String>{"Type", "Parameter", "Name", "Procedure"}));
  EXPECT_EQ(Child(all, 3)->GetAttribute("Format"), "0");
  EXPECT_EQ(Child(all, 3)->ElementText(), "Step 1");
}

TEST(ElementInfo, LoadFoldsDescriptionAndCommentAfterTheProcedure) {
  struct Case {
    const char* children;
    const char* procedure;
    Long format;
  };
  const Case cases[] = {
      {"<Procedure Format='2'>A</Procedure><Description>B</Description><Comment>C</Comment>",
       "A\r\nB\r\nC", kProcedurePlain},
      {"<Comment>C</Comment><Description>B</Description><Procedure Format='2'>A</Procedure>",
       "A\r\nB\r\nC", kProcedurePlain},
      {"<Comment>C</Comment>", "C", kProcedurePlain},
      {"<Description>old</Description><Description>new</Description>", "new", kProcedurePlain},
      {"<Procedure Format='4'>link</Procedure>", "link", kProcedureLink},
      {"<Procedure Format=' 2.5 '>halves to even</Procedure>", "halves to even", kProcedurePlain},
      {"<Procedure Format='abc'>no number</Procedure>", "no number", kProcedureNone},
      {"<Procedure Format='3'><![CDATA[<p>x</p>]]></Procedure>", "<p>x</p>", kProcedureHtml},
      {"<Procedure Format='3'>&lt;b&gt;as text&lt;/b&gt;</Procedure>", "<b>as text</b>",
       kProcedureHtml},
      {"<Procedure Format='99999999999'>too big</Procedure>", "", kProcedureNone},
      {"<Unknown>x</Unknown>text<Procedure/>", "", kProcedureNone},
  };
  for (const Case& c : cases) {
    Info i;
    i.info2->SetProcedure("left over");
    i.info2->SetProcedureFormat(kProcedureHtml);
    i.info->Load(Parse(String("<Info>") + c.children + "</Info>"), nullptr);
    EXPECT_EQ(i.info2->Procedure(), c.procedure) << c.children;
    EXPECT_EQ(i.info2->ProcedureFormat(), c.format) << c.children;
  }
}

TEST(ElementInfo, LoadKeepsTypeAndParameterUnlessGivenAndRejectsOtherTags) {
  Info i;
  i.info->Initialize("Type A", "10 A");
  i.info->SetName("old");
  i.info->Load(Parse("<Info><Parameter>25 A</Parameter><Name>first</Name><Name>last</Name></Info>"),
               nullptr);
  EXPECT_EQ(i.info->TestType(), "Type A");
  EXPECT_EQ(i.info->TestParam(), "25 A");
  EXPECT_EQ(i.info->Name(), "last");

  const Error e =
      test::CaughtError([&] { i.info->Load(Parse("<info><Name>x</Name></info>"), nullptr); });
  EXPECT_EQ(e.Number(), err::kInfoWrongTag);
  EXPECT_EQ(e.Source(), "VelkoCore.CElementInfo");
  EXPECT_EQ(i.info->Name(), "last");
  EXPECT_EQ(test::ErrorNumberOf([&] { i.info->Load(nullptr, nullptr); }), err::kUnexpected);
}

TEST(ElementInfo, RichTextInTheOldTextsMakesTheProcedureRichText) {
  Info i;
  i.info->Load(Parse("<Info><Procedure Format='2'>Plain</Procedure>"
                     "<Comment><![CDATA[{\\rtf1 {\\b Bold}}]]></Comment></Info>"),
               nullptr);
  EXPECT_EQ(i.info2->ProcedureFormat(), kProcedureRtf);
  const String visible = SharedRTFProcessor()->StripRTF(i.info2->Procedure());
  EXPECT_NE(visible.find("Plain"), String::npos);
  EXPECT_NE(visible.find("Bold"), String::npos);
}

TEST(ElementInfo, ConvertProcedureBetweenForms) {
  struct Case {
    const char* text;
    Long from;
    Long to;
    const char* expected;
  };
  const Case cases[] = {
      {"x", kProcedurePlain, kProcedureHtml, "<html><body>x</body></html>"},
      {"<html><body>x</body></html>", kProcedureHtml, kProcedureRtf, "{\\rtf1 x}"},
      {"<p>A</p>", kProcedureHtml, kProcedurePlain, "\r\nA\r\n"},
      {"{\\rtf1 Hello}", kProcedureRtf, kProcedurePlain, "Hello"},
      {"{\\rtf1 Hello}", kProcedureRtf, kProcedureHtml, "<html><body>Hello</body></html>"},
      {"x", kProcedureNone, kProcedureRtf, "{\\rtf1 x}"},
      {"x", kProcedurePlain, kProcedureLink, ""},
      {"x", kProcedurePlain, kProcedureLink2, ""},
      {"http://a", kProcedureLink, kProcedureRtf, "{\\rtf1 }"},
      {"http://a", kProcedureLink, kProcedureHtml, "<html><body></body></html>"},
      {"x", kProcedurePlain, kProcedurePlain, "x"},
      {"x", kProcedurePlain, 9, "x"},
      // Characters that markup reserves are escaped, so that the text survives.
      {"a<b & c>d", kProcedurePlain, kProcedureHtml,
       "<html><body>a&lt;b &amp; c&gt;d</body></html>"},
      {"C:\\temp {1}", kProcedurePlain, kProcedureRtf, "{\\rtf1 C:\\\\temp \\{1\\}}"},
  };
  for (const Case& c : cases) {
    Info i;
    i.info2->SetProcedure(c.text);
    i.info2->SetProcedureFormat(c.from);
    i.info2->ConvertProcedure(c.to);
    EXPECT_EQ(i.info2->Procedure(), c.expected) << c.text << " " << c.from << "->" << c.to;
    EXPECT_EQ(i.info2->ProcedureFormat(), c.to);
  }
}

TEST(ElementInfo, PlainTextSurvivesARoundTripThroughEitherMarkup) {
  const String plain = "U < 5 V & I > 2 A\r\nC:\\tests\\{run}\r\n\r\nlast line";
  for (Long markup : {kProcedureRtf, kProcedureHtml}) {
    Info i;
    i.info2->SetProcedure(plain);
    i.info2->SetProcedureFormat(kProcedurePlain);
    i.info2->ConvertProcedure(markup);
    i.info2->ConvertProcedure(kProcedurePlain);
    EXPECT_EQ(i.info2->Procedure(), plain) << "through format " << markup;
  }
}

TEST(ElementInfo, SaveModeDecidesWhetherRichTextStaysRichText) {
  const auto doc = CreateXmlDocument();
  Info i;
  i.info2->SetProcedure("{\\rtf1 Step {\\b one}}");
  i.info2->SetProcedureFormat(kProcedureRtf);

  const auto asPlain = Child(i.info->Save(doc, kSaveDefinition), 0);
  EXPECT_EQ(asPlain->GetAttribute("Format"), "2");
  EXPECT_EQ(asPlain->ElementText(), "Step one");

  const auto asRich = Child(i.info->Save(doc, kSaveDefinition | kSaveKeepRtf), 0);
  EXPECT_EQ(asRich->GetAttribute("Format"), "1");
  EXPECT_EQ(StoredProcedureData(asRich), "{\\rtf1 Step {\\b one}}");

  Info back;
  back.info->Load(i.info->Save(doc, 5), nullptr);
  EXPECT_EQ(back.info2->Procedure(), i.info2->Procedure());
  EXPECT_EQ(back.info2->ProcedureFormat(), kProcedureRtf);

  Info html;
  html.info2->SetProcedure("<b>x</b>");
  html.info2->SetProcedureFormat(kProcedureHtml);
  const auto htmlSaved = Child(html.info->Save(doc, kSaveDefinition), 0);
  EXPECT_EQ(htmlSaved->GetAttribute("Format"), "3");
  EXPECT_EQ(StoredProcedureData(htmlSaved), "<b>x</b>");
}

TEST(ElementInfo, EmptyMarkupWritesNoProcedure) {
  struct Case {
    const char* text;
    Long format;
    Long mode;
  };
  const Case cases[] = {
      {"<html><body></body></html>", kProcedureHtml, kSaveDefinition},
      {"{\\rtf1 }", kProcedureRtf, kSaveDefinition | kSaveKeepRtf},
      {"{\\rtf1 {\\b }}", kProcedureRtf, kSaveDefinition},  // nothing visible
  };
  for (const Case& c : cases) {
    Info i;
    i.info2->SetProcedure(c.text);
    i.info2->SetProcedureFormat(c.format);
    EXPECT_FALSE(i.info->Save(CreateXmlDocument(), c.mode)) << c.text;
  }
}

TEST(ElementInfo, SaveFailures) {
  Info i;
  i.info->SetName("N");
  const Error e = test::CaughtError([&] { i.info->Save(test::MakeAlwaysFailingXmlDocument(), 1); });
  EXPECT_EQ(e.Number(), err::kInfoSave);
  EXPECT_EQ(e.Source(), "VelkoCore.CElementInfo");

  // A document that creates no procedure element or data node fails the save: the procedure
  // would otherwise be missing from the file without anyone knowing.
  i.info2->SetProcedure("<b>x</b>");
  i.info2->SetProcedureFormat(kProcedureHtml);
  auto noData = MakeRef<test::FailingXmlDocument>();
  noData->FailDataNodes();
  EXPECT_EQ(test::ErrorNumberOf([&] { i.info->Save(noData, kSaveDefinition); }), err::kInfoSave);
  auto noProcedure = MakeRef<test::FailingXmlDocument>();
  noProcedure->FailForTag("Procedure");
  EXPECT_EQ(test::ErrorNumberOf([&] { i.info->Save(noProcedure, kSaveDefinition); }),
            err::kInfoSave);
}

TEST(ElementInfo, DescriptionCommentAndClone) {
  Info i;
  i.info2->SetProcedureFormat(kProcedureHtml);
  i.info->SetDescription("<i>d</i>");
  EXPECT_EQ(i.info2->ProcedureFormat(), kProcedureHtml);
  EXPECT_EQ(i.info2->Procedure(), "<i>d</i>");
  i.info->SetComment("ignored");
  EXPECT_EQ(i.info->Comment(), "");
  i.info->Initialize("T", "P");
  i.info->SetName("N");

  const auto copy = i.info->Clone();
  ASSERT_TRUE(copy);
  const auto copy2 = QueryInterface<IElementInfo2>(copy);
  EXPECT_EQ(copy->TestType(), "T");
  EXPECT_EQ(copy->TestParam(), "P");
  EXPECT_EQ(copy2->Name(), "N");
  EXPECT_EQ(copy2->Procedure(), "<i>d</i>");
  EXPECT_EQ(copy2->ProcedureFormat(), kProcedureHtml);
  copy->SetName("other");
  EXPECT_EQ(i.info->Name(), "N");
}

}  // namespace
}  // namespace velko
