// The archive's behaviour, the same against SQLite and PostgreSQL.
#include <fmt/format.h>

#include <thread>

#include "archive/archive_store_fixture.hpp"
#include "support/error_helpers.hpp"
#include "velko/frame/error.hpp"
#include "velko/host/archive/archive_errors.hpp"

namespace velko::test {
namespace {

namespace ae = host::archive_error;

std::size_t CountAll(host::Archive& archive) {
  std::size_t n = 0;
  archive.ForEachMeasurement("", [&](const auto&, const auto&) { ++n; });
  return n;
}

using ArchiveTest = ArchiveStoreTest;

TEST_P(ArchiveTest, HostileDeviceTextsAreStoredAndFoundExactly) {
  const auto archive = Open();
  for (const String& text :
       {String("O'Brien \"quoted\"; DROP TABLE records; --"), String("' OR '1'='1"),
        String("Прибор №7 / 医疗设备 / 🩺"), String("back\\slash %_ wild*cards"),
        String("line\nbreak\ttab")}) {
    host::ArchiveEntry entry = SampleEntry(text, 1);
    entry.summary.tester = text;
    entry.measurements[0].elementName = text;
    entry.document = "<TestRecord Note=\"" + text + "\"/>\r\n\x01 bytes kept";
    archive->Store(entry);

    const std::vector<host::RecordSummary> history = archive->History(text);
    ASSERT_EQ(history.size(), 1u) << text;
    EXPECT_EQ(history[0].device.serial, text);
    EXPECT_EQ(history[0].tester, text);
    ASSERT_EQ(archive->History("A-" + text).size(), 1u) << "by asset number";

    const auto stored = archive->Find(entry.summary.recordId);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->document, entry.document);
    EXPECT_EQ(stored->report, entry.report);
    EXPECT_EQ(stored->summary.standards, entry.summary.standards);
    EXPECT_EQ(stored->summary.device.keys, entry.summary.device.keys);
    const auto measured = archive->Measurements(text, 5);
    ASSERT_EQ(measured.size(), 1u);
    EXPECT_EQ(measured[0].measurements[0].elementName, text);
  }
  EXPECT_TRUE(archive->History("anything").empty());
  EXPECT_TRUE(archive->History("").empty());  // no asset number is no device
  EXPECT_EQ(archive->History("' OR '1'='1").size(), 1u);
}

TEST_P(ArchiveTest, ARecordIsFoundByTheStartOfItsId) {
  const auto archive = Open();
  host::ArchiveEntry first = SampleEntry("SN-1", 1);
  host::ArchiveEntry second = SampleEntry("SN-1", 2);
  first.summary.recordId = "abcdef01-0000-4000-8000-000000000001";
  second.summary.recordId = "abcdef01-0000-4000-8000-000000000002";
  archive->StoreAll({first, second});

  EXPECT_EQ(archive->Find("ABCDEF01-0000-4000-8000-000000000002")->summary.recordId,
            second.summary.recordId);
  EXPECT_EQ(ErrorNumberOf([&] { archive->Find("abcdef01"); }), ae::kAmbiguousRecord);
  EXPECT_FALSE(archive->Find("abcdef0"));  // too short to stand for an ID
  EXPECT_FALSE(archive->Find("abcdef02"));
  EXPECT_FALSE(archive->Find("abcdef01%"));
}

TEST_P(ArchiveTest, HistoryListsOnlyTheDevicesRecordsNewestFirst) {
  const auto archive = Open();
  std::vector<String> ids;
  for (int seed : {1, 2, 3}) {
    const host::ArchiveEntry entry = SampleEntry("SN-A", seed);
    ids.push_back(entry.summary.recordId);
    archive->Store(entry);
    archive->Store(SampleEntry("SN-B", seed));
  }
  const std::vector<host::RecordSummary> history = archive->History("SN-A");
  ASSERT_EQ(history.size(), 3u);
  EXPECT_EQ(history[0].recordId, ids[2]);
  EXPECT_EQ(history[2].recordId, ids[0]);
  EXPECT_EQ(history[0].started, "2024-06-04 10:00:00");
  EXPECT_EQ(history[0].device.manufacturer, "Norvale Medical");
}

TEST_P(ArchiveTest, MeasurementsGiveTheReferenceAndTheNewestWithTheirLimits) {
  const auto archive = Open();
  std::vector<String> ids;
  for (int seed = 0; seed < 6; ++seed) {
    const host::ArchiveEntry entry = SampleEntry("SN-M", seed);
    ids.push_back(entry.summary.recordId);
    archive->Store(entry);
  }
  const std::vector<host::MeasuredRecord> records = archive->Measurements("SN-M", 2);
  ASSERT_EQ(records.size(), 3u);  // the first and the two newest, oldest first
  EXPECT_EQ(records[0].summary.recordId, ids[0]);
  EXPECT_EQ(records[1].summary.recordId, ids[4]);
  EXPECT_EQ(records[2].summary.recordId, ids[5]);
  const host::ArchivedMeasurement& m = records[2].measurements[1];
  EXPECT_EQ(m.key, "KEY_1");
  EXPECT_DOUBLE_EQ(*m.value, 1.15);
  EXPECT_EQ(m.unit, "Ω");
  ASSERT_EQ(m.limits.size(), 2u);
  EXPECT_FALSE(m.limits[0].low);
  EXPECT_DOUBLE_EQ(*m.limits[0].high, 1.3);
  EXPECT_DOUBLE_EQ(*m.limits[1].low, 0.01);

  const auto before = archive->Measurements("SN-M", 10, ids[3]);
  ASSERT_EQ(before.size(), 3u);  // records stored before the fourth
  EXPECT_EQ(before.back().summary.recordId, ids[2]);
}

TEST_P(ArchiveTest, ALaterRecordSupersedesAnEarlierOneWithoutChangingIt) {
  const auto archive = Open();
  const host::ArchiveEntry wrong = SampleEntry("SN-S", 1);
  archive->Store(wrong);
  host::ArchiveEntry unknown = SampleEntry("SN-S", 2);
  unknown.summary.supersedes = "00000000-0000-4000-8000-000000000000";
  EXPECT_EQ(ErrorNumberOf([&] { archive->Store(unknown); }), ae::kUnknownSupersede);
  EXPECT_EQ(archive->History("SN-S").size(), 1u);

  host::ArchiveEntry corrected = SampleEntry("SN-S", 3);
  corrected.summary.supersedes = wrong.summary.recordId;
  archive->Store(corrected);
  const auto history = archive->History("SN-S");
  ASSERT_EQ(history.size(), 2u);
  EXPECT_EQ(history[1].supersededBy, corrected.summary.recordId);
  EXPECT_EQ(archive->Find(wrong.summary.recordId)->document, wrong.document);
  const auto measured = archive->Measurements("SN-S", 5);
  ASSERT_EQ(measured.size(), 1u);
  EXPECT_EQ(measured[0].summary.recordId, corrected.summary.recordId);
}

TEST_P(ArchiveTest, AFailingStoreLeavesNothingOfItsTransaction) {
  const auto archive = Open();
  const host::ArchiveEntry stored = SampleEntry("SN-D", 1);
  archive->Store(stored);
  host::ArchiveEntry again = SampleEntry("SN-D", 2);
  again.summary.recordId = stored.summary.recordId;
  EXPECT_EQ(ErrorNumberOf([&] { archive->Store(again); }), ae::kDuplicateRecord);
  EXPECT_EQ(ErrorNumberOf([&] {
              archive->StoreAll({SampleEntry("SN-D", 3), again});
            }),
            ae::kDuplicateRecord);
  EXPECT_EQ(archive->History("SN-D").size(), 1u);
  EXPECT_EQ(CountAll(*archive), 3u);
  archive->Store(SampleEntry("SN-D", 4));  // the archive goes on working
  EXPECT_EQ(archive->History("SN-D").size(), 2u);
}

TEST_P(ArchiveTest, ExportWalksEveryMeasurementInStoredOrder) {
  const auto archive = Open();
  std::vector<host::ArchiveEntry> batch;
  for (int seed = 0; seed < 1200; ++seed)
    batch.push_back(SampleEntry(seed % 3 == 0 ? "SN-X" : "SN-Y", seed, 2));
  archive->StoreAll(batch);
  std::vector<String> order;
  archive->ForEachMeasurement("", [&](const host::RecordSummary& r, const auto& m) {
    if (m.key == "KEY_0") order.push_back(r.recordId);
  });
  ASSERT_EQ(order.size(), batch.size());  // more than one page of records
  EXPECT_EQ(order.front(), batch.front().summary.recordId);
  EXPECT_EQ(order.back(), batch.back().summary.recordId);
  std::size_t ofX = 0;
  archive->ForEachMeasurement("SN-X", [&](const auto& r, const auto&) {
    EXPECT_EQ(r.device.serial, "SN-X");
    ++ofX;
  });
  EXPECT_EQ(ofX, 800u);
}

TEST_P(ArchiveTest, TheSchemaIsMadeOnceAndAnArchiveOfANewerProgramIsRefused) {
  {
    const auto archive = Open();
    EXPECT_EQ(archive->SchemaVersion(), host::CurrentSchemaVersion());
    archive->Store(SampleEntry("SN-V", 1));
  }
  EXPECT_EQ(Open()->History("SN-V").size(), 1u);  // opened again, nothing made anew
  if (GetParam() == Store::kSqlite) {
    Open()->CheckWritable();
    // Looked at behind the archive's back: a newer program's version.
    SqliteExecute(Location(), "UPDATE archive_schema SET version = 99");
  } else {
    PostgresExecute(Location(), "UPDATE archive_schema SET version = 99");
  }
  EXPECT_EQ(ErrorNumberOf([&] { Open(); }), ae::kNewerSchema);
}

TEST_P(ArchiveTest, AnArchiveMadeBeforePdfReportsIsBroughtForwardAndKeepsThemBesideTheHtml) {
  const host::ArchiveEntry older = SampleEntry("SN-P", 1);
  Open()->Store(older);
  // Taken back behind the archive's back to the schema before PDF reports.
  const String back = "DROP TABLE report_pdfs; UPDATE archive_schema SET version = 1";
  if (GetParam() == Store::kSqlite) {
    SqliteExecute(Location(), back);
  } else {
    PostgresExecute(Location(), back);
  }
  const auto archive = Open();
  EXPECT_EQ(archive->SchemaVersion(), host::CurrentSchemaVersion());
  host::ArchiveEntry newer = SampleEntry("SN-P", 2);
  newer.reportPdf = String("%PDF-1.5\n\0\xFF binary\r\n%%EOF\n", 27);
  archive->Store(newer);
  const auto storedOlder = archive->Find(older.summary.recordId);
  const auto storedNewer = archive->Find(newer.summary.recordId);
  ASSERT_TRUE(storedOlder && storedNewer);
  EXPECT_EQ(storedOlder->report, older.report);
  EXPECT_EQ(storedOlder->reportPdf, "");
  EXPECT_EQ(storedNewer->report, newer.report);
  EXPECT_EQ(storedNewer->reportPdf, newer.reportPdf);
  EXPECT_EQ(archive->History("SN-P").size(), 2u);
}

TEST_P(ArchiveTest, EightConcurrentWritersLoseNothingAndMixNothing) {
  Open();  // the schema made once before the writers start
  constexpr int kWriters = 8;
  constexpr int kEach = 6;
  std::vector<std::thread> writers;
  std::vector<String> failures(kWriters);
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([&, w] {
      try {
        const auto archive = Open();
        for (int i = 0; i < kEach; ++i)
          archive->Store(SampleEntry(fmt::format("SN-W{}", w), w * 100 + i, 5));
      } catch (const Error& e) {
        failures[w] = e.Description();
      }
    });
  }
  for (std::thread& writer : writers)
    writer.join();
  const auto archive = Open();
  for (int w = 0; w < kWriters; ++w) {
    EXPECT_EQ(failures[w], "");
    const String serial = fmt::format("SN-W{}", w);
    const auto records = archive->Measurements(serial, kEach);
    ASSERT_EQ(records.size(), static_cast<std::size_t>(kEach)) << serial;
    for (const host::MeasuredRecord& record : records) {
      EXPECT_EQ(record.summary.device.serial, serial);
      const auto stored = archive->Find(record.summary.recordId);
      EXPECT_NE(stored->report.find(serial), String::npos);
      ASSERT_EQ(record.measurements.size(), 5u);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Stores, ArchiveTest, ::testing::Values(Store::kSqlite, Store::kPostgres),
                         StoreName);

}  // namespace
}  // namespace velko::test
