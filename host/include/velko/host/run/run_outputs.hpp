// The files a completed run leaves: its test record and its report.
#pragma once

#include "velko/host/files/file_system.hpp"

namespace velko::host {

struct RunOutputs {
  String record;  // DIR/<sequence>.record.xml
  String report;  // DIR/<sequence>.report.html
};

// Where the outputs of a run of `sequence` go in the folder `dir`.
RunOutputs OutputPaths(const String& dir, const String& sequence);

// Makes the folder and writes the record and the report, both or neither.
void WriteRunOutputs(FileSystem& files, const String& dir, const RunOutputs& outputs,
                     const String& recordText, const String& reportHtml);

}  // namespace velko::host
