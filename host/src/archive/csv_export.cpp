#include "velko/host/archive/csv_export.hpp"

#include "velko/frame/numeric.hpp"

namespace velko::host {
namespace {

String TextCell(const String& text) {
  const bool formula = !text.empty() && String("=+-@\t\r").find(text.front()) != String::npos;
  return CsvField(formula ? "'" + text : text);
}

String NumberCell(const std::optional<double>& value) {
  return value ? FormatNumber(*value) : String();
}

String LimitsCell(const std::vector<ArchivedLimit>& limits) {
  String text;
  for (const ArchivedLimit& limit : limits) {
    if (!text.empty()) text += "; ";
    text += limit.standard + ":";
    if (limit.low) text += " >= " + FormatNumber(*limit.low);
    if (limit.high) text += " <= " + FormatNumber(*limit.high);
  }
  return TextCell(text);
}

}  // namespace

String CsvField(const String& text) {
  if (text.find_first_of(",\"\r\n") == String::npos) return text;
  String quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

void WriteMeasurementsCsv(Archive& archive, const String& device, std::ostream& out) {
  out << "record_id,serial,asset,manufacturer,model,sequence,started,finished,verdict,tester,"
         "station,element_id,element,key,value,value_text,unit,status,limits\r\n";
  archive.ForEachMeasurement(device, [&](const RecordSummary& r, const ArchivedMeasurement& m) {
    out << TextCell(r.recordId) << ',' << TextCell(r.device.serial) << ','
        << TextCell(r.device.asset) << ',' << TextCell(r.device.manufacturer) << ','
        << TextCell(r.device.model) << ',' << TextCell(r.sequenceName) << ',' << TextCell(r.started)
        << ',' << TextCell(r.finished) << ',' << r.verdict << ',' << TextCell(r.tester) << ','
        << TextCell(r.station) << ',' << m.elementId << ',' << TextCell(m.elementName) << ','
        << TextCell(m.key) << ',' << NumberCell(m.value) << ',' << TextCell(m.valueText) << ','
        << TextCell(m.unit) << ',' << m.status << ',' << LimitsCell(m.limits) << "\r\n";
  });
}

}  // namespace velko::host
