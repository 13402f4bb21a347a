// References an object hands out to itself: the same object under the same owner, whichever
// pointer the member starts from.
#include "velko/frame/unknown.hpp"

#include <gtest/gtest.h>

#include "velko/limits/limit.hpp"

namespace velko {
namespace {

TEST(RefToSelf, SharesTheOwnerFromTheClassFromAnInterfaceAndFromIUnknown) {
  const Ref<CLimit> limit = MakeRef<CLimit>();
  ILimit2* const asSecond = limit.get();
  const IUnknown* const asUnknown = asSecond;
  const Ref<ILimit> fromClass = RefToSelf<ILimit>(limit.get());
  const Ref<ILimit2> fromInterface = RefToSelf<ILimit2>(asSecond);
  const Ref<ILimit3> fromUnknown = RefToSelf<ILimit3>(asUnknown);
  EXPECT_EQ(fromClass.get(), static_cast<ILimit*>(limit.get()));
  EXPECT_EQ(fromInterface.get(), asSecond);
  EXPECT_EQ(fromUnknown.get(), static_cast<ILimit3*>(limit.get()));
  EXPECT_EQ(limit.shared().use_count(), 4);
  EXPECT_TRUE(RefToSelf<ILimitColl>(asUnknown).IsNone());  // an interface it does not have
}

}  // namespace
}  // namespace velko
