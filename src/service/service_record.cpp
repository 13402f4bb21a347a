#include "velko/service/service_record.hpp"

#include "velko/core/error_module.hpp"
#include "velko/typelib/xml.hpp"

namespace velko {
namespace {
constexpr ErrorPolicy kClonePolicy("VelkoCore.CServiceRecord");
}  // namespace

VELKO_PUBLIC_CLASS(CServiceRecord, Instancing::kCreatable, IServiceRecord);

String CServiceRecord::CompleteRecord() {
  if (id_.empty()) return {};
  String record = id_;
  if (!status_.empty()) record += ":" + status_;
  if (!status_.empty() && !value_.empty()) record += "/" + value_;
  return record;
}

void CServiceRecord::SetCompleteRecord(const String& record) {
  const auto colon = record.find(':');
  if (colon != String::npos) {
    id_ = record.substr(0, colon);
    const auto slash = record.find('/', colon + 1);
    if (slash != String::npos) {
      status_ = record.substr(colon + 1, slash - colon - 1);
      value_ = record.substr(slash + 1);
    } else {
      status_ = record.substr(colon + 1);
      value_.clear();
    }
    return;
  }
  const auto slash = record.find('/');
  if (slash != String::npos) {
    // An identifier and a value without a status.
    id_ = record.substr(0, slash);
    status_.clear();
    value_ = record.substr(slash + 1);
    return;
  }
  id_ = record;
  status_.clear();
  value_.clear();
}

String CServiceRecord::Value() {
  return status_ == "NA" ? String("NA") : value_;
}

void CServiceRecord::SetValue(const String& value) {
  std::string_view text = value;
  if (!text.empty() && text.front() == '/') text.remove_prefix(1);
  if (!text.empty() && text.back() == '/') text.remove_suffix(1);
  value_ = String(text);
}

void CServiceRecord::Initialize(const Ref<IElementFilter>& filter, const String& status,
                                const String& value) {
  Quietly([&] {
    id_ = filter ? filter->ServiceRecordID() : String();
    if (filter && (filter->ServiceRecordOptions() & 4) != 0) SetValue(value);
  });
  status_ = status.empty() ? String("P") : status;
}

Ref<IServiceRecord> CServiceRecord::Clone() {
  return Guarded(kClonePolicy, [&] {
    auto copy = MakeRef<CServiceRecord>();
    copy->id_ = id_;
    copy->status_ = status_;
    copy->value_ = value_;
    return Ref<IServiceRecord>(copy);
  });
}

void CServiceRecord::Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& /*log*/) {
  Quietly([&] {
    if (in && in->TagName() == "ServiceRecord") SetCompleteRecord(in->ElementText());
  });
}

Ref<IXmlElement> CServiceRecord::Save(const Ref<IXmlDocument>& owner) {
  return QuietlyOr(Ref<IXmlElement>(), [&] {
    const String record = CompleteRecord();
    if (record.empty()) return Ref<IXmlElement>();
    Ref<IXmlElement> element = owner->CreateElement("ServiceRecord");
    if (element) element->SetElementText(record);
    return element;
  });
}

}  // namespace velko
