// What a run leaves - record, report and archive entry - is checked before its first step and
// written all or none, whatever fails.
#include "velko/host/run/run_outputs.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "host_fixture.hpp"
#include "support/error_helpers.hpp"
#include "support/failing_file_system.hpp"
#include "support/test_paths.hpp"
#include "velko/frame/error.hpp"
#include "velko/frame/text.hpp"
#include "velko/host/archive/archive_errors.hpp"
#include "velko/host/checks/document_checks.hpp"
#include "velko/host/run/run_summary.hpp"
#include "velko/host/run/test_run.hpp"

namespace velko::test {
namespace {

namespace fs = std::filesystem;

std::size_t FilesIn(const String& folder) {
  if (!fs::exists(folder)) return 0;
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {}));
}

TEST(OutputNames, AreMadeOfSerialTimeAndRecordIdAndStayInTheFolder) {
  const host::OutputRequest request{"/out", {}, {}};
  const String id = "0f8e6c1a-2b4d-4e6f-8a0b-1c2d3e4f5a6b";
  struct Case {
    const char* serial;
    const char* stem;
  };
  for (const Case& c :
       {Case{"NM300-04711", "NM300-04711"}, Case{"../../etc/passwd", "-.-..-etc-passwd"},
        Case{".hidden", "-hidden"}, Case{"A/B C:D", "A-B-C-D"}, Case{"Прибор 7", "Прибор-7"},
        Case{"", "class1"}}) {
    const host::RunOutputs names =
        host::OutputNames(request, c.serial, "2024-06-03 14:05:09", id, "/seq/class1.xml");
    const String stem = "/out/" + String(c.stem) + "_20240603-140509_0f8e6c1a";
    EXPECT_EQ(names.record, stem + ".record.xml") << c.serial;
    EXPECT_EQ(names.report, stem + ".report.html");
  }
  const host::RunOutputs given = host::OutputNames({"/out", "mine.xml", {}}, "S", "2024", id, "x");
  EXPECT_EQ(given.record, "mine.xml");
  EXPECT_EQ(given.report, "/out/S_2024_0f8e6c1a.report.html");
}

class KeepRunTest : public HostFixture {
 protected:
  void SetUp() override {
    HostFixture::SetUp();
    archive = host::OpenArchive(dir / "archive.sqlite");
  }

  // Prepares and performs the sample with a setup, as velko run does.
  struct Run {
    host::PreparedRun prepared;
    host::RecordHeader header;
    Long verdict = 0;
  };
  Run Perform(const String& setup, const String& sequence = kSampleSequence) {
    Run run{host::PrepareRun({sequence, setup, {}}, session->Manager()),
            {host::NewRecordId(), "tester", "station", ""},
            0};
    EXPECT_TRUE(run.prepared.Ready());
    host::TestRun engine(run.prepared.tree, run.prepared.setup);
    run.verdict = engine.Perform();
    return run;
  }
  host::PerformedRun Performed(const Run& run) const {
    return {run.prepared.tree,     run.prepared.setup,    run.header,
            "2024-06-03 14:05:09", "2024-06-03 14:06:10", run.verdict};
  }
  host::KeepingPlan Check(host::FileSystem& files, const host::OutputRequest& request) {
    return host::CheckBeforeRun(files, *archive, request, {kSampleSequence, kHealthySetup, {}},
                                Perform(kHealthySetup).prepared.tree);
  }

  TempDir dir;
  std::unique_ptr<host::Archive> archive;
};

TEST_F(KeepRunTest, BeforeTheRunAFolderThatCannotTakeTheOutputsIsRefused) {
  WriteFileText(dir / "a-file", "not a folder");
  struct Case {
    const char* name;
    std::function<void(FailingFileSystem&)> fault;
    String folder;
    Long error;
  };
  const std::vector<Case> cases = {
      {"names a file", [](FailingFileSystem&) {}, dir / "a-file", 75},
      {"cannot be made", [](FailingFileSystem& f) { f.FailFolders(kPermissionDenied); },
       dir / "new", 75},
      {"may not be written", [](FailingFileSystem& f) { f.FailReplacement(1, kPermissionDenied); },
       dir / "out", 75},
      {"has no room", [](FailingFileSystem& f) { f.LimitSpace(4096); }, dir / "out", 61},
  };
  for (const Case& c : cases) {
    FailingFileSystem files;
    c.fault(files);
    EXPECT_EQ(ErrorNumberOf([&] { Check(files, {c.folder, {}, {}}); }), c.error) << c.name;
    EXPECT_EQ(FilesIn(dir / "out"), 0u) << c.name;
  }
  EXPECT_EQ(ReadFileText(dir / "a-file"), "not a folder");
  FailingFileSystem files;
  EXPECT_EQ(ErrorNumberOf([&] { Check(files, {dir / "out", dir / "same", dir / "./same"}); }), 75);
  const host::KeepingPlan plan = Check(files, {dir / "out", {}, {}});
  EXPECT_EQ(plan.sequenceHash.size(), 64u);
  EXPECT_EQ(FilesIn(dir / "out"), 0u);  // the write check leaves nothing behind
}

TEST_F(KeepRunTest, BeforeTheRunARecordToSupersedeMustBeArchived) {
  FailingFileSystem files;
  EXPECT_EQ(ErrorNumberOf([&] {
              host::CheckBeforeRun(files, *archive, {dir / "out", {}, {}},
                                   {kSampleSequence, kHealthySetup, {}},
                                   Perform(kHealthySetup).prepared.tree, "0123456789");
            }),
            host::archive_error::kUnknownSupersede);
}

TEST_F(KeepRunTest, AFailureAtAnyPointLeavesNoFileAndNoArchiveEntry) {
  struct Case {
    const char* name;
    int failingWrite;  // 1 the record, 2 the report, 0 none (the archive fails)
  };
  for (const Case& c : {Case{"record", 1}, Case{"report", 2}, Case{"archive", 0}}) {
    const Run run = Perform(kHealthySetup);
    FailingFileSystem files;
    const host::KeepingPlan plan = Check(files, {dir / "out", {}, {}});
    FailingFileSystem failing;
    if (c.failingWrite) failing.FailReplacement(c.failingWrite, kDiskFull);
    host::PerformedRun performed = Performed(run);
    if (!c.failingWrite) {  // the record ID is stored already: the archive refuses the entry
      archive->Store({host::SummaryOfRun(plan, performed), "<doc/>", "<html/>", {}, {}});
    }
    EXPECT_NE(ErrorNumberOf([&] { host::KeepRun(failing, *archive, plan, performed, {}); }), 0)
        << c.name;
    EXPECT_EQ(FilesIn(dir / "out"), 0u) << c.name;
    EXPECT_EQ(archive->History("NM300-04711").size(), c.failingWrite ? 0u : 1u) << c.name;
    if (!c.failingWrite) archive = host::OpenArchive(dir / ("archive-" + String(c.name)));
  }
}

TEST_F(KeepRunTest, TheSecondRunComparesWithTheFirstAndItsReprintIsTheSame) {
  FailingFileSystem files;
  const host::OutputRequest request{dir / "out", {}, {}};
  const Run first = Perform(kHealthySetup);
  const host::RunOutputs firstOutputs =
      host::KeepRun(files, *archive, Check(files, request), Performed(first), {});
  EXPECT_EQ(ReadFileText(firstOutputs.report).find("Comparison with earlier tests"), String::npos);

  const Run second = Perform(kFaultySetup);
  const host::RunOutputs outputs =
      host::KeepRun(files, *archive, Check(files, request), Performed(second), {});
  const String report = ReadFileText(outputs.report);
  EXPECT_NE(report.find("Comparison with earlier tests"), String::npos);
  EXPECT_NE(report.find("<svg"), String::npos);
  EXPECT_EQ(report.find("<script"), String::npos);
  EXPECT_NE(report.find("+0.42 Ω"), String::npos);  // the broken protective earth conductor

  const auto stored = archive->Find(second.header.id);
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->document, ReadFileText(outputs.record));
  EXPECT_EQ(stored->report, report);
  EXPECT_EQ(stored->summary.device.asset, "A-2231");
  EXPECT_EQ(stored->summary.verdict, kStatusFailed);
  const host::OpenedRecord reopened = host::OpenRecord(outputs.record, session->Manager());
  ASSERT_TRUE(reopened.Ready());
  EXPECT_EQ(host::ReprintHtml(archive.get(), reopened.record, {}), report);
}

// The sample without the limits of a detachable cord: the protective earth step measures readings
// that no limit judges, while the test status still says passed.
String SequenceWithUnjudgedStep(const String& folder) {
  String kept;
  for (const String& line : Split(ReadFileText(kSampleSequence), "\n")) {
    if (line.find("Key=\"PE_EQUIPMENT\"") == String::npos &&
        line.find("Key=\"PE_CORD\"") == String::npos)
      kept += line + "\n";
  }
  const String path = folder + "/unjudged-sequence.xml";
  WriteFileText(path, kept);
  return path;
}

TEST_F(KeepRunTest, AnIncompleteRunKeepsNoPassInItsRecordReportOrReprint) {
  FailingFileSystem files;
  const String sequence = SequenceWithUnjudgedStep(dir / "");
  Run run = Perform(kHealthySetup, sequence);
  ASSERT_EQ(run.verdict, kStatusPassed);  // what the test status alone says
  const host::RunSummary summary =
      host::SummariseRun(host::PlanRun(run.prepared.tree.Root(), run.prepared.setup));
  const host::RunOutcome outcome = host::OutcomeOf(run.verdict, summary);
  ASSERT_EQ(outcome, host::RunOutcome::kIncomplete);
  run.verdict = host::KeptVerdict(run.verdict, outcome);
  const host::KeepingPlan plan = host::CheckBeforeRun(
      files, *archive, {dir / "out", {}, {}}, {sequence, kHealthySetup, {}}, run.prepared.tree);
  const host::RunOutputs outputs = host::KeepRun(files, *archive, plan, Performed(run), {});

  const String record = ReadFileText(outputs.record);
  EXPECT_NE(record.find("<Status>Not Performed</Status>"), String::npos);
  const String report = ReadFileText(outputs.report);
  EXPECT_EQ(report.find("TEST PASSED"), String::npos);
  EXPECT_NE(report.find("TEST INCOMPLETE: 1 step(s) performed but not judged"), String::npos);
  EXPECT_EQ(archive->Find(run.header.id)->summary.verdict, kStatusNotPerformed);

  const host::OpenedRecord reopened = host::OpenRecord(outputs.record, session->Manager());
  ASSERT_TRUE(reopened.Ready());
  EXPECT_EQ(host::ReprintHtml(archive.get(), reopened.record, {}), report);
  EXPECT_EQ(host::CheckFile(outputs.record, {session->Manager()}).Errors(), 0u);
}

}  // namespace
}  // namespace velko::test
