// A report writer for tests: keeps every call with its arguments, answers the queries from
// settings, and implements ReplaceChars and Translate for real.
#pragma once

#include <vector>

#include "velko/typelib/report.hpp"

namespace velko::test {

struct ReportCall {
  String name;  // the member, e.g. "PrintTable"
  std::vector<Variant> args;
  Variant result;  // what a query returned (Empty for the other members)

  // "Name(arg, arg, ...)": texts quoted, numbers plain, e.g. PrintTable("<+100", "A", "", 0, 0, 0).
  String Text() const;
  String Arg(std::size_t index) const;  // the argument as text ("" when absent)
};

class RecordingReport final : public IReport {
 public:
  enum class TranslateMode {
    kDefaultText,  // the key's default text with its parameters ("460::Selections" -> "Selections")
    kKey,          // the key as it stands
  };

  // Settings (public on purpose: a test sets what it needs).
  Long pageWidth = 10000;
  Long rightEdge = 10000;
  Long reportLevel = 3;
  Long reportOptions = 0;
  Long positionY = 0;       // the next PositionY answer
  Long positionStep = 240;  // added to positionY by every PrintHeading and PrintTable
  Long charWidth = 100;     // TextWidth: characters times this
  TranslateMode translateMode = TranslateMode::kDefaultText;

  Long PositionY() override;
  void SetStyle(Long style) override;
  Long RightEdge(Long which = -1) override;
  Long PageWidth(Long which = -1) override;
  void PrintHeading(const String& text) override;
  void SetTableStyle(Integer style) override;
  void SetTableMode(Long mode) override;
  void SetTableParam(Long param) override;
  void SetOption(Integer option) override;
  Long ReportLevel() override;
  Long ReportOptions() override;
  void PrintTable(const String& format, const String& header, const String& body, Long backColour,
                  Long reserved1, Long reserved2) override;
  void DrawLine(Long x1, Long y1, Long x2, Long y2) override;
  String ReplaceChars(const String& text, const String& from, const String& to) override;
  Long TextWidth(const String& text) override;
  String Translate(const String& plugInId, const String& messageKey,
                   const Variant& params) override;

  const std::vector<ReportCall>& Calls() const { return calls_; }
  // The calls of one member, in order.
  std::vector<ReportCall> Calls(const String& name) const;
  // The calls that change the output (setters, PrintHeading, PrintTable, DrawLine) as texts,
  // one per line; queries such as PageWidth and Translate are left out.
  String Transcript() const;
  void Clear() { calls_.clear(); }

 private:
  void Record(String name, std::vector<Variant> args, Variant result = {});

  std::vector<ReportCall> calls_;
};

}  // namespace velko::test
