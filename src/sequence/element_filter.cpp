#include "velko/sequence/element_filter.hpp"

#include "velko/core/error_module.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/core/log_section.hpp"
#include "velko/core/xml_walk.hpp"
#include "velko/frame/numeric.hpp"
#include "velko/outside/value_formatter.hpp"
#include "velko/service/activities.hpp"
#include "velko/typelib/xml.hpp"

namespace velko {
namespace {

constexpr const char* kSource = "VelkoCore.CElementFilter";
constexpr const char* kLoadContext = "E5055::Loading element filter";

// The activity list's own errors reach the caller unchanged.
constexpr ErrorPolicy kLoadPolicy{
    kSource,
    {err::kFilterWrongTag, err::kActivitiesWrongTag, err::kActivityNoType, err::kActivityPresent}};
constexpr ErrorPolicy kSavePolicy{kSource, {err::kFilterSave, err::kActivitySave}};
constexpr ErrorPolicy kClonePolicy{kSource};

class CElementFilter final : public IElementFilter {
 public:
  Ref<IActivities> Activities() override { return activities_; }
  Boolean IncludeInReport() override { return includeInReport_; }
  void SetIncludeInReport(Boolean include) override { includeInReport_ = include; }
  Long ServiceRecordOptions() override { return serviceRecordOptions_; }
  void SetServiceRecordOptions(Long options) override { serviceRecordOptions_ = options; }
  String ServiceRecordID() override { return serviceRecordId_; }
  void SetServiceRecordID(const String& id) override { serviceRecordId_ = id; }
  Ref<IElementFilter> Clone() override;
  void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) override;
  Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) override;

 private:
  Boolean includeInReport_ = true;
  Long serviceRecordOptions_ = 0;
  String serviceRecordId_;
  Ref<IActivities> activities_ = MakeRef<CActivities>();
};

Ref<IElementFilter> CElementFilter::Clone() {
  return Guarded(kClonePolicy, [&] {
    auto copy = MakeRef<CElementFilter>();
    copy->includeInReport_ = includeInReport_;
    copy->serviceRecordId_ = serviceRecordId_;
    copy->serviceRecordOptions_ = serviceRecordOptions_;
    copy->activities_ = activities_->Clone();
    return Ref<IElementFilter>(copy);
  });
}

void CElementFilter::Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) {
  Guarded(kLoadPolicy, [&] {
    ScopedLogSection section(log, String(), kLoadContext);
    if (!HasTagName(in, "Filter")) RaiseError(err::kFilterWrongTag, kSource, kLevelFatal);
    // Read aside and put in place at the end: a load that fails half-way leaves the old content.
    // Without an "IncludeInReport" child the filter is not printed; the service record
    // identifier stays unless a "ServiceRecord" child replaces it.
    Boolean include = false;
    Long options = 0;
    String recordId = serviceRecordId_;
    const Ref<IActivities> activities = MakeRef<CActivities>();
    ForEachChildElement(in, [&](const Ref<IXmlElement>& child) {
      String tagStorage;
      String storage;
      const std::string_view tag = TagNameView(child, tagStorage);
      if (tag == "IncludeInReport") {
        include = true;  // its presence is the value
      } else if (tag == "ServiceRecord") {
        recordId = String(ElementTextView(child, storage));
        const std::string_view optionsText = AttributeView(child, "Options", storage);
        if (!optionsText.empty()) options = ParseLong(optionsText);
      } else if (tag == "ServiceEvents") {
        activities->Load(child, log);
      }
    });
    includeInReport_ = include;
    serviceRecordOptions_ = options;
    serviceRecordId_ = std::move(recordId);
    activities_ = activities;
  });
}

Ref<IXmlElement> CElementFilter::Save(const Ref<IXmlDocument>& owner) {
  return Guarded(kSavePolicy, [&] {
    const Ref<IXmlElement> filter = owner->CreateElement("Filter");
    if (!filter) RaiseError(err::kFilterSave, kSource, kLevelSave);
    if (includeInReport_) {
      // Without this child the filter would read back as not printed: a document that does not
      // create it fails the save.
      const Ref<IXmlElement> include = owner->CreateElement("IncludeInReport");
      if (!include) RaiseError(err::kFilterSave, kSource, kLevelSave);
      filter->AppendChild(include);
    }
    if (serviceRecordOptions_ > 0) {
      const Ref<IXmlElement> record = filter->AddTextElement("ServiceRecord", serviceRecordId_);
      record->SetAttribute("Options", FormatValue(Variant(serviceRecordOptions_)));
    }
    if (activities_->Count() > 0) AppendIfSome(filter, activities_->Save(owner));
    return filter;
  });
}

}  // namespace

Ref<IElementFilter> CreateElementFilter() {
  return MakeRef<CElementFilter>();
}

}  // namespace velko
