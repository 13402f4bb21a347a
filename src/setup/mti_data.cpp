#include "velko/setup/mti_data.hpp"

#include "velko/core/error_module.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/core/log_section.hpp"
#include "velko/core/xml_walk.hpp"
#include "velko/frame/keyed_collection.hpp"
#include "velko/outside/value_formatter.hpp"
#include "velko/service/data_item.hpp"
#include "velko/typelib/xml.hpp"

namespace velko {
namespace {

constexpr const char* kDataSource = "VelkoCore.CMTIData";
constexpr const char* kCollSource = "VelkoCore.CMTIDataColl";
constexpr ErrorPolicy kDataPolicy(kDataSource, {err::kItemNoName, err::kMtiLoad, err::kMtiSave});
constexpr ErrorPolicy kAddPolicy(kCollSource,
                                 {err::kMtiNoPlugIn, err::kMtiNoNumber, ErrorNumber(0x8004A73Fu)});
constexpr ErrorPolicy kCollPolicy(kCollSource, {err::kMtiSave});

thread_local bool calDateExists = false;

// A missing or empty "ID" counts as no number; any other text must be a number.
Long ReadInstrumentNumber(const String& text) {
  return text.empty() ? 0 : Variant(text).ToLong();
}

class CMTIDataColl final : public IMTIDataColl {
 public:
  Long Count() override { return instruments_.Count(); }
  Ref<IMTIData> Item(Long index) override {
    return QuietlyOr(Ref<IMTIData>(), [&] { return instruments_.Item(index); });
  }
  void Add(const Ref<IMTIData>& instrument) override {
    Guarded(kAddPolicy, [&] {
      if (!instrument) return;
      if (instrument->PlugInID().empty()) RaiseError(err::kMtiNoPlugIn, kCollSource, kLevelFatal);
      if (instrument->MTIID() == 0) RaiseError(err::kMtiNoNumber, kCollSource, kLevelFatal);
      instruments_.Add(KeyOf(instrument->PlugInID(), instrument->MTIID()), instrument);
    });
  }
  Ref<IMTIData> FindItem(const String& plugInId, Long number) override {
    return QuietlyOr(Ref<IMTIData>(), [&] {
      for (const Ref<IMTIData>& i : instruments_) {
        if (i->PlugInID() == plugInId && i->MTIID() == number) return i;
      }
      return Ref<IMTIData>();
    });
  }
  void Clear() override { instruments_.Clear(); }
  void Remove(const String& plugInId, Long number) override {
    Quietly([&] {
      if (plugInId.empty()) return;
      if (number != 0) {
        if (instruments_.Contains(KeyOf(plugInId, number)))
          instruments_.Remove(KeyOf(plugInId, number));
        return;
      }
      for (Long p = instruments_.Count(); p >= 1; --p) {
        if (instruments_.Item(p)->PlugInID() == plugInId) instruments_.Remove(p);
      }
    });
  }
  void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) override {
    ScopedLogSection section(log, String(), "E5075::Loading MTI data...");
    Guarded(kCollPolicy, [&] {
      instruments_.Clear();
      ForEachChildElement(in, [&](const Ref<IXmlElement>& child) {
        if (child->TagName() != "MTIData") return;
        auto instrument = MakeRef<CMTIData>();
        try {
          instrument->Load(child, log);
        } catch (const Error& e) {
          if (e.Number() == err::kMtiLoad) return;  // already reported to the log
          throw;
        }
        Add(instrument);
      });
    });
  }
  Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) override {
    return Guarded(kCollPolicy, [&] {
      if (instruments_.Empty()) return Ref<IXmlElement>();
      Ref<IXmlElement> element = owner->CreateElement("TestInstruments");
      if (!element) RaiseError(err::kMtiSave, kCollSource, kLevelSave);
      for (const Ref<IMTIData>& i : instruments_)
        AppendIfSome(element, i->Save(owner));
      return element;
    });
  }
  Ref<IEnumVariant> NewEnum() override {
    VariantArray items;
    for (const Ref<IMTIData>& i : instruments_)
      items.emplace_back(i);
    return MakeEnumerator(std::move(items));
  }

 private:
  static String KeyOf(const String& plugInId, Long number) {
    return plugInId + "::" + FormatValue(Variant(number));
  }
  KeyedCollection<Ref<IMTIData>> instruments_;
};

}  // namespace

VELKO_PUBLIC_CLASS(CMTIData, Instancing::kCreatable, IMTIData);

void CMTIData::Initialize(const String& plugInId, Long number) {
  plugInId_ = plugInId;
  mtiId_ = number;
}

void CMTIData::StoreMTIData(const String& type, const String& serialNo,
                            const String& firmwareVersion) {
  type_ = type;
  serialNo_ = serialNo;
  firmware_ = firmwareVersion;
}

Ref<IDataItem> CMTIData::AddCustomData(const String& name, const String& value) {
  return Guarded(kDataPolicy, [&] {
    if (name.empty()) RaiseError(err::kItemNoName, kDataSource, kLevelItem);
    if (!customData_) customData_ = MakeRef<CItemCollection>();
    auto item = MakeRef<CDataItem>();
    item->SetName(name);
    item->SetData(value);
    customData_->Add(item);
    return Ref<IDataItem>(item);
  });
}

void CMTIData::Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) {
  calDateExists = false;
  ScopedLogSection section(log, String(), String());
  Guarded(kDataPolicy, [&] {
    plugInId_.clear();
    type_.clear();
    serialNo_.clear();
    firmware_.clear();
    mtiId_ = 0;
    customData_.Reset();
    plugInId_ = in->GetAttribute("PlugIn");
    mtiId_ = ReadInstrumentNumber(in->GetAttribute("ID"));
    if (plugInId_.empty() && mtiId_ == 0) {
      section.LogError(err::kMtiLoad, kLevelData,
                       "5076::Data for one MTI used when performing the test cannot be loaded due "
                       "to missing Plug-In ID or MTI ID.");
      RaiseError(err::kMtiLoad, kDataSource, kLevelData);
    }
    ForEachChildElement(in, [&](const Ref<IXmlElement>& child) {
      const String tag = child->TagName();
      if (tag == "Type") {
        type_ = child->ElementText();
      } else if (tag == "SerialNumber") {
        serialNo_ = child->ElementText();
      } else if (tag == "Version") {
        firmware_ = child->ElementText();
      } else if (tag == "PlugInData") {
        customData_ = MakeRef<CItemCollection>();
        customData_->Load(child, log);
        if (customData_->Count() == 0) customData_.Reset();
      } else if (tag == "CalibrationDate") {
        calDateExists = true;
        calDate_ = child->ElementText();
      }
    });
  });
}

Ref<IXmlElement> CMTIData::Save(const Ref<IXmlDocument>& owner) {
  return Guarded(kDataPolicy, [&] {
    if (plugInId_.empty() || mtiId_ < 1) return Ref<IXmlElement>();
    Ref<IXmlElement> element = owner->CreateElement("MTIData");
    if (!element) RaiseError(err::kMtiSave, kDataSource, kLevelFatal);
    element->SetAttribute("PlugIn", plugInId_);
    element->SetAttribute("ID", FormatValue(Variant(mtiId_)));
    if (!type_.empty()) AppendTextChild(element, "Type", type_);
    if (!serialNo_.empty()) AppendTextChild(element, "SerialNumber", serialNo_);
    if (!firmware_.empty()) AppendTextChild(element, "Version", firmware_);
    // Written so that a saved record keeps the calibration date its instruments were read with.
    if (!calDate_.empty()) AppendTextChild(element, "CalibrationDate", calDate_);
    if (customData_) {
      if (Ref<IXmlElement> data = customData_->Save(owner)) {
        data->SetTagName("PlugInData");
        element->AppendChild(data);
      }
    }
    return element;
  });
}

Boolean CMTIData::CalDateExists() {
  return calDateExists;
}
void CMTIData::SetCalDateExists(Boolean exists) {
  calDateExists = exists;
}

Ref<IMTIDataColl> CreateMTIDataColl() {
  return MakeRef<CMTIDataColl>();
}

}  // namespace velko
