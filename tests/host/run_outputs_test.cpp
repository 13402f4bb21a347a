// The outputs of a run are written all or none, whatever write fails.
#include "velko/host/run/run_outputs.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/failing_file_system.hpp"
#include "support/test_paths.hpp"
#include "velko/frame/error.hpp"

namespace velko::test {
namespace {

struct FailureCase {
  const char* name;
  int failingWrite;  // 1: the record, 2: the report
  const char* cause;
};

class RunOutputsTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(RunOutputsTest, AFailingWriteLeavesNoOutputOfTheRun) {
  const TempDir dir;
  const String out = dir / "out";
  const host::RunOutputs outputs = host::OutputPaths(out, "/samples/class1.xml");
  FailingFileSystem files;
  files.FailReplacement(GetParam().failingWrite, GetParam().cause);

  try {
    host::WriteRunOutputs(files, out, outputs, "<TestRecord/>", "<html/>");
    FAIL() << "the write did not fail";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), 75);
    EXPECT_NE(e.Description().find(GetParam().cause), String::npos) << e.Description();
  }
  EXPECT_FALSE(std::filesystem::exists(outputs.record));
  EXPECT_FALSE(std::filesystem::exists(outputs.report));
  EXPECT_TRUE(std::filesystem::is_empty(out));
}

TEST_P(RunOutputsTest, AFailingWriteGivesEarlierOutputsTheirContentBack) {
  const TempDir dir;
  const host::RunOutputs outputs = host::OutputPaths(dir.Path(), "class1.xml");
  WriteFileText(outputs.record, "earlier record");
  WriteFileText(outputs.report, "earlier report");
  FailingFileSystem files;
  files.FailReplacement(GetParam().failingWrite, GetParam().cause);

  EXPECT_THROW(host::WriteRunOutputs(files, dir.Path(), outputs, "new record", "new report"),
               Error);
  EXPECT_EQ(ReadFileText(outputs.record), "earlier record");
  EXPECT_EQ(ReadFileText(outputs.report), "earlier report");
}

INSTANTIATE_TEST_SUITE_P(Faults, RunOutputsTest,
                         ::testing::Values(FailureCase{"RecordOnFullDisk", 1, kDiskFull},
                                           FailureCase{"ReportOnFullDisk", 2, kDiskFull},
                                           FailureCase{"ReportWithoutPermission", 2,
                                                       kPermissionDenied}),
                         [](const auto& param) { return String(param.param.name); });

TEST(RunOutputs, AFolderThatCannotBeMadeWritesNothing) {
  const TempDir dir;
  FailingFileSystem files;
  files.FailFolders(kPermissionDenied);
  const host::RunOutputs outputs = host::OutputPaths(dir / "out", "class1.xml");
  EXPECT_THROW(host::WriteRunOutputs(files, dir / "out", outputs, "r", "h"), Error);
  EXPECT_TRUE(files.Replacements().empty());
}

TEST(RunOutputs, BothFilesAreWrittenWhenNothingFails) {
  const TempDir dir;
  const host::RunOutputs outputs = host::OutputPaths(dir / "out", "/x/class1.xml");
  EXPECT_EQ(outputs.record, dir / "out/class1.record.xml");
  host::WriteRunOutputs(host::LocalFileSystem(), dir / "out", outputs, "record", "report");
  EXPECT_EQ(ReadFileText(outputs.record), "record");
  EXPECT_EQ(ReadFileText(outputs.report), "report");
}

}  // namespace
}  // namespace velko::test
