// Texts printed into the HTML report: a heading, a table's format, header and body (the input
// split at its 0x01 bytes) and a character map. Whatever the texts hold, the page is valid UTF-8
// and no markup of theirs becomes an element of the page.
#include <array>

#include "fuzz_support.hpp"
#include "velko/outside/html_report.hpp"

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

void RequireNoForeignElement(const String& html) {
  for (const char* tag : {"<script", "<img", "<svg", "<iframe", "<object", "<a "}) {
    fuzz::Require(html.find(tag) == String::npos, "report text became an element of the page");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  const std::array<std::string_view, 5> parts = Parts(bytes);
  const String heading(parts[0]), format(parts[1]), header(parts[2]), body(parts[3]);
  const std::string_view map = parts[4];
  const Long style = bytes.empty() ? 6 : static_cast<unsigned char>(bytes.front()) % 13;

  HtmlReport report("Report " + heading);
  fuzz::Tolerating([&] {
    report.SetStyle(style);
    report.SetTableStyle(static_cast<Integer>(style % 5));
    const Long top = report.PositionY();
    report.PrintHeading(heading);
    report.PrintTable(format, header, body, static_cast<Long>(size * 2654435761u % 0x1000000), 0,
                      0);
    report.DrawLine(report.RightEdge(), top, report.RightEdge(), report.PositionY());
    report.DrawLine(0, report.PositionY(), report.PageWidth() / 2, report.PositionY());
    (void)report.TextWidth(body);
  });
  const String html = report.Html();
  fuzz::Require(fuzz::IsValidUtf8(html), "the report page is not valid UTF-8");
  RequireNoForeignElement(html);

  // ReplaceChars maps the characters of one text onto those of another.
  const std::size_t half = map.size() / 2;
  String replaced;
  if (fuzz::Tolerating([&] {
        replaced = report.ReplaceChars(body, String(map.substr(0, half)), String(map.substr(half)));
      }) &&
      fuzz::IsValidUtf8(body) && fuzz::IsValidUtf8(map.substr(0, half)) &&
      fuzz::IsValidUtf8(map.substr(half))) {
    fuzz::Require(fuzz::IsValidUtf8(replaced), "ReplaceChars made invalid UTF-8");
  }
  return 0;
}
