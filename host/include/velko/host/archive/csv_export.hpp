// The archive's measurements as CSV for spreadsheets: one line per measurement, RFC 4180 quoting.
#pragma once

#include <ostream>

#include "velko/host/archive/archive.hpp"

namespace velko::host {

// Writes the header line and one line per measurement of the device's records (every record when
// `device` is empty), in the order they were stored. A text cell that a spreadsheet would take
// for a formula (it starts with "=", "+", "-", "@", a tab or a carriage return) gets a "'" before
// it, so that opening the file never runs anything; number cells are written as numbers.
void WriteMeasurementsCsv(Archive& archive, const String& device, std::ostream& out);

// One CSV field: quoted when it holds a comma, a quote or a line break.
String CsvField(const String& text);

}  // namespace velko::host
