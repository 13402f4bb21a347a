// A sequence whose load fails part-way must not leave unreachable parts of the tree alive.
#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#define VELKO_CHECK_LEAKS_NOW 1
#endif

#include "sequence/sequence_fixture.hpp"
#include "support/error_helpers.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/sequence/test_container.hpp"

namespace velko::test {
namespace {

class PartialLoadTest : public SequenceFixture {};

// Found by fuzzing: container 10 had loaded its children 11 and 12 when its child 13 failed;
// 10 was dropped, but it and its children still referred to each other, and nobody could reach
// them to terminate them.
TEST_F(PartialLoadTest, ADroppedChildContainerFreesWhatItHadLoaded) {
  auto root = MakeRef<CTestContainer>();
  const Long raised = ErrorNumberOf([&] {
    root->Load(ParseElement(R"(<TestElement ID="1"><PlugIn Name="A" TestID="1"/>)"
                            R"(<TestElement ID="10"><PlugIn Name="A" TestID="2"/>)"
                            R"(<TestElement ID="11"><PlugIn Name="A" TestID="200"/></TestElement>)"
                            R"(<TestElement ID="12"><PlugIn Name="A" TestID="3"/>)"
                            R"(<TestElement ID="121"><PlugIn Name="B" TestID="300"/></TestElement>)"
                            R"(</TestElement>)"
                            R"(<TestElement><PlugIn Name="A" TestID="3"/></TestElement>)"
                            R"(</TestElement></TestElement>)"),
               nullptr);
  });
  EXPECT_EQ(raised, err::kElementNoId);
  EXPECT_EQ(root->Count(), 0);
  root->Terminate();
#ifdef VELKO_CHECK_LEAKS_NOW
  // Nothing else refers to the nodes the load created: a subtree still alive is unreachable.
  EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0);
#endif
}

}  // namespace
}  // namespace velko::test
