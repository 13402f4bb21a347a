#include <gtest/gtest.h>

#include "limits_fixtures.hpp"
#include "support/error_helpers.hpp"
#include "support/failing_xml.hpp"
#include "support/tree_doubles.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/outside/progress_log.hpp"

namespace velko {
namespace {

using test::FixedLimit;
using test::Xml;

String Keys(ILimitColl& limits) {
  String keys;
  for (const auto& limit : EnumRange<ILimit>(limits.NewEnum()))
    keys += limit->Key();
  return keys;
}

Ref<CLimitColl> Collection(std::initializer_list<const char*> keys) {
  auto limits = CreateLimitColl();
  for (const char* key : keys)
    limits->Add(FixedLimit(key, 1.0f));
  return limits;
}

// ---- limit collection -------------------------------------------------------------------------

TEST(LimitColl, PositionsOutsideTheListAreNoneAndIgnored) {
  auto limits = Collection({"A", "B", "C"});
  EXPECT_FALSE(limits->Item(0));
  EXPECT_FALSE(limits->Item(4));
  EXPECT_EQ(limits->Item(3)->Key(), "C");
  limits->Remove(99);
  limits->Remove(0);
  EXPECT_EQ(Keys(*limits), "ABC");
  limits->Remove(2);
  EXPECT_EQ(Keys(*limits), "AC");
  limits->Remove(1);
  limits->Remove(1);
  EXPECT_EQ(limits->Count(), 0);
  EXPECT_EQ(Keys(*limits), "");
  limits->Add(nullptr);  // none is never held
  EXPECT_EQ(limits->Count(), 0);
}

TEST(LimitColl, InsertLimitPlacesBeforeWinsOverAfter) {
  struct Case {
    Long before;
    Long after;
    const char* keys;
  };
  const Case cases[] = {{1, 0, "xABC"}, {3, 0, "ABxC"}, {0, 2, "ABxC"},
                        {0, 3, "ABCx"}, {0, 0, "ABCx"}, {2, 3, "AxBC"}};
  for (const auto& c : cases) {
    auto limits = Collection({"A", "B", "C"});
    limits->InsertLimit(FixedLimit("x", 1.0f), c.before, c.after);
    EXPECT_EQ(Keys(*limits), c.keys) << c.before << "/" << c.after;
  }
  auto limits = Collection({"A", "B", "C"});
  EXPECT_EQ(test::ErrorNumberOf([&] { limits->InsertLimit(FixedLimit("x", 1.0f), 4, 0); }),
            err::kUnexpected);
  EXPECT_EQ(test::ErrorNumberOf([&] { limits->InsertLimit(FixedLimit("x", 1.0f), 0, 4); }),
            err::kUnexpected);
  EXPECT_EQ(Keys(*limits), "ABC");
  const auto same = FixedLimit("y", 1.0f);  // one limit may be held twice
  limits->Add(same);
  limits->Add(same);
  EXPECT_EQ(Keys(*limits), "ABCyy");
}

TEST(LimitColl, CloneIsDeep) {
  auto limits = Collection({"A", "B"});
  const Ref<ILimitColl> copy = limits->Clone();
  ASSERT_EQ(copy->Count(), 2);
  EXPECT_FALSE(SameObject(copy->Item(1), limits->Item(1)));
  EXPECT_EQ(Keys(*copy), "AB");
  copy->Item(1)->SetArgument(2, 9.0f);
  EXPECT_EQ(limits->Item(1)->Argument(2), 1.0f);
}

// ---- limit reference --------------------------------------------------------------------------

// root(1) { sub(10) { start(11), near(5, passed, "I" = 2.5) }, far(5), other(6) }
struct Tree {
  Ref<test::FakeContainer> root = test::MakeContainer(1);
  Ref<test::FakeContainer> sub = test::MakeContainer(10);
  Ref<test::FakeElement> start = test::MakeElement(11);
  Ref<test::FakeResult> nearResult =
      test::MakeResult(kStatusPassed, {test::MakeMeasurement("I", 2.5)});
  Ref<test::FakeElement> nearElement = test::MakeElement(5, nearResult);
  Ref<test::FakeElement> far = test::MakeElement(5);
  Ref<test::FakeElement> other = test::MakeElement(6);
  Tree() {
    root->Add(sub);
    root->Add(far);
    root->Add(other);
    sub->Add(start);
    sub->Add(nearElement);
  }
};

Ref<CLimitReference> Reference(Long id, const String& key) {
  auto reference = CreateLimitReference();
  reference->SetTestID(id);
  reference->SetMeasKey(key);
  return reference;
}

TEST(LimitReference, UpdateFindsTheNearestAncestorsMatch) {
  Tree tree;
  auto reference = Reference(5, "I");
  reference->UpdateReference(tree.start);
  EXPECT_TRUE(SameObject(reference->Test(), tree.nearElement));
  EXPECT_EQ(reference->RetrieveValue(), 2.5f);

  auto upper = Reference(6, "I");
  upper->UpdateReference(tree.start);
  EXPECT_TRUE(SameObject(upper->Test(), tree.other));
}

TEST(LimitReference, UnresolvableReferencesRaiseAndForgetTheOldElement) {
  Tree tree;
  auto reference = Reference(5, "I");
  reference->UpdateReference(tree.start);
  reference->SetTestID(99);
  const Error missing = test::CaughtError([&] { reference->UpdateReference(tree.start); });
  EXPECT_EQ(missing.Number(), err::kReferenceUnresolved);
  EXPECT_EQ(missing.Source(), "VelkoCore.CLimitReference");
  EXPECT_FALSE(reference->Test());
  reference->SetTestID(0);
  EXPECT_EQ(test::ErrorNumberOf([&] { reference->UpdateReference(tree.start); }),
            err::kReferenceUnresolved);
  // The root has no ancestors: nothing to search.
  reference->SetTestID(5);
  EXPECT_EQ(test::ErrorNumberOf([&] { reference->UpdateReference(tree.root); }),
            err::kReferenceUnresolved);
  EXPECT_EQ(test::ErrorNumberOf([&] { reference->UpdateReference(nullptr); }),
            err::kReferenceUnresolved);
}

class ThrowingContainer final : public test::FakeContainer {
 public:
  Ref<ITestElement> FindElement(Long) override { RaiseRuntimeError(rt::kInvalidCall); }
};

TEST(LimitReference, AFailingWalkIsUnresolved) {
  auto root = MakeRef<ThrowingContainer>();
  auto start = test::MakeElement(2);
  root->Add(start);
  auto reference = Reference(3, "I");
  EXPECT_EQ(test::ErrorNumberOf([&] { reference->UpdateReference(start); }),
            err::kReferenceUnresolved);
}

TEST(LimitReference, RetrieveValueNeedsAVerdictAndANumber) {
  struct Case {
    const char* name;
    Ref<IResult> result;
    Long error;
  };
  const auto text = test::MakeMeasurement("I", "abc", kValueText);
  const auto integer = test::MakeMeasurement("I", Long{3}, kValueInteger);
  const Case cases[] = {
      {"no result", nullptr, err::kReferenceNoValue},
      {"not performed", test::MakeResult(kStatusNotPerformed, {integer}), err::kReferenceNoValue},
      {"not applicable", test::MakeResult(kStatusNotApplicable, {integer}), err::kReferenceNoValue},
      {"no such measurement", test::MakeResult(kStatusPassed, {}), err::kReferenceNoValue},
      {"text measurement", test::MakeResult(kStatusFailed, {text}), err::kReferenceValueType},
      {"integer of a failed test", test::MakeResult(kStatusFailed, {integer}), 0},
  };
  for (const auto& c : cases) {
    auto root = test::MakeContainer(1);
    auto start = test::MakeElement(2);
    root->Add(test::MakeElement(3, c.result));
    root->Add(start);
    auto reference = Reference(3, "I");
    EXPECT_EQ(test::ErrorNumberOf([&] { reference->RetrieveValue(); }), err::kReferenceUnresolved)
        << c.name;
    reference->UpdateReference(start);
    EXPECT_EQ(test::ErrorNumberOf([&] { reference->RetrieveValue(); }), c.error) << c.name;
  }
}

TEST(LimitReference, CloneIsUnresolvedWithTheSameIds) {
  Tree tree;
  auto reference = Reference(5, "I");
  reference->UpdateReference(tree.start);
  const Ref<ILimitReference> copy = reference->Clone();
  EXPECT_FALSE(copy->Test());
  EXPECT_EQ(copy->TestID(), 5);
  EXPECT_EQ(copy->MeasKey(), "I");
  copy->SetValType(kValueText);
  EXPECT_EQ(copy->ValType(), kValueNone);
}

TEST(LimitReference, LoadAndSave) {
  struct Case {
    const char* xml;
    Long id;
    const char* key;
  };
  const Case cases[] = {
      {"<Reference ElementID='12' Key='I'/>", 12, "I"},
      {"<Reference ElementID=' 12.5 ' Key='I'/>", 12, "I"},  // halves to even
      {"<Reference ElementID='13.5'/>", 14, ""},
      {"<Reference Key='I'/>", 0, "I"},
      {"<Reference ElementID='abc' Key=''/>", 0, ""},
  };
  for (const auto& c : cases) {
    auto reference = Reference(77, "old");
    reference->Load(Xml(c.xml), nullptr);
    EXPECT_EQ(reference->TestID(), c.id) << c.xml;
    EXPECT_EQ(reference->MeasKey(), c.key) << c.xml;
  }
  auto log = MakeRef<CollectingLog>();
  auto reference = Reference(77, "old");
  EXPECT_EQ(test::ErrorNumberOf([&] { reference->Load(Xml("<Ref ElementID='1'/>"), log); }),
            err::kLimitLoad);
  EXPECT_EQ(log->Sections().size(), 1u);
  EXPECT_TRUE(log->AllSectionsClosed());

  const Ref<IXmlElement> saved = Reference(12, "")->Save(CreateXmlDocument());
  EXPECT_EQ(saved->TagName(), "Reference");
  EXPECT_EQ(saved->GetAttribute("ElementID"), "12");
  EXPECT_EQ(saved->ChildNodes()->NodeCount(), 0);
  auto failing = test::MakeAlwaysFailingXmlDocument();
  EXPECT_EQ(test::ErrorNumberOf([&] { reference->Save(failing); }), err::kLimitSave);
}

TEST(LimitReference, RelativeLimitBoundsFollowTheReferencedMeasurement) {
  Tree tree;
  auto limit = FixedLimit("I", 110.0f, 90.0f);
  limit->SetLimitType(kLimitRelative);
  limit->Reference()->SetTestID(5);
  limit->Reference()->SetMeasKey("I");
  const Error unresolved = test::CaughtError([&] { limit->Value(2); });
  EXPECT_EQ(unresolved.Number(), err::kReferenceUnresolved);
  EXPECT_EQ(test::ErrorNumberOf([&] { limit->CalculateLimitValue(1.0f, 2); }),
            err::kReferenceUnresolved);
  limit->UpdateReference(tree.start);
  EXPECT_EQ(limit->Value(2), 2.75f);  // 2.5 x 110 %
  EXPECT_EQ(limit->Value(3), 2.25f);
  EXPECT_EQ(limit->CalculateLimitValue(1000.0f, 2), 2.75f);  // the reference wins over x
  EXPECT_EQ(limit->TestValue(2.75f, Variant(1000.0)), kStatusPassed);
  EXPECT_EQ(limit->TestValue(2.8f, Variant()), kStatusFailed);
  tree.nearResult->status = kStatusNotPerformed;
  EXPECT_EQ(test::ErrorNumberOf([&] { limit->Value(0); }), err::kReferenceNoValue);
  EXPECT_EQ(limit->TestValue(2.0f, Variant()), kStatusNotApplicable);

  limit->Reference()->SetTestID(0);
  EXPECT_EQ(test::ErrorNumberOf([&] { limit->UpdateReference(tree.start); }),
            err::kReferenceUnresolved);
  FixedLimit("I", 1.0f)->UpdateReference(nullptr);  // a fixed limit has nothing to resolve
}

}  // namespace
}  // namespace velko
