#include "velko/host/documents/test_record.hpp"

#include <regex>

#include "host_fixture.hpp"
#include "velko/host/documents/xml_source.hpp"
#include "velko/host/run/run_preparation.hpp"
#include "velko/host/run/test_run.hpp"
#include "velko/outside/progress_log.hpp"
#include "velko/outside/xml.hpp"

namespace velko::test {
namespace {

class TestRecordTest : public HostFixture {
 protected:
  // The loaded record of `text`, with no load problems.
  host::LoadedRecord Load(const String& text) {
    const Ref<IXmlFile> file = CreateXmlFile();
    file->LoadFromText(text);
    auto log = MakeRef<CollectingLog>();
    host::LoadedRecord record = host::LoadRecord(file->Document()->DocumentElement(), log);
    EXPECT_TRUE(log->Entries().empty());
    return record;
  }
};

TEST_F(TestRecordTest, ARecordKeepsItsHeaderVerdictAndResults) {
  const host::PreparedRun prepared =
      host::PrepareRun({kSampleSequence, kFaultySetup, {}}, session->Manager());
  ASSERT_TRUE(prepared.Ready());
  host::TestRun(prepared.tree, prepared.setup).Perform();
  const host::RecordHeader header{host::NewRecordId(), "Ana Šimić \"QA\"", "bench-3", "Clinic <4>"};

  const String text = host::RecordText(prepared.tree, prepared.setup, header);
  const host::LoadedRecord record = Load(text);

  EXPECT_EQ(record.header.id, header.id);
  EXPECT_EQ(record.header.tester, header.tester);
  EXPECT_EQ(record.header.station, header.station);
  EXPECT_EQ(record.header.organisation, header.organisation);
  EXPECT_EQ(record.setup->Status()->TestStatus(), kStatusFailed);
  EXPECT_EQ(host::RecordText(record.tree, record.setup, record.header), text);
}

TEST_F(TestRecordTest, ARecordWithoutHeaderLoadsWithAnEmptyOne) {
  const host::PreparedRun prepared =
      host::PrepareRun({kSampleSequence, kHealthySetup, {}}, session->Manager());
  ASSERT_TRUE(prepared.Ready());
  String text = host::RecordText(prepared.tree, prepared.setup, {"", "x", "y", "z"});
  text = std::regex_replace(text, std::regex("<Run [^>]*/>"), "");

  const host::LoadedRecord record = Load(text);
  EXPECT_EQ(record.header.id, "");
  EXPECT_EQ(record.header.tester, "");
  EXPECT_NE(record.tree.Root(), nullptr);
}

TEST(RecordId, IsARandomVersionFourUuid) {
  const String a = host::NewRecordId();
  EXPECT_TRUE(std::regex_match(
      a, std::regex("[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}")))
      << a;
  EXPECT_NE(a, host::NewRecordId());
}

}  // namespace
}  // namespace velko::test
