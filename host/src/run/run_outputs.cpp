#include "velko/host/run/run_outputs.hpp"

#include <filesystem>

namespace velko::host {
namespace {

String OutputPath(const String& dir, const String& sequence, const char* suffix) {
  const std::filesystem::path stem = std::filesystem::path(sequence).stem();
  return (std::filesystem::path(dir) / (stem.string() + suffix)).string();
}

}  // namespace

RunOutputs OutputPaths(const String& dir, const String& sequence) {
  return {OutputPath(dir, sequence, ".record.xml"), OutputPath(dir, sequence, ".report.html")};
}

void WriteRunOutputs(FileSystem& files, const String& dir, const RunOutputs& outputs,
                     const String& recordText, const String& reportHtml) {
  files.CreateFolders(dir);
  WriteAllOrNone(files, {{outputs.record, recordText}, {outputs.report, reportHtml}});
}

}  // namespace velko::host
