#include "velko/limits/standard_coll.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "limits_fixtures.hpp"
#include "support/error_helpers.hpp"
#include "support/failing_xml.hpp"
#include "support/recording_report.hpp"
#include "support/test_paths.hpp"
#include "support/tree_doubles.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/frame/numeric.hpp"
#include "velko/outside/progress_log.hpp"
#include "velko/outside/xml.hpp"

namespace velko {
namespace {

using test::FixedLimit;
using test::Standard;
using test::Xml;

String Names(const Ref<IStandardColl>& standards) {
  if (!standards) return "none";
  String names;
  for (const auto& s : EnumRange<IStandard>(standards->NewEnum()))
    names += s->AlphaName() + ";";
  return names;
}

Ref<CStandardColl> Collection(std::initializer_list<Ref<IStandard>> standards) {
  auto coll = MakeRef<CStandardColl>();
  for (const auto& s : standards)
    coll->Add(s);
  return coll;
}

// ---- keyed list -------------------------------------------------------------------------------

TEST(StandardColl, KeysIgnoreLetterCaseUnicodeIncluded) {
  auto coll = Collection({Standard("A", "B"), Standard("Ärzte", "Übersicht")});
  struct Case {
    const char* alpha;
    const char* complete;
  };
  for (const Case& c : {Case{"a", "b"}, Case{"A", "B"}, Case{"ärzte", "übersicht"}}) {
    const Error e = test::CaughtError([&] { coll->Add(Standard(c.alpha, c.complete)); });
    EXPECT_EQ(e.Number(), err::kStandardPresent) << c.alpha;
    EXPECT_EQ(e.Source(), "VelkoCore.CStandardColl");
  }
  coll->Add(Standard("A::B", ""));  // a different key, although the texts join alike
  coll->Add(nullptr);
  EXPECT_EQ(coll->Count(), 3);
  EXPECT_TRUE(SameObject(coll->Item(0, "a", "B"), coll->Item(1, "", "")));
  EXPECT_TRUE(SameObject(coll->Item(0, "ÄRZTE", "übersicht"), coll->Item(2)));
  EXPECT_TRUE(SameObject(coll->Item(3, "A", "B"), coll->Item(0, "A::B", "")));  // position wins
  EXPECT_FALSE(coll->Item(4));
  EXPECT_FALSE(coll->Item(0, "X", "Y"));
}

TEST(StandardColl, RemoveAndClear) {
  auto coll = Collection({Standard("A", "B")});
  const Error e = test::CaughtError([&] { coll->Remove("X", "Y"); });
  EXPECT_EQ(e.Number(), err::kStandardNotFound);
  EXPECT_EQ(e.Source(), "VelkoCore.CStandardColl");
  coll->Remove("a", "b");
  EXPECT_EQ(coll->Count(), 0);
  EXPECT_FALSE(coll->Save(CreateXmlDocument()));
  EXPECT_EQ(Names(coll), "");
  coll->Add(Standard("A", "B"));
  coll->Clear();
  EXPECT_EQ(coll->Count(), 0);
}

TEST(StandardColl, SelectSharesTheOwnStandardsInSelectionOrder) {
  auto p = Standard("P", "p");
  auto q = Standard("Q", "q");
  auto coll = Collection({p, Standard("X", "x"), q});
  auto selection = Collection({Standard("q", "Q"), Standard("R", "r"), Standard("P", "p")});
  const Ref<IStandardColl> selected = coll->Select(selection);
  EXPECT_EQ(Names(selected), "Q;P;");
  EXPECT_TRUE(SameObject(selected->Item(1), q));
  EXPECT_TRUE(SameObject(selected->Item(2), p));
  EXPECT_EQ(Names(coll->Select(Collection({Standard("R", "r")}))), "");
  EXPECT_FALSE(coll->Select(nullptr));
  EXPECT_FALSE(coll->Select(MakeRef<CStandardColl>()));
  EXPECT_FALSE(MakeRef<CStandardColl>()->Select(selection));
}

TEST(StandardColl, FindFailedStandards) {
  auto s = Standard("S", "s", {FixedLimit("I", 1.0f)});
  auto t = Standard("T", "t", {FixedLimit("I", 10.0f)});
  auto coll = Collection({s, t});
  auto selection = Collection({Standard("T", "t"), Standard("S", "s"), Standard("U", "u")});
  const auto failing = test::MakeMeasurement("I", 5.0);
  EXPECT_EQ(Names(coll->FindFailedStandards(failing, selection)), "S;");
  EXPECT_TRUE(SameObject(coll->FindFailedStandards(failing, selection)->Item(1), s));
  EXPECT_EQ(Names(coll->FindFailedStandards(test::MakeMeasurement("I", 0.5), selection)), "none");
  // The preset value is the reference value of the limits.
  auto percent = Standard("P", "p", {FixedLimit("I", 10.0f, {}, "%")});
  auto percentColl = Collection({percent});
  auto measured = test::MakeMeasurement("I", 230.0);
  measured->presetValue = 200.0;
  EXPECT_EQ(Names(percentColl->FindFailedStandards(measured, percentColl)), "P;");
  measured->value = 220.0;
  EXPECT_EQ(Names(percentColl->FindFailedStandards(measured, percentColl)), "none");
  // A measurement that judges itself is asked, not the limits.
  auto judging = MakeRef<test::FakeStandardMeasurement>();
  judging->key = "I";
  judging->value = 0.0;
  judging->statusByStandard["T"] = kStatusFailed;
  EXPECT_EQ(Names(coll->FindFailedStandards(judging, selection)), "T;");
  EXPECT_FALSE(coll->FindFailedStandards(nullptr, selection));
  EXPECT_FALSE(coll->FindFailedStandards(failing, nullptr));
  EXPECT_FALSE(MakeRef<CStandardColl>()->FindFailedStandards(failing, selection));
  auto textual = test::MakeMeasurement("I", "not a number", kValueText);
  EXPECT_FALSE(coll->FindFailedStandards(textual, selection));  // nothing raised
}

TEST(StandardColl, UpdateReferencesResolvesEveryRelativeLimit) {
  auto root = test::MakeContainer(1);
  auto start = test::MakeElement(2);
  root->Add(
      test::MakeElement(3, test::MakeResult(kStatusPassed, {test::MakeMeasurement("I", 4.0)})));
  root->Add(start);
  const auto relative = [](Long id) {
    auto limit = FixedLimit("I", 50.0f);
    limit->SetLimitType(kLimitRelative);
    limit->Reference()->SetTestID(id);
    limit->Reference()->SetMeasKey("I");
    return limit;
  };
  auto broken = relative(99);
  auto first = relative(3);
  auto second = relative(3);
  auto coll = Collection(
      {Standard("A", "a", {broken, first}), Standard("B", "b"), Standard("C", "c", {second})});
  coll->UpdateReferences(start);  // the unresolvable one is skipped
  EXPECT_EQ(first->Value(2), 2.0f);
  EXPECT_EQ(second->Value(2), 2.0f);
  EXPECT_FALSE(broken->Reference()->Test());
}

// ---- XML --------------------------------------------------------------------------------------

TEST(StandardColl, LoadLogsDuplicatesAndGoesOn) {
  auto log = MakeRef<CollectingLog>();
  auto coll = MakeRef<CStandardColl>();
  auto file = CreateXmlFile();
  file->Open(test::TestDataPath("limits/troubled_standards.xml"));
  coll->Load(file->Document()->DocumentElement(), log);
  EXPECT_EQ(Names(coll), "IEC 62353;Ärzte;");
  const Ref<IStandard> iec = coll->Item(1);
  EXPECT_EQ(iec->StandardType(), kStandardPredefined);
  ASSERT_EQ(iec->Limits()->Count(), 3);
  EXPECT_EQ(iec->Limits()->Item(1)->Unit(), "Ω");
  EXPECT_EQ(iec->Limits()->Item(2)->Key(), "");
  EXPECT_EQ(iec->Limits()->Item(3)->Argument(2), 0.0f);  // "0,5 mA": the comma ends the number
  EXPECT_EQ(iec->Limits()->Item(3)->Argument(3), 0.0f);

  std::vector<std::pair<Long, Long>> logged;
  for (const auto& entry : log->Entries())
    logged.emplace_back(entry.errNo, entry.level);
  EXPECT_EQ(logged,
            (std::vector<std::pair<Long, Long>>{
                {err::kLimitLoad, 1}, {err::kStandardPresent, 2}, {err::kStandardPresent, 2}}));
  EXPECT_EQ(log->Entries()[1].messageKey,
            "5057::A standard occurred twice in this limit data. The second standard cannot be "
            "loaded.");
  EXPECT_TRUE(log->AllSectionsClosed());
  EXPECT_EQ(log->StrayCloses(), 0);
}

TEST(StandardColl, AFailingLoadKeepsTheCollection) {
  auto log = MakeRef<CollectingLog>();
  auto coll = Collection({Standard("Kept", "k")});
  const Error e = test::CaughtError([&] {
    coll->Load(Xml("<Standards><Standard AlphaName='New'/><Standard/></Standards>"), log);
  });
  EXPECT_EQ(e.Number(), err::kUnexpected);
  EXPECT_EQ(e.Source(), "VelkoCore.CStandardColl");
  EXPECT_EQ(Names(coll), "Kept;");
  ASSERT_EQ(log->Entries().size(), 1u);
  EXPECT_EQ(log->Entries()[0].errNo, err::kStandardNoName);
  EXPECT_TRUE(log->AllSectionsClosed());

  coll->Load(Xml("<Anything><Other/></Anything>"), nullptr);  // the tag is not examined
  EXPECT_EQ(coll->Count(), 0);
}

TEST(StandardColl, SaveFailures) {
  auto coll = Collection({Standard("A", "a", {FixedLimit("I", 1.0f)})});
  auto always = test::MakeAlwaysFailingXmlDocument();
  EXPECT_EQ(test::ErrorNumberOf([&] { coll->Save(always); }), err::kStandardSave);
  auto noStandard = MakeRef<test::FailingXmlDocument>();
  noStandard->FailForTag("Standard");
  EXPECT_EQ(test::ErrorNumberOf([&] { coll->Save(noStandard); }), err::kStandardSave);
  auto noLimit = MakeRef<test::FailingXmlDocument>();
  noLimit->FailForTag("Limit");
  EXPECT_EQ(test::ErrorNumberOf([&] { coll->Save(noLimit); }), err::kUnexpected);
}

// Everything a standards file carries, as one text per standard.
String Describe(const Ref<IStandardColl>& coll) {
  String text;
  for (const auto& s : EnumRange<IStandard>(coll->NewEnum())) {
    text += s->AlphaName() + "|" + s->CompleteName() + "|" + std::to_string(s->StandardType());
    const Ref<ILimitColl> limits = s->Limits();
    for (Long i = 1; limits && i <= limits->Count(); ++i) {
      const Ref<ILimit> l = limits->Item(i);
      text += " [" + l->Key() + " " + l->Unit() + " " + l->Operand() + " " +
              std::to_string(l->LimitType());
      for (Long index : {2, 3}) {
        text += l->Defined(index) ? " " + FormatNumber(l->Argument(index)) : " -";
      }
      if (const auto r = l->Reference())
        text += " ref " + std::to_string(r->TestID()) + ":" + r->MeasKey();
      text += "]";
    }
    text += "\n";
  }
  return text;
}

TEST(StandardColl, AStandardsFileLoadsBackEqual) {
  auto relative = FixedLimit("Leak", 110.0f, 90.5f, "%");
  relative->SetLimitType(kLimitRelative);
  relative->Reference()->SetTestID(42);
  relative->Reference()->SetMeasKey("I <1>");
  auto predefined =
      Standard("IEC 60601", "Medical & electrical",
               {FixedLimit("Earth", 0.1f, {}, "Ω"), FixedLimit("Insulation", {}, 2e6f, "MΩ", "CV"),
                FixedLimit("Ratio", 5.0f, -5.0f, "", "X+(X*Y%)"), relative});
  predefined->Initialize("IEC 60601", "Medical & electrical", kStandardPredefined);
  auto original = Collection(
      {predefined, Standard("Own", "", {FixedLimit("Ö", 1e-7f)}), Standard("Empty", "no limits")});

  const auto dir = test::MakeTempDir("velko-limits");
  const String path = dir + "/standards.xml";
  auto file = CreateXmlFile();
  file->Document()->SetDocumentElement(original->Save(file->Document()));
  file->Save(path);

  auto reopened = CreateXmlFile();
  reopened->Open(path);
  auto loaded = MakeRef<CStandardColl>();
  auto log = MakeRef<CollectingLog>();
  loaded->Load(reopened->Document()->DocumentElement(), log);
  std::filesystem::remove_all(dir);

  EXPECT_EQ(Describe(loaded), Describe(original));
  EXPECT_TRUE(log->Entries().empty());
  EXPECT_EQ(loaded->Item(0, "iec 60601", "MEDICAL & ELECTRICAL")->Limits()->Item(4)->Argument(3),
            90.5f);
}

// ---- limits table -----------------------------------------------------------------------------

TEST(StandardColl, TableFormatFitsThePageWidth) {
  struct Case {
    Long pageWidth;
    const char* format;
  };
  const Case cases[] = {
      {8000, "<560|<+2240|>+1160|>+1160|^+1160|<!1160|<+560;"},
      {3363, "<560|<+2240|>+0|>+0|^+0|<!0|<+560;"},
  };
  auto report = MakeRef<test::RecordingReport>();
  for (const auto& c : cases) {
    report->pageWidth = c.pageWidth;
    const auto [format, heading] = CStandardColl::TableHeader(report);
    EXPECT_EQ(format, c.format);
    EXPECT_EQ(heading, "|{\\i\\b Limits:}|{\\i\\b High value}|{\\i\\b Low value}|{\\i\\b Unit};");
  }
  ASSERT_FALSE(report->Calls("PageWidth").empty());
  EXPECT_EQ(report->Calls("PageWidth")[0].Arg(0), "10");
}

TEST(StandardColl, PrintReportPrintsTheSelectedStandards) {
  auto coll = Collection({Standard("A", "a", {FixedLimit("I", 1.0f)}),
                          Standard("B", "b", {FixedLimit("J", {}, 2.0f)}), Standard("C", "c")});
  auto report = MakeRef<test::RecordingReport>();
  report->pageWidth = 8000;
  coll->PrintReport(
      report, Collection({Standard("b", "B"), Standard("C", "c"), Standard("A", "a")}), Variant());
  const auto tables = report->Calls("PrintTable");
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(tables[0].Arg(2), "|{\\i       B - b};|      J||2|;|{\\i       A - a};|      I|1||;");
  EXPECT_EQ(report->Transcript().substr(0, report->Transcript().find("PrintTable")),
            "SetStyle(10)\nSetTableStyle(0)\nSetTableMode(1)\n");

  report->Clear();
  coll->PrintReport(report, Collection({Standard("C", "c")}), Variant());  // no limits: no table
  coll->PrintReport(report, nullptr, Variant());
  EXPECT_EQ(report->Calls("PrintTable").size(), 1u);  // without selection: every standard
  coll->PrintReport(nullptr, nullptr, Variant());
}

TEST(StandardColl, CloneIsDeepAndSkipsNothing) {
  auto coll = Collection({Standard("A", "a", {FixedLimit("I", 1.0f)}), Standard("B", "b")});
  const Ref<IStandardColl> copy = coll->Clone();
  EXPECT_EQ(Describe(copy), Describe(coll));
  EXPECT_FALSE(SameObject(copy->Item(1), coll->Item(1)));
  EXPECT_EQ(MakeRef<CStandardColl>()->Clone()->Count(), 0);
}

}  // namespace
}  // namespace velko
