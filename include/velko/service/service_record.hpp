// One service-record entry of a test element: identifier, status and value, written as the record
// text "ID:Status/Value".
#pragma once

#include "velko/frame/class_table.hpp"
#include "velko/typelib/sequence.hpp"
#include "velko/typelib/service.hpp"

namespace velko {

// VelkoCore.CServiceRecord (creatable). No member raises except Clone.
class CServiceRecord : public IServiceRecord {
 public:
  VELKO_CLASS_IDS("{2C8A4E61-9B3D-4F70-8E12-6A7B8C9D0E11}",
                  "{2C8A4E61-9B3D-4F70-8E12-6A7B8C9D0E12}");

  // "" without ID; else ID, ":" Status when there is one, "/" Value when both are there.
  String CompleteRecord() override;
  // Parses a record text: "ID:Status/Value", "ID:Status", "ID/Value" or "ID".
  void SetCompleteRecord(const String& record) override;
  String ID() override { return id_; }
  void SetID(const String& id) override { id_ = id; }
  String Status() override { return status_; }
  void SetStatus(const String& status) override { status_ = status; }
  // "NA" when the status is "NA", else the stored value.
  String Value() override;
  // Stores the text without one leading and one trailing "/".
  void SetValue(const String& value) override;
  void Initialize(const Ref<IElementFilter>& filter, const String& status,
                  const String& value) override;
  Ref<IServiceRecord> Clone() override;
  // Reads the record text of a "ServiceRecord" element; other elements are ignored.
  void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) override;
  // A "ServiceRecord" element holding the record text; none when the text is empty.
  Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) override;

 private:
  String id_;
  String status_;
  String value_;
};

}  // namespace velko
