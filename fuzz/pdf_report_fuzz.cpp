// Texts printed into the PDF report: a heading, a table's format, header and body and a page text
// (the input split at its 0x01 bytes). Whatever the texts hold, the writer makes a whole PDF.
#include <array>

#include "fuzz_support.hpp"
#include "velko/host/report/pdf_report.hpp"

using namespace velko;

namespace {

// The parts of the input between 0x01 bytes; missing parts are empty.
std::array<std::string_view, 5> Parts(std::string_view bytes) {
  std::array<std::string_view, 5> parts{};
  for (std::size_t i = 0; i < parts.size() - 1; ++i) {
    const std::size_t end = bytes.find('\x01');
    parts[i] = bytes.substr(0, end);
    if (end == std::string_view::npos) return parts;
    bytes.remove_prefix(end + 1);
  }
  parts.back() = bytes;
  return parts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  const std::array<std::string_view, 5> parts = Parts(bytes);
  const String heading(parts[0]), format(parts[1]), header(parts[2]), body(parts[3]);
  const String pageText(parts[4]);
  const Long style = bytes.empty() ? 6 : static_cast<unsigned char>(bytes.front()) % 13;

  host::PdfReport report(size % 2 ? host::Paper::kLetter : host::Paper::kA4);
  report.SetPageTexts(pageText, heading, body, {});
  fuzz::Tolerating([&] {
    report.SetStyle(style);
    report.SetTableStyle(static_cast<Integer>(style % 5));
    report.SetTableMode(static_cast<Long>(size % 2));
    report.SetOption(static_cast<Integer>(size / 2 % 2));
    const Long top = report.PositionY();
    report.PrintHeading(heading);
    report.PrintTable(format, header, body, static_cast<Long>(size * 2654435761u % 0x1000000), 0,
                      0);
    report.DrawLine(report.RightEdge(), top, report.RightEdge(), report.PositionY());
    report.DrawLine(0, report.PositionY(), report.PageWidth() / 2, report.PositionY());
    (void)report.TextWidth(body);
  });
  const String pdf = report.Pdf();
  fuzz::Require(pdf.rfind("%PDF-", 0) == 0, "the report is no PDF");
  fuzz::Require(pdf.find("%%EOF") != String::npos, "the PDF is not complete");
  return 0;
}
