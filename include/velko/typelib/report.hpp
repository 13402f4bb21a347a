// The report writer: every PrintReport lays out its report through these calls. Lengths are in
// the writer's unit, the one PageWidth returns.
#pragma once

#include "velko/frame/guid.hpp"
#include "velko/frame/variant.hpp"

namespace velko {

// Back colour of shaded header tables (RGB 192, 192, 192).
constexpr Long kReportLightGrey = 12632256;

class IReport : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IReport, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4E10}");
  virtual Long PositionY() = 0;
  // 3 section heading, 4 verdict line, 5 and 6 body after a heading, 9, 10 spacer row, 11 block.
  virtual void SetStyle(Long style) = 0;
  virtual Long RightEdge(Long which = -1) = 0;
  virtual Long PageWidth(Long which = -1) = 0;
  virtual void PrintHeading(const String& text) = 0;
  virtual void SetTableStyle(Integer style) = 0;
  virtual void SetTableMode(Long mode) = 0;
  virtual void SetTableParam(Long param) = 0;
  virtual void SetOption(Integer option) = 0;
  virtual Long ReportLevel() = 0;    // 3 is the detailed report
  virtual Long ReportOptions() = 0;  // bit set of what to print
  // format: column formats separated by "|"; header and body: cells separated by "|", rows ended
  // by ";".
  virtual void PrintTable(const String& format, const String& header, const String& body,
                          Long backColour, Long reserved1, Long reserved2) = 0;
  virtual void DrawLine(Long x1, Long y1, Long x2, Long y2) = 0;
  // Each character of `from` replaced by the character at the same position of `to`.
  virtual String ReplaceChars(const String& text, const String& from, const String& to) = 0;
  virtual Long TextWidth(const String& text) = 0;
  virtual String Translate(const String& plugInId, const String& messageKey,
                           const Variant& params) = 0;
};

}  // namespace velko
