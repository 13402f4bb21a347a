#include <gtest/gtest.h>

#include "limits_fixtures.hpp"
#include "support/error_helpers.hpp"
#include "support/failing_xml.hpp"
#include "support/recording_report.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/outside/progress_log.hpp"

namespace velko {
namespace {

using test::FixedLimit;
using test::Xml;

String Keys(const Ref<IStandard>& standard) {
  String keys;
  const Ref<ILimitColl> limits = standard->Limits();
  if (!limits) return keys;
  for (Long i = 1; i <= limits->Count(); ++i)
    keys += limits->Item(i)->Key();
  return keys;
}

TEST(Standard, StartsUserDefinedWithoutLimits) {
  auto standard = MakeRef<CStandard>();
  EXPECT_EQ(standard->StandardType(), kStandardUserDefined);
  EXPECT_FALSE(standard->Limits());
  EXPECT_EQ(standard->TestLimits("K", 1.0f, Variant()), kStatusNotApplicable);
  standard->AddLimit(nullptr);
  EXPECT_FALSE(standard->Limits());
}

TEST(Standard, TestLimitsCombinesTheLimitsOfTheKey) {
  // Measured value 5: "pass" has High 10, "fail" High 1, "none" no number (no verdict).
  const auto pass = [] { return FixedLimit("K", 10.0f); };
  const auto fail = [] { return FixedLimit("K", 1.0f); };
  const auto none = [] { return FixedLimit("K", {}); };
  struct Case {
    const char* name;
    std::vector<Ref<ILimit>> limits;
    const char* key;
    Long verdict;
  };
  const Case cases[] = {
      {"pass then fail", {pass(), fail()}, "K", kStatusFailed},
      {"fail then pass", {fail(), pass()}, "K", kStatusFailed},
      {"no verdict then pass", {none(), pass()}, "K", kStatusPassed},
      {"no verdict alone counts as passed", {none()}, "K", kStatusPassed},
      {"other key only", {fail()}, "L", kStatusNotApplicable},
      {"keys are case-sensitive", {fail()}, "k", kStatusNotApplicable},
  };
  for (const auto& c : cases) {
    auto standard = MakeRef<CStandard>();
    for (const auto& limit : c.limits)
      standard->AddLimit(limit);
    EXPECT_EQ(standard->TestLimits(c.key, 5.0f, Variant()), c.verdict) << c.name;
  }
}

// A limit of a plug-in's own class whose judging empties the standard that judges it.
class EmptyingLimit final : public CLimit {
 public:
  explicit EmptyingLimit(Ref<IStandard> standard) : standard_(std::move(standard)) {}
  Long TestValue(Single, const Variant&) override {
    standard_->Limits()->Clear();
    standard_ = nullptr;  // breaks the cycle
    return kStatusPassed;
  }

 private:
  Ref<IStandard> standard_;
};

TEST(Standard, TestLimitsSurvivesALimitThatChangesTheStandard) {
  auto standard = test::Standard("S", "s", {FixedLimit("K", 10.0f)});
  auto emptying = MakeRef<EmptyingLimit>(standard);
  emptying->Initialize("K", "", "", "");
  standard->AddLimit(emptying);
  standard->AddLimit(FixedLimit("K", 1.0f));  // removed before its turn: never judged
  EXPECT_EQ(standard->TestLimits("K", 5.0f, Variant()), kStatusPassed);
  EXPECT_EQ(standard->Limits()->Count(), 0);
  EXPECT_EQ(standard->TestLimits("K", 5.0f, Variant()), kStatusNotApplicable);
}

TEST(Standard, AddLimit2AndMoveLimitPlaceLimits) {
  auto standard = test::Standard("S", "s", {FixedLimit("A", 1.0f), FixedLimit("B", 1.0f)});
  standard->AddLimit2(FixedLimit("C", 1.0f), 1, 0);
  standard->AddLimit2(FixedLimit("D", 1.0f), 0, 1);
  standard->AddLimit2(FixedLimit("E", 1.0f));
  standard->AddLimit2(FixedLimit("F", 1.0f), 99, 0);  // no such place: nothing happens
  EXPECT_EQ(Keys(standard), "CDABE");

  struct Case {
    std::initializer_list<const char*> keys;
    Long before;
    Long after;
    const char* result;
  };
  const Case cases[] = {
      {{"A", "B", "K"}, 1, 0, "KAB"},
      {{"A", "B", "K"}, 0, 1, "AKB"},
      {{"K", "A", "B"}, 0, 2, "ABK"},
      {{"A", "K", "B", "K"}, 1, 0, "KKAB"},  // every limit of the key moves
      {{"A", "B", "K"}, 9, 0, "ABK"},        // no such place: the limit stays where it was
      {{"A", "K", "B"}, 0, 3, "AKB"},
  };
  for (const auto& c : cases) {
    auto moved = MakeRef<CStandard>();
    for (const char* key : c.keys)
      moved->AddLimit(FixedLimit(key, 1.0f));
    moved->MoveLimit("K", c.before, c.after);
    EXPECT_EQ(Keys(moved), c.result) << c.result;
  }
  auto empty = MakeRef<CStandard>();
  empty->MoveLimit("K", 1, 0);
  EXPECT_FALSE(empty->Limits());
}

TEST(Standard, LoadReadsNamesTypeAndLimits) {
  struct Case {
    const char* xml;
    Long type;
    const char* keys;
  };
  const Case cases[] = {
      {"<Standard AlphaName='A' CompleteName='B' Type='Predefined'/>", kStandardPredefined, ""},
      {"<Standard AlphaName='A' Type='predefined'><Limit Key='X'/><Other/><Limit Key='Y'/>"
       "</Standard>",
       kStandardUserDefined, "XY"},
      {"<Standard CompleteName='B'><Limit Key='X'/></Standard>", kStandardUserDefined, "X"},
  };
  for (const auto& c : cases) {
    auto standard = MakeRef<CStandard>();
    standard->AddLimit(FixedLimit("old", 1.0f));
    standard->Load(Xml(c.xml), nullptr);
    EXPECT_EQ(standard->StandardType(), c.type) << c.xml;
    EXPECT_EQ(Keys(standard), c.keys) << c.xml;
    EXPECT_EQ(standard->Limits().IsNone(), String(c.keys).empty()) << c.xml;
  }
}

TEST(Standard, LoadErrors) {
  auto log = MakeRef<CollectingLog>();
  auto standard = MakeRef<CStandard>();
  const Error noName = test::CaughtError(
      [&] { standard->Load(Xml("<Standard Type='Predefined'><Limit Key='X'/></Standard>"), log); });
  EXPECT_EQ(noName.Number(), err::kStandardNoName);
  EXPECT_EQ(noName.Source(), "VelkoCore.CStandard");
  ASSERT_EQ(log->Entries().size(), 1u);
  EXPECT_EQ(log->Entries()[0].errNo, err::kStandardNoName);
  EXPECT_EQ(log->Entries()[0].level, 2);
  EXPECT_EQ(log->Entries()[0].messageKey.rfind("5066::", 0), 0u);
  EXPECT_EQ(test::ErrorNumberOf([&] { standard->Load(Xml("<Standard/>"), nullptr); }),
            err::kStandardNoName);
  EXPECT_EQ(test::ErrorNumberOf([&] { standard->Load(Xml("<Standards AlphaName='A'/>"), log); }),
            err::kStandardWrongTag);
  EXPECT_EQ(log->Entries().size(), 1u);
  EXPECT_TRUE(log->AllSectionsClosed());
  EXPECT_EQ(log->StrayCloses(), 0);
}

TEST(Standard, SaveWritesTypeOnlyWhenPredefined) {
  auto standard = test::Standard("A", "B", {FixedLimit("X", 1.0f), FixedLimit("Y", 2.0f)});
  Ref<IXmlElement> saved = standard->Save(CreateXmlDocument());
  EXPECT_EQ(saved->GetAttribute("AlphaName"), "A");
  EXPECT_EQ(saved->GetAttribute("CompleteName"), "B");
  EXPECT_EQ(saved->GetAttribute("Type"), "");
  EXPECT_EQ(saved->ChildNodes()->NodeCount(), 2);
  standard->Initialize("A", "", kStandardPredefined);
  saved = standard->Save(CreateXmlDocument());
  EXPECT_EQ(saved->GetAttribute("Type"), "Predefined");
  EXPECT_EQ(saved->GetAttribute("CompleteName"), "");

  auto always = test::MakeAlwaysFailingXmlDocument();
  EXPECT_EQ(test::ErrorNumberOf([&] { standard->Save(always); }), err::kStandardSave);
  auto noLimit = MakeRef<test::FailingXmlDocument>();
  noLimit->FailForTag("Limit");
  EXPECT_EQ(test::ErrorNumberOf([&] { standard->Save(noLimit); }), err::kLimitSave);
}

TEST(Standard, CloneIsDeep) {
  auto standard = test::Standard("A", "B", {FixedLimit("X", 1.0f)});
  standard->Initialize("A", "B", kStandardPredefined);
  const Ref<IStandard> copy = standard->Clone();
  EXPECT_EQ(copy->AlphaName(), "A");
  EXPECT_EQ(copy->CompleteName(), "B");
  EXPECT_EQ(copy->StandardType(), kStandardPredefined);
  EXPECT_FALSE(SameObject(copy->Limits(), standard->Limits()));
  copy->Limits()->Item(1)->SetArgument(2, 5.0f);
  EXPECT_EQ(standard->Limits()->Item(1)->Argument(2), 1.0f);
  EXPECT_FALSE(MakeRef<CStandard>()->Clone()->Limits());
}

TEST(Standard, ReportTextHasAHeadingAndOneRowPerDefinedLimit) {
  auto report = MakeRef<test::RecordingReport>();
  auto standard = test::Standard(
      "IEC|1", "Part {2}",
      {FixedLimit("X", 1.0f, {}, "V"), FixedLimit("Y", {}), FixedLimit("Z", {}, 2.0f, "A")});
  EXPECT_EQ(standard->ReportText(report, Variant()),
            "|{\\i       IEC 1 - Part (2)};|      X|1||V;|      Z||2|A;");
  EXPECT_EQ(standard->ReportText(nullptr, Variant()), "");
  EXPECT_EQ(MakeRef<CStandard>()->ReportText(report, Variant()), "");
}

}  // namespace
}  // namespace velko
