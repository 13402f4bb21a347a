#include "velko/outside/progress_log.hpp"

#include <gtest/gtest.h>

#include <sstream>

namespace velko {
namespace {

constexpr Long kDuplicate = ErrorNumber(0x8004A50Fu);

TEST(CollectingLog, EntriesBelongToTheInnermostOpenSection) {
  CollectingLog log;
  const Long outer = log.OpenSection("", "E5100::Loading test sequence setup");
  const Long inner = log.OpenSection("Sim", "E5101::Loading %%1");
  log.LogError(kDuplicate, 2, "5057::A standard occurred twice.", VariantArray{});
  log.CloseSection(inner);
  log.LogError(7, 4, "9::Item %%1 of %%2", Variant::Array({"A", 3}));
  log.CloseSection(outer);
  log.LogError(1, 1, "8::After", {});

  EXPECT_NE(outer, 0);
  EXPECT_NE(inner, outer);
  ASSERT_EQ(log.Entries().size(), 3u);
  EXPECT_EQ(log.EntriesOf(inner).at(0).message, "A standard occurred twice.");
  EXPECT_EQ(log.EntriesOf(inner).at(0).errNo, kDuplicate);
  EXPECT_EQ(log.EntriesOf(outer).at(0).message, "Item A of 3");
  EXPECT_EQ(log.EntriesOf(outer).at(0).params.size(), 2u);
  EXPECT_EQ(log.EntriesOf(0).at(0).message, "After");  // kept, though no section was open
  EXPECT_EQ(log.Section(outer)->title, "Loading test sequence setup");
  EXPECT_EQ(log.Section(inner)->plugInId, "Sim");
  EXPECT_EQ(log.Section(inner)->parent, outer);
  EXPECT_EQ(log.HighestLevel(), 4);
  EXPECT_TRUE(log.AllSectionsClosed());
  EXPECT_EQ(log.StrayCloses(), 0);
}

TEST(CollectingLog, ToleratesZeroUnknownAndRepeatedHandles) {
  CollectingLog log;
  const Long a = log.OpenSection("", "");
  const Long b = log.OpenSection("", "");
  log.CloseSection(0);
  log.CloseSection(999);
  log.CloseSection(-1);
  log.CloseSection(a);  // out of order: b stays open
  log.CloseSection(a);
  EXPECT_EQ(log.OpenHandles(), std::vector<Long>{b});
  EXPECT_FALSE(log.AllSectionsClosed());
  EXPECT_EQ(log.StrayCloses(), 3);
  EXPECT_EQ(log.Section(0), nullptr);
  EXPECT_EQ(log.Section(999), nullptr);
  log.LogError(1, 1, "", Variant("one value"));
  EXPECT_EQ(log.Entries().back().section, b);
  EXPECT_EQ(log.Entries().back().params.size(), 1u);
  log.Clear();
  EXPECT_TRUE(log.Sections().empty());
  EXPECT_TRUE(log.AllSectionsClosed());
}

TEST(ConsoleLog, WritesTranslatedSectionsAndEntries) {
  std::ostringstream out;
  ConsoleLog log(out);
  const Long handle = log.OpenSection("Sim", "E5100::Loading test sequence setup");
  log.LogError(kDuplicate, 2, "5057::Twice:\\n%%1", Variant::Array({"IEC 62353"}));
  log.CloseSection(handle);
  log.CloseSection(0);
  log.LogError(5, 9, "1::Outside", {});
  EXPECT_EQ(out.str(),
            "Loading test sequence setup [Sim]\n"
            "  Warning: Twice:\n"
            "    IEC 62353 (error 0x8004A50F)\n"
            "Level 9: Outside (error 0x00000005)\n");
  EXPECT_EQ(log.EntryCount(), 2);
}

}  // namespace
}  // namespace velko
