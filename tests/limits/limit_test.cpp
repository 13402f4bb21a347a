#include <gtest/gtest.h>

#include <cmath>

#include "limits_fixtures.hpp"
#include "support/error_helpers.hpp"
#include "support/failing_xml.hpp"
#include "support/recording_report.hpp"
#include "support/tree_doubles.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/outside/progress_log.hpp"
#include "velko/outside/xml.hpp"

namespace velko {
namespace {

using test::FixedLimit;
using test::Xml;

// ---- verdicts ---------------------------------------------------------------------------------

struct VerdictCase {
  const char* name;
  std::optional<Single> high;
  std::optional<Single> low;
  const char* unit;
  const char* operand;
  Variant reference;
  Single measured;
  Long verdict;
};

TEST(Limit, TestValueJudgesInclusiveBoundsAndFormulas) {
  const Variant none;
  const VerdictCase cases[] = {
      {"high only, on the bound", 10.0f, {}, "", "", none, 10.0f, kStatusPassed},
      {"high only, just above", 10.0f, {}, "", "", none, 10.0001f, kStatusFailed},
      {"high only, far below", 10.0f, {}, "", "", none, -1000.0f, kStatusPassed},
      {"low only, on the bound", {}, 5.0f, "", "", none, 5.0f, kStatusPassed},
      {"low only, just below", {}, 5.0f, "", "", none, 4.99f, kStatusFailed},
      {"both, low fails", 10.0f, 5.0f, "", "", none, 4.0f, kStatusFailed},
      {"both, high fails", 10.0f, 5.0f, "", "", none, 11.0f, kStatusFailed},
      {"nothing defined", {}, {}, "", "", none, 1e30f, kStatusNotApplicable},
      {"percent of 200, upper", 10.0f, -10.0f, "%", "", Variant(200.0), 220.0f, kStatusPassed},
      {"percent of 200, above", 10.0f, -10.0f, "%", "", Variant(200.0), 220.0002f, kStatusFailed},
      {"percent of 200, lower", 10.0f, -10.0f, "%", "", Variant(200.0), 180.0f, kStatusPassed},
      {"percent of 200, below", 10.0f, -10.0f, "%", "", Variant(200.0), 179.9998f, kStatusFailed},
      {"percent, Null reference", 10.0f, -10.0f, "%", "", Variant::Null(), 10.0f, kStatusPassed},
      {"percent, Null, above", 10.0f, -10.0f, "%", "", Variant::Null(), 10.5f, kStatusFailed},
      {"percent, text reference", 10.0f, -10.0f, "%", "CV", Variant("200"), 220.0f, kStatusPassed},
      {"X+(X*Y%) of 100", 5.0f, {}, "", "X+(X*Y%)", Variant(100), 105.0f, kStatusPassed},
      {"X+(X*Y%) of 100, above", 5.0f, {}, "", "X+(X*Y%)", Variant(100), 105.01f, kStatusFailed},
      {"unknown operand: both bounds X", 1.0f, -1.0f, "", "Q", Variant(50), 50.0f, kStatusPassed},
      {"unknown operand, above X", 1.0f, -1.0f, "", "Q", Variant(50), 50.01f, kStatusFailed},
      {"unknown operand, below X", 1.0f, -1.0f, "", "Q", Variant(50), 49.99f, kStatusFailed},
      {"formula, Empty reference is 0", 2.0f, {}, "", "X+Y", none, 2.0f, kStatusPassed},
  };
  for (const auto& c : cases) {
    auto limit = FixedLimit("K", c.high, c.low, c.unit, c.operand);
    EXPECT_EQ(limit->TestValue(c.measured, c.reference), c.verdict) << c.name;
  }
}

TEST(Limit, TestValueNeverRaises) {
  auto unresolved = FixedLimit("K", 10.0f);
  unresolved->SetLimitType(kLimitRelative);
  auto textReference = FixedLimit("K", 10.0f, {}, "", "X*Y");
  auto overflow = FixedLimit("K", 1e30f, {}, "", "X*Y");
  auto nullFormula = FixedLimit("K", 1.0f, {}, "", "X*Y");
  EXPECT_EQ(unresolved->TestValue(1.0f, Variant()), kStatusNotApplicable);
  EXPECT_EQ(textReference->TestValue(1.0f, Variant("abc")), kStatusNotApplicable);
  EXPECT_EQ(overflow->TestValue(1.0f, Variant(1e30)), kStatusNotApplicable);
  EXPECT_EQ(nullFormula->TestValue(1.0f, Variant::Null()), kStatusNotApplicable);
}

// ---- operand formulas -------------------------------------------------------------------------

TEST(Limit, OperandFormulasKeepSevenDigits) {
  struct Case {
    const char* operand;
    Single x;
    Single y;
    Single bound;
  };
  const Case cases[] = {
      {"Y", 7.0f, 3.0f, 3.0f},
      {"X*Y%", 1.1f, 3.0f, 0.033f},  // single precision alone gives 0.0330000035
      {"X+(X*Y%)", 200.0f, 10.0f, 220.0f},
      {"X*Y", 200.0f, 0.3f, 60.0f},  // single precision alone gives 60.0000038
      {"X+Y", 3.3f, -2.2f, 1.1f},    // single precision alone gives 1.0999999
      {"X+(X*Y)", 100.0f, 0.3f, 130.0f},
      {"", 7.0f, 3.0f, 3.0f},  // plain: the number itself
      {"CV", 7.0f, 3.0f, 3.0f},
      {"x*y", 7.0f, 3.0f, 7.0f},  // names are case-sensitive: unknown gives X
      {"Z", 7.0f, 3.0f, 7.0f},
  };
  for (const auto& c : cases) {
    auto limit = FixedLimit("K", c.y, {}, "", c.operand);
    EXPECT_EQ(limit->CalculateLimitValue(c.x, 2), c.bound) << c.operand;
  }
}

TEST(Limit, OperandOverflowIsWrappedAsUnexpected) {
  auto limit = FixedLimit("K", 1e30f, {}, "", "X*Y");
  EXPECT_EQ(test::ErrorNumberOf([&] { limit->CalculateLimitValue(1e30f, 0); }), err::kUnexpected);
}

TEST(Limit, SettingTypeOneCreatesReferenceOnceAndKeepsUserOperand) {
  auto limit = MakeRef<CLimit>();
  limit->SetLimitType(kLimitRelative);
  ASSERT_TRUE(limit->Reference());
  EXPECT_EQ(limit->Operand(), "X*Y%");
  const Ref<ILimitReference> reference = limit->Reference();
  limit->SetOperand(0, "X+Y");
  limit->SetLimitType(kLimitFixed);
  limit->SetLimitType(kLimitRelative);
  EXPECT_EQ(limit->Operand(), "X+Y");
  EXPECT_TRUE(SameObject(limit->Reference(), reference));
}

TEST(Limit, InitializeReadsNumbersAndLeavesEmptyTextsAlone) {
  auto limit = FixedLimit("old", 7.0f, 3.0f);
  limit->SetOperand(0, "X+Y");
  limit->Initialize("K", "V", " 1.5 ", "");
  EXPECT_EQ(limit->Key(), "K");
  EXPECT_EQ(limit->Unit(), "V");
  EXPECT_EQ(limit->Argument(2), 1.5f);
  EXPECT_EQ(limit->Argument(3), 3.0f);
  EXPECT_EQ(limit->Operand(), "X+Y");
  limit->Initialize("K", "V", "2.5x", "abc");  // not a number: the lenient parse
  EXPECT_EQ(limit->Argument(2), 2.5f);
  EXPECT_EQ(limit->Argument(3), 0.0f);
  EXPECT_TRUE(limit->Defined(1));
}

// ---- unit conversion --------------------------------------------------------------------------

TEST(Limit, ConversionAppliesAtIndexesZeroAndOneOnly) {
  auto limit = MakeRef<CLimit>();
  limit->Initialize(MakeRef<test::MilliConverter>(), "A");
  EXPECT_EQ(limit->Unit(), "mA");
  EXPECT_EQ(limit->InternalUnit(), "A");
  limit->SetArgument(0, 12.3456f);  // display unit in, internal unit stored
  limit->SetValue(3, 0.002f);       // stored as it stands
  EXPECT_FLOAT_EQ(limit->Argument(2), 0.0123456f);
  EXPECT_EQ(limit->Argument(0), 12.35f);  // to the nearest hundredth
  EXPECT_EQ(limit->Value(0), 12.3456f);   // the bound through a decimal number, not rounded
  EXPECT_EQ(limit->Argument(3), 0.002f);
  EXPECT_EQ(limit->Argument(1), 2.0f);
  EXPECT_TRUE(limit->Defined(0) && limit->Defined(3));
  // Measured values arrive in the internal unit.
  EXPECT_EQ(limit->TestValue(0.0123f, Variant()), kStatusPassed);
  EXPECT_EQ(limit->TestValue(0.0124f, Variant()), kStatusFailed);
  // Another unit: no conversion at any index.
  limit->SetUnit("µA");
  limit->SetArgument(0, 5.0f);
  EXPECT_EQ(limit->Argument(2), 5.0f);
}

TEST(Limit, UnitChangeMovesDefinedNumbersBetweenUnits) {
  auto limit = MakeRef<CLimit>();
  limit->Initialize(MakeRef<test::MilliConverter>(), "A");
  limit->SetArgument(2, 0.5f);
  limit->SetUnit("A");  // leaves the display unit: numbers to display form
  EXPECT_EQ(limit->Argument(2), 500.0f);
  EXPECT_EQ(limit->Argument(3), 0.0f);  // undefined numbers stay
  limit->SetUnit("A");                  // the same text changes nothing
  EXPECT_EQ(limit->Argument(2), 500.0f);
  limit->SetUnit("mA");  // back into the display unit: numbers to internal form
  EXPECT_EQ(limit->Argument(2), 0.5f);
}

// ---- XML --------------------------------------------------------------------------------------

TEST(Limit, LoadReadsValuesInDocumentOrder) {
  struct Case {
    const char* xml;
    std::optional<Single> high;
    std::optional<Single> low;
    const char* operand;
  };
  const Case cases[] = {
      {"<Limit Key='K'><Value>5</Value></Limit>", 5.0f, {}, ""},
      {"<Limit Key='K'><Value Type='Low'>1</Value><Value Type='Low'>2</Value></Limit>",
       {},
       2.0f,
       ""},
      {"<Limit Key='K'><Value Type='low'>1</Value></Limit>", 1.0f, {}, ""},
      {"<Limit Key='K'><Value>12abc</Value><Value Type='Low'>x</Value></Limit>", 12.0f, 0.0f, ""},
      {"<Limit Key='K'><Value Type='Low'></Value></Limit>", {}, {}, ""},
      {"<Limit Key='K'><Operand>X*Y</Operand><Value Operand='X+Y'> 3 </Value></Limit>",
       3.0f,
       {},
       "X+Y"},
      {"<Limit Key='K'><Value Operand=''>3</Value><Operand>X*Y</Operand></Limit>", 3.0f, {}, "X*Y"},
  };
  for (const auto& c : cases) {
    auto limit = MakeRef<CLimit>();
    limit->Load(Xml(c.xml), nullptr);
    EXPECT_EQ(limit->Defined(2), c.high.has_value()) << c.xml;
    EXPECT_EQ(limit->Defined(3), c.low.has_value()) << c.xml;
    EXPECT_EQ(limit->Argument(2), c.high.value_or(0.0f)) << c.xml;
    EXPECT_EQ(limit->Argument(3), c.low.value_or(0.0f)) << c.xml;
    EXPECT_EQ(limit->Operand(), c.operand) << c.xml;
  }
}

TEST(Limit, LoadWithoutKeyWarnsOnceAndKeepsTheLimit) {
  auto log = MakeRef<CollectingLog>();
  auto limit = MakeRef<CLimit>();
  limit->Load(Xml("<Limit><Unit>V</Unit><Value>4</Value></Limit>"), log);
  EXPECT_EQ(limit->Key(), "");
  EXPECT_EQ(limit->Argument(2), 4.0f);
  ASSERT_EQ(log->Entries().size(), 1u);
  EXPECT_EQ(log->Entries()[0].errNo, err::kLimitLoad);
  EXPECT_EQ(log->Entries()[0].level, 1);
  EXPECT_EQ(log->Entries()[0].messageKey.rfind("5065::A limit without measurement key", 0), 0u);
  EXPECT_NE(log->Entries()[0].section, 0);
  EXPECT_TRUE(log->AllSectionsClosed());
  EXPECT_EQ(log->StrayCloses(), 0);

  auto quiet = MakeRef<CLimit>();
  quiet->Load(Xml("<Limit/>"), nullptr);  // no log: no warning, no failure
  EXPECT_EQ(quiet->Key(), "");
}

TEST(Limit, LoadErrorsCloseTheSection) {
  auto log = MakeRef<CollectingLog>();
  auto limit = MakeRef<CLimit>();
  EXPECT_EQ(test::ErrorNumberOf([&] { limit->Load(Xml("<limit Key='K'/>"), log); }),
            err::kLimitLoad);
  EXPECT_EQ(test::ErrorNumberOf(
                [&] { limit->Load(Xml("<Limit Key='K'><Value>1e99</Value></Limit>"), log); }),
            err::kUnexpected);  // beyond single range: a clear error, not an infinite bound
  // Found by fuzzing: beyond double range too (it was kept as an infinite bound, saved as a text
  // that read back as 0).
  EXPECT_EQ(test::ErrorNumberOf(
                [&] { limit->Load(Xml("<Limit Key='K'><Value>-3.5e777</Value></Limit>"), log); }),
            err::kUnexpected);
  EXPECT_EQ(test::ErrorNumberOf([&] { limit->Load(nullptr, log); }), err::kUnexpected);
  EXPECT_EQ(log->Sections().size(), 4u);
  EXPECT_TRUE(log->AllSectionsClosed());
}

TEST(Limit, LoadResetsEverythingButTheInternalUnit) {
  auto limit = MakeRef<CLimit>();
  limit->Initialize(MakeRef<test::MilliConverter>(), "A");
  limit->SetLimitType(kLimitRelative);
  limit->SetArgument(2, 1.0f);
  limit->Load(Xml("<Limit Key='K'><Value Type='Low'>2</Value></Limit>"), nullptr);
  EXPECT_EQ(limit->LimitType(), kLimitFixed);
  EXPECT_FALSE(limit->Reference());
  EXPECT_FALSE(limit->Converter());
  EXPECT_FALSE(limit->Defined(0));
  EXPECT_EQ(limit->Operand(), "");
  EXPECT_EQ(limit->Unit(), "");
  EXPECT_EQ(limit->InternalUnit(), "A");
}

TEST(Limit, SaveWritesItemsInOrderAndLoadsBack) {
  auto limit = FixedLimit("Leak", 0.5f, -0.25f, "mA", "X+(X*Y%)");
  limit->SetLimitType(kLimitRelative);
  limit->SetOperand(0, "X+(X*Y%)");
  limit->Reference()->SetTestID(12);
  limit->Reference()->SetMeasKey("I");
  const Ref<IXmlElement> saved = limit->Save(CreateXmlDocument());
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->TagName(), "Limit");
  EXPECT_EQ(saved->GetAttribute("Key"), "Leak");
  std::vector<String> tags;
  for (Long i = 0; i < saved->ChildNodes()->NodeCount(); ++i) {
    tags.push_back(QueryInterface<IXmlElement>(saved->ChildNodes()->NodeAt(i))->TagName());
  }
  EXPECT_EQ(tags, (std::vector<String>{"Unit", "Operand", "Value", "Value", "Reference"}));
  const auto high = QueryInterface<IXmlElement>(saved->ChildNodes()->NodeAt(2));
  EXPECT_EQ(high->ElementText(), "0.5");
  EXPECT_EQ(high->GetAttribute("Type"), "High");
  EXPECT_EQ(high->GetAttribute("Operand"), "X+(X*Y%)");

  auto back = MakeRef<CLimit>();
  back->Load(saved, nullptr);
  EXPECT_EQ(back->Key(), "Leak");
  EXPECT_EQ(back->Unit(), "mA");
  EXPECT_EQ(back->Operand(), "X+(X*Y%)");
  EXPECT_EQ(back->LimitType(), kLimitRelative);
  EXPECT_EQ(back->Argument(2), 0.5f);
  EXPECT_EQ(back->Argument(3), -0.25f);
  EXPECT_EQ(back->Reference()->TestID(), 12);
  EXPECT_EQ(back->Reference()->MeasKey(), "I");
}

TEST(Limit, SaveWritesTheInternalUnitWhenConverting) {
  auto limit = MakeRef<CLimit>();
  limit->Initialize(MakeRef<test::MilliConverter>(), "A");
  limit->SetArgument(0, 20.0f);
  const Ref<IXmlElement> saved = limit->Save(CreateXmlDocument());
  EXPECT_EQ(saved->FindChild("Unit")->ElementText(), "A");
  EXPECT_EQ(saved->FindChild("Value")->ElementText(), "0.02");
  EXPECT_EQ(saved->GetAttribute("Key"), "");  // an empty key is not written
}

TEST(Limit, SaveFailuresRaiseTheSaveError) {
  auto limit = FixedLimit("K", 1.0f);
  limit->SetLimitType(kLimitRelative);
  auto always = test::MakeAlwaysFailingXmlDocument();
  EXPECT_EQ(test::ErrorNumberOf([&] { limit->Save(always); }), err::kLimitSave);
  auto noReference = MakeRef<test::FailingXmlDocument>();
  noReference->FailForTag("Reference");
  EXPECT_EQ(test::ErrorNumberOf([&] { limit->Save(noReference); }), err::kLimitSave);
}

// ---- copies -----------------------------------------------------------------------------------

TEST(Limit, CloneCopiesNumbersReferenceAndConverter) {
  auto relative = MakeRef<CLimit>();
  relative->Initialize(MakeRef<test::MilliConverter>(), "A");
  relative->Initialize("K", "%", "110", "90");
  relative->SetLimitType(kLimitRelative);
  relative->Reference()->SetTestID(7);
  relative->Reference()->SetMeasKey("I");
  const auto copy = QueryInterface<CLimit>(relative->Clone());
  ASSERT_TRUE(copy);
  EXPECT_FALSE(SameObject(copy, relative));
  EXPECT_EQ(copy->Argument(2), 110.0f);  // the numbers, not the (unresolvable) bounds
  EXPECT_EQ(copy->Argument(3), 90.0f);
  EXPECT_EQ(copy->Operand(), "X*Y%");
  EXPECT_FALSE(SameObject(copy->Reference(), relative->Reference()));
  EXPECT_EQ(copy->Reference()->TestID(), 7);
  EXPECT_TRUE(SameObject(copy->Converter(), relative->Converter()));
  EXPECT_EQ(copy->InternalUnit(), "A");
  copy->SetArgument(2, 1.0f);
  EXPECT_EQ(relative->Argument(2), 110.0f);
}

// ---- report row -------------------------------------------------------------------------------

Variant InfoRow(const String& key, const String& name, const String& format,
                const Ref<IUnknown>& measurement = nullptr) {
  return Variant::Array({key, name, format, Variant(measurement)});
}

TEST(Limit, ReportRowNamesFormatsAndUnits) {
  auto report = MakeRef<test::RecordingReport>();
  auto judging = MakeRef<test::FakeStandardMeasurement>();
  judging->unit = "µA";
  judging->limitTextByStandard[{"IEC", 0}] = Variant("< 100");
  const Ref<IStandard> iec = test::Standard("IEC", "62353");
  const Variant info =
      Variant::Array({InfoRow("Other", "x", ""), InfoRow("Leak", "Leak|age;{x}", "0.000"),
                      InfoRow("Judged", "Judged", "0.0", judging)});
  struct Case {
    Ref<CLimit> limit;
    const char* row;
  };
  const Case cases[] = {
      {FixedLimit("Leak", 1.5f, 0.25f, "mA"), "|      Leak age,(x)|1.500|0.250|mA;"},
      {FixedLimit("Leak", {}, 0.25f, "mA"), "|      Leak age,(x)||0.250|mA;"},
      {FixedLimit("Missing", 2.5f, {}, "V"), "|      Missing|2.5||V;"},
      {FixedLimit("Judged", 100.0f, {}, "mA"), "|      Judged|< 100||µA;"},
      {FixedLimit("Leak", {}, {}, "mA"), ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.limit->ReportRow(report, info, iec), c.row) << c.row;
  }
  ASSERT_EQ(judging->limitTextCalls.size(), 1u);
  EXPECT_EQ(judging->limitTextCalls[0].second, 3);
}

TEST(Limit, ReportRowUnitOfConvertedAndRelativeLimits) {
  auto report = MakeRef<test::RecordingReport>();
  auto converted = MakeRef<CLimit>();
  converted->Initialize(MakeRef<test::MilliConverter>(), "A");
  converted->Initialize("I", "mA", "", "");
  converted->SetArgument(0, 12.5f);
  EXPECT_EQ(converted->ReportRow(report, Variant(), nullptr), "|      I|12.5||mA;");

  // A relative "%" limit shows the unit of the referenced measurement of the same key.
  auto root = test::MakeContainer(1);
  auto source = test::MakeElement(
      2, test::MakeResult(kStatusPassed, {test::MakeMeasurement("I", 200.0, kValueFloat, "V")}));
  auto start = test::MakeElement(3);
  root->Add(source);
  root->Add(start);
  auto relative = FixedLimit("I", 110.0f, {}, "%");
  relative->SetLimitType(kLimitRelative);
  relative->Reference()->SetTestID(2);
  relative->Reference()->SetMeasKey("I");
  relative->UpdateReference(start);
  EXPECT_EQ(relative->ReportRow(report, Variant(), nullptr), "|      I|220||V;");
  // Unresolved: the bound and the unit are left empty, nothing is raised.
  auto unresolved = FixedLimit("I", 110.0f, {}, "%");
  unresolved->SetLimitType(kLimitRelative);
  EXPECT_EQ(unresolved->ReportRow(report, Variant(), nullptr), "|      I|||;");
}

}  // namespace
}  // namespace velko
