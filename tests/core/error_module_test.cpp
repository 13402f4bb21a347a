#include "velko/core/error_module.hpp"

#include <gtest/gtest.h>

#include <new>

#include "support/error_helpers.hpp"
#include "support/fake_language_set.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/core/gerror.hpp"
#include "velko/outside/error_server.hpp"

namespace velko {
namespace {

TEST(RaiseError, FormsTheDescriptionFromTheKeyAndParameters) {
  test::EchoLanguageGuard language;
  const Error e = test::CaughtError(
      [] { RaiseError(err::kDataItemSave, "VelkoCore.CDataItem", kLevelSave, {Variant("Name")}); });
  EXPECT_EQ(e.Number(), err::kDataItemSave);
  EXPECT_EQ(e.Source(), "VelkoCore.CDataItem");
  // The key of 0x8004A6A7 is 42151 with an empty default; five parameter slots, unused ones
  // missing.
  EXPECT_EQ(e.Description(), "|42151::|Name,?,?,?,?");
  EXPECT_EQ(ErrorServer()->ErrorObject()->LastFlags(), 4);
}

TEST(RaiseError, EmptySourceDefaultsThroughTheCallersVariable) {
  String source;
  const Error e = test::CaughtError([&] { RaiseError("", err::kUnexpected, source, kLevelFatal); });
  EXPECT_EQ(e.Source(), "VelkoCore.MError");
  EXPECT_EQ(source, "VelkoCore.MError");
  EXPECT_EQ(ErrorServer()->ErrorObject()->LastFlags(), 8);
}

TEST(RaiseError, WithoutALanguageSetTheDescriptionIsEmptyButTheErrorStands) {
  const Error e =
      test::CaughtError([] { RaiseError(err::kLimitLoad, "VelkoCore.CLimit", kLevelItem); });
  EXPECT_EQ(e.Number(), err::kLimitLoad);
  EXPECT_EQ(e.Description(), "");
}

TEST(RaiseError, LevelsMapToFlagWords) {
  const std::pair<Long, Long> cases[] = {{1, 1}, {2, 1}, {3, 4}, {4, 8}, {0, 0}, {5, 0}};
  for (auto [level, flags] : cases)
    EXPECT_EQ(ErrorLevelFlags(level), flags) << level;
}

TEST(RaiseError, NumberZeroPassesOnThePendingError) {
  const Error e = test::CaughtError([] {
    try {
      throw Error(1234, "Plugin.X", "from a plug-in");
    } catch (...) {
      String source;
      RaiseError("", 0, source);
    }
  });
  EXPECT_EQ(e.Number(), 1234);
  EXPECT_EQ(e.Source(), "Plugin.X");
  EXPECT_EQ(ErrorServer()->ErrorObject()->LastNumber(), 1234);
  // With nothing pending the error object raises its last error again.
  const Error again = test::CaughtError([] { GError::Instance()->RaiseError(); });
  EXPECT_EQ(again.Number(), 1234);
}

TEST(CentralErrorHandler, WrapsForeignErrorsOnce) {
  test::EchoLanguageGuard language;
  const Error wrapped = test::CaughtError([] {
    CentralErrorHandler(Error(rt::kObjectNotSet, "VelkoCore", "Object variable not set"),
                        "VelkoCore.CLimit");
  });
  EXPECT_EQ(wrapped.Number(), err::kUnexpected);
  EXPECT_EQ(wrapped.Source(), "VelkoCore.CLimit");
  EXPECT_EQ(wrapped.Description(),
            "|30000::|VelkoCore.CLimit,91,VelkoCore,Object variable not set,0x0000005B");
  const Error again =
      test::CaughtError([&] { CentralErrorHandler(wrapped, "VelkoCore.CStandard"); });
  EXPECT_EQ(again.Number(), err::kUnexpected);
  EXPECT_EQ(again.Source(), "VelkoCore.CLimit");
  EXPECT_EQ(again.Description(), wrapped.Description());
}

TEST(CentralErrorHandler, OutOfMemoryBecomesItsOwnError) {
  const Error e = test::CaughtError(
      [] { CentralErrorHandler(Error(rt::kOutOfMemory, "", ""), "VelkoCore.X"); });
  EXPECT_EQ(e.Number(), err::kOutOfMemory);
  EXPECT_EQ(e.Source(), "VelkoCore.X");
  const Error bad = test::CaughtError(
      [] { Guarded(ErrorPolicy("VelkoCore.Y"), []() -> int { throw std::bad_alloc(); }); });
  EXPECT_EQ(bad.Number(), err::kOutOfMemory);
}

TEST(HandlerConvention, AppliesTheRulesInOrder) {
  constexpr ErrorPolicy policy("VelkoCore.CThing", {err::kStandardWrongTag}, err::kStandardPresent,
                               err::kStandardNotFound);
  struct Case {
    Long raised;
    Long expected;
  };
  const Case cases[] = {{err::kStandardWrongTag, err::kStandardWrongTag},
                        {rt::kKeyAlreadyPresent, err::kStandardPresent},
                        {rt::kInvalidCall, err::kStandardNotFound},
                        {rt::kSubscriptOutOfRange, err::kStandardNotFound},
                        {rt::kTypeMismatch, err::kUnexpected},
                        {err::kLimitLoad, err::kUnexpected},
                        // an outside service's error is a known cause: every operation passes
                        // it on with its own text
                        {err::kRegistryFileBroken, err::kRegistryFileBroken},
                        {err::kRegistryWrite, err::kRegistryWrite},
                        {err::kXmlFileOpen, err::kXmlFileOpen},
                        {err::kCatalogueBroken, err::kCatalogueBroken}};
  for (const auto& c : cases) {
    const Error e =
        test::CaughtError([&] { Guarded(policy, [&] { RaiseRuntimeError(c.raised, "x"); }); });
    EXPECT_EQ(e.Number(), c.expected) << c.raised;
  }
}

TEST(HandlerConvention, InnermostOperationWrapsAndOuterOnesPassItOn) {
  const Error e = test::CaughtError([] {
    Guarded(ErrorPolicy("VelkoCore.Outer"), [] {
      Guarded(ErrorPolicy("VelkoCore.Inner"), [] { throw std::runtime_error("boom"); });
    });
  });
  EXPECT_EQ(e.Number(), err::kUnexpected);
  EXPECT_EQ(e.Source(), "VelkoCore.Inner");
}

TEST(NoneReference, RaisesNinetyOneInsteadOfCrashing) {
  Ref<IErrorObject> none;
  const Error e = test::CaughtError([&] { none->LastNumber(); });
  EXPECT_EQ(e.Number(), rt::kObjectNotSet);
  const Error wrapped = test::CaughtError(
      [&] { Guarded(ErrorPolicy("VelkoCore.CLimit"), [&] { return none->LastNumber(); }); });
  EXPECT_EQ(wrapped.Number(), err::kUnexpected);
}

}  // namespace
}  // namespace velko
