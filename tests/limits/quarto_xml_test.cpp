#include "velko/limits/quarto_xml.hpp"

#include <gtest/gtest.h>

#include "limits_fixtures.hpp"
#include "support/error_helpers.hpp"
#include "support/failing_xml.hpp"
#include "velko/frame/runtime.hpp"
#include "velko/limits/standard_coll.hpp"
#include "velko/outside/xml.hpp"

namespace velko {
namespace {

using test::Xml;

Date At(int y, int mo, int d, int h, int mi, int s) {
  return *Date::FromParts({y, mo, d, h, mi, s});
}

// ---- dates ------------------------------------------------------------------------------------

TEST(QuartoXml, DatesRoundTripToTheSecond) {
  auto xml = GQuartoXML::Instance();
  const Date dates[] = {At(2024, 2, 29, 13, 45, 59), At(1899, 12, 30, 0, 0, 0),
                        At(1850, 6, 1, 18, 0, 1), At(9999, 12, 31, 23, 59, 59)};
  for (const Date date : dates) {
    const Ref<IXmlElement> saved = xml->XmlSaveDate(CreateXmlDocument(), date);
    Variant loaded;
    EXPECT_TRUE(xml->XmlLoadDate(saved, loaded).IsEmpty());
    EXPECT_EQ(loaded.ToDate(), date) << date.Serial();
    Variant viaModule;
    LoadDateElement(SaveDateElement(CreateXmlDocument(), date), viaModule);
    EXPECT_EQ(viaModule.ToDate(), date);
  }
  // Parts of a second are rounded away.
  const Date withMillis(At(2024, 2, 29, 13, 45, 59).Serial() + 0.4 / 86400.0);
  Variant loaded;
  xml->XmlLoadDate(xml->XmlSaveDate(CreateXmlDocument(), withMillis), loaded);
  EXPECT_EQ(loaded.ToDate(), At(2024, 2, 29, 13, 45, 59));
}

TEST(QuartoXml, SavedDateHasSixPlainAttributesInOrder) {
  auto file = CreateXmlFile();
  const Ref<IXmlElement> saved =
      GQuartoXML::Instance()->XmlSaveDate(file->Document(), At(2024, 3, 7, 8, 5, 0));
  EXPECT_EQ(saved->TagName(), "Date");
  EXPECT_EQ(saved->ElementText(), "");
  file->Document()->SetDocumentElement(saved);
  EXPECT_NE(
      file->SaveToText().find(R"(<Date Year="2024" Month="3" Day="7" Hour="8" Min="5" Sec="0")"),
      String::npos);
  EXPECT_FALSE(GQuartoXML::Instance()->XmlSaveDate(nullptr, Date()));
  EXPECT_FALSE(SaveDateElement(test::MakeAlwaysFailingXmlDocument(), Date()));
}

TEST(QuartoXml, LoadingBadDates) {
  struct Case {
    const char* xml;
    bool null;  // else the zero date
  };
  const Case cases[] = {
      {"<Status/>", true},
      {"<date Year='2024' Month='1' Day='1' Hour='0' Min='0' Sec='0'/>", true},
      {"<Date/>", false},
      {"<Date Year='2024' Month='13' Day='1' Hour='0' Min='0' Sec='0'/>", false},
      {"<Date Year='2024' Month='1' Day='1' Hour='25' Min='0' Sec='0'/>", false},
      {"<Date Year='2023' Month='2' Day='29' Hour='0' Min='0' Sec='0'/>", false},
      {"<Date Year='2024' Month='1' Day='1' Hour='0' Min='0'/>", false},
      {"<Date Year='2024' Month='1x' Day='1' Hour='0' Min='0' Sec='0'/>", false},
      // Found by fuzzing: a part beyond every integer type (an undefined conversion before).
      {"<Date Year='1899' Month='12' Day='3555555555555555555550' Hour='0' Min='0' Sec='0'/>",
       false},
  };
  for (const auto& c : cases) {
    Variant date = Date(5.0);
    GQuartoXML::Instance()->XmlLoadDate(Xml(c.xml), date);
    if (c.null) {
      EXPECT_TRUE(date.IsNull()) << c.xml;
    } else {
      EXPECT_EQ(date.ToDate(), Date()) << c.xml;
    }
    Variant strict = Date(5.0);
    const Long error = test::ErrorNumberOf([&] { LoadDateElement(Xml(c.xml), strict); });
    EXPECT_EQ(error, c.null ? 0 : rt::kTypeMismatch) << c.xml;
    EXPECT_TRUE(strict.IsNull()) << c.xml;
  }
  Variant date = Date(5.0);
  GQuartoXML::Instance()->XmlLoadDate(nullptr, date);
  EXPECT_TRUE(date.IsNull());
}

// ---- verdicts ---------------------------------------------------------------------------------

TEST(QuartoXml, StatusTexts) {
  struct Case {
    Long status;
    const char* standard;
    const char* text;
    const char* accordingTo;
  };
  const Case cases[] = {
      {kStatusNotPerformed, "", "Passed", ""}, {kStatusPassed, "IEC", "Passed", ""},
      {kStatusFailed, "IEC", "Failed", "IEC"}, {kStatusFailed, "", "Failed", ""},
      {kStatusNotApplicable, "IEC", "NA", ""}, {kStatusCancelled, "", "Passed", ""},
  };
  auto xml = GQuartoXML::Instance();
  for (const auto& c : cases) {
    const Ref<IXmlElement> saved = xml->XmlSaveStatus(CreateXmlDocument(), c.status, c.standard);
    EXPECT_EQ(saved->TagName(), "Status");
    EXPECT_EQ(saved->ElementText(), c.text) << c.status;
    EXPECT_EQ(saved->GetAttribute("AccordingTo"), c.accordingTo) << c.status;
  }
  EXPECT_FALSE(xml->XmlSaveStatus(nullptr, kStatusFailed, "IEC"));
}

TEST(QuartoXml, LoadingStatus) {
  struct Case {
    const char* xml;
    Long status;
    const char* standard;
  };
  const Case cases[] = {
      {"<Status>Passed</Status>", kStatusPassed, "keep"},
      {"<Status/>", kStatusPassed, "keep"},
      {"<Status>Cancelled</Status>", kStatusPassed, "keep"},
      {"<Status>NA</Status>", kStatusNotApplicable, "keep"},
      {"<Status AccordingTo='IEC'>Failed</Status>", kStatusFailed, "IEC"},
      {"<Status>Failed</Status>", kStatusFailed, ""},
      {"<Status>failed</Status>", kStatusPassed, "keep"},
      {"<Result>Failed</Result>", kStatusCancelled, "keep"},
  };
  for (const auto& c : cases) {
    Long status = kStatusCancelled;
    String standard = "keep";
    GQuartoXML::Instance()->XmlLoadStatus(Xml(c.xml), status, standard);
    EXPECT_EQ(status, c.status) << c.xml;
    EXPECT_EQ(standard, c.standard) << c.xml;
  }
  Long status = kStatusCancelled;
  GQuartoXML::Instance()->XmlLoadStatus(nullptr, status);
  EXPECT_EQ(status, kStatusCancelled);
}

// ---- typed values -----------------------------------------------------------------------------

TEST(QuartoXml, SavingValues) {
  struct Case {
    Variant value;
    Long type;
    const char* text;
    const char* typeName;
  };
  const Case cases[] = {
      {Variant(2.5f), kValueFloat, "2.5", "Float"},
      {Variant(Long{-3}), kValueInteger, "-3", "Int"},
      {Variant(true), kValueBoolean, "True", "Bool"},
      {Variant(Long{0}), kValueBoolean, "False", "Bool"},
      {Variant::Null(), kValueBoolean, "False", "Bool"},
      {Variant("12:30"), kValueTime, "12:30", "Time"},
      {Variant("a < b"), kValueText, "a < b", "Text"},
      {Variant("x"), kValueNone, "x", ""},
      {Variant("x"), 9, "x", ""},
  };
  for (const auto& c : cases) {
    const Ref<IXmlElement> saved =
        GQuartoXML::Instance()->XmlSaveValue(CreateXmlDocument(), c.value, c.type);
    EXPECT_EQ(saved->TagName(), "Value");
    EXPECT_EQ(saved->ElementText(), c.text) << c.text;
    EXPECT_EQ(saved->GetAttribute("Type"), c.typeName) << c.text;
  }
}

TEST(QuartoXml, LoadingValues) {
  struct Case {
    const char* xml;
    Variant value;
    Long type;
  };
  const Case cases[] = {
      {"<Value Type='Int'>2.5</Value>", Variant(Long{2}), kValueInteger},
      {"<Value Type='Int'>3.5</Value>", Variant(Long{4}), kValueInteger},
      {"<Value Type='Int'> -7 V</Value>", Variant(Long{-7}), kValueInteger},
      {"<Value Type='Float'>abc</Value>", Variant(0.0f), kValueFloat},
      {"<Value Type='Float'>2.5e1</Value>", Variant(25.0f), kValueFloat},
      {"<Value Type='float'>1.5</Value>", Variant("1.5"), kValueNone},
      {"<Value Type='Bool'>True</Value>", Variant(true), kValueBoolean},
      {"<Value Type='Bool'>true</Value>", Variant(false), kValueBoolean},
      {"<Value Type='Time'>12:30</Value>", Variant("12:30"), kValueTime},
      {"<Value Type='Text'>1.5</Value>", Variant("1.5"), kValueText},
      {"<Other>plain</Other>", Variant("plain"), kValueNone},
  };
  for (const auto& c : cases) {
    Variant value;
    Long type = 77;
    GQuartoXML::Instance()->XmlLoadValue(Xml(c.xml), value, type);
    EXPECT_EQ(type, c.type) << c.xml;
    EXPECT_EQ(value.GetType(), c.value.GetType()) << c.xml;
    EXPECT_EQ(value.ToString(), c.value.ToString()) << c.xml;
  }
  // None, or a number beyond range: type 0 and the value as it was; nothing is raised.
  for (const Ref<IXmlElement>& in : {Ref<IXmlElement>(), Xml("<Value Type='Int'>1e20</Value>")}) {
    Variant value = "kept";
    Long type = 77;
    GQuartoXML::Instance()->XmlLoadValue(in, value, type);
    EXPECT_EQ(type, kValueNone);
    EXPECT_EQ(value.ToString(), "kept");
  }
}

TEST(QuartoXml, ValuesRoundTrip) {
  auto xml = GQuartoXML::Instance();
  const std::pair<Variant, Long> values[] = {{Variant(0.1f), kValueFloat},
                                             {Variant(-1e-30f), kValueFloat},
                                             {Variant(Long{2147483647}), kValueInteger},
                                             {Variant(true), kValueBoolean}};
  for (const auto& [value, type] : values) {
    Variant back;
    Long backType = 0;
    xml->XmlLoadValue(xml->XmlSaveValue(CreateXmlDocument(), value, type), back, backType);
    EXPECT_EQ(backType, type);
    EXPECT_EQ(back.ToString(), value.ToString());
  }
}

TEST(QuartoXml, GlobalInstanceAndFiles) {
  EXPECT_TRUE(SameObject(GQuartoXML::Instance(), GQuartoXML::Instance()));
  const Ref<IXmlFile> file = GQuartoXML::Instance()->CreateQuartoFile();
  ASSERT_TRUE(file);
  ASSERT_TRUE(file->Document());
  EXPECT_FALSE(file->Document()->DocumentElement());
}

}  // namespace
}  // namespace velko

namespace velko {
namespace {

TEST(LimitsClasses, PublicClassesAreCreatableByIdentifier) {
  EXPECT_TRUE(CreateObjectAs<ILimit3>("VelkoCore.CLimit"));
  EXPECT_TRUE(QueryInterface<ILimit2>(CreateObjectAs<ILimit>("VelkoCore.CLimit")));
  EXPECT_TRUE(CreateObjectAs<IStandard>("VelkoCore.CStandard"));
  EXPECT_TRUE(
      QueryInterface<IStandardColl2>(CreateObjectAs<IStandardColl>("VelkoCore.CStandardColl")));
  EXPECT_TRUE(CreateObjectAs<GQuartoXML>("VelkoCore.GQuartoXML"));
  const ClassInfo* limit = LibraryClasses().FindByName("CLimit");
  ASSERT_TRUE(limit);
  EXPECT_TRUE(limit->Answers(ILimit::kIID));
  EXPECT_FALSE(limit->Answers(IStandard::kIID));
  for (const char* internal : {"VelkoCore.CLimitColl", "VelkoCore.CLimitReference"}) {
    EXPECT_EQ(test::ErrorNumberOf([&] { CreateObject(internal); }), rt::kCannotCreateObject);
  }
}

}  // namespace
}  // namespace velko
