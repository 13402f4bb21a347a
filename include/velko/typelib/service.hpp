// Service activities, service records and data items.
#pragma once

#include "velko/frame/enumerator.hpp"
#include "velko/frame/guid.hpp"
#include "velko/frame/variant.hpp"
#include "velko/typelib/forward.hpp"

namespace velko {

class IActivity : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IActivity, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F21}");
  virtual String Activity() = 0;
  virtual void SetActivity(const String& activity) = 0;
  virtual String ServiceEv() = 0;
  virtual void SetServiceEv(const String& serviceEvent) = 0;
  virtual Boolean SelectAll() = 0;
  virtual void SetSelectAll(Boolean selectAll) = 0;
  virtual Ref<IActivity> Clone() = 0;
  // Whether `other` is covered by this activity.
  virtual Boolean Compare(const Ref<IActivity>& other) = 0;
  virtual void Load(const Ref<IXmlElement>& in) = 0;
  virtual Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) = 0;
};

class IActivities : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IActivities, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F22}");
  virtual Long Count() = 0;
  // index != 0: by 1-based position; else by the key activity "::" service event.
  virtual Ref<IActivity> Item(Long index, const String& activity = String(),
                              const String& serviceEvent = String()) = 0;
  virtual Boolean SelectAll() = 0;
  virtual void SetSelectAll(Boolean selectAll) = 0;
  virtual void Add(const Ref<IActivity>& activity, const Variant& reserved1 = Variant::Missing(),
                   const Variant& reserved2 = Variant::Missing()) = 0;
  virtual Ref<IActivity> AddNew(const String& activity, const String& serviceEvent) = 0;
  virtual Ref<IActivities> Clone() = 0;
  virtual Boolean Contains(const Ref<IActivity>& activity) = 0;
  virtual Boolean Selected(const Ref<IActivity>& activity) = 0;
  virtual void Remove(Long index, const String& activity = String(),
                      const String& serviceEvent = String()) = 0;
  virtual void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) = 0;
  virtual Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) = 0;
  virtual Ref<IEnumVariant> NewEnum() = 0;
};

// An entry of the host's definition of all known activities (outside the library).
class IActivityDefinition : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IActivityDefinition, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F23}");
  // Entries with the same group number are alternatives of one kind.
  virtual Long Group() = 0;
};

class IServiceRecord : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IServiceRecord, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F24}");
  virtual String CompleteRecord() = 0;
  virtual void SetCompleteRecord(const String& record) = 0;
  virtual String ID() = 0;
  virtual void SetID(const String& id) = 0;
  virtual String Status() = 0;
  virtual void SetStatus(const String& status) = 0;
  virtual String Value() = 0;
  virtual void SetValue(const String& value) = 0;
  virtual void Initialize(const Ref<IElementFilter>& filter, const String& status,
                          const String& value) = 0;
  virtual Ref<IServiceRecord> Clone() = 0;
  virtual void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) = 0;
  virtual Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) = 0;
};

class IDataItem : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IDataItem, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F25}");
  virtual String Name() = 0;
  virtual void SetName(const String& name) = 0;
  virtual Integer Order() = 0;
  virtual void SetOrder(Integer order) = 0;
  virtual String Caption() = 0;
  virtual void SetCaption(const String& caption) = 0;
  virtual String Data() = 0;
  virtual void SetData(const String& data) = 0;
  virtual Boolean Required() = 0;
  virtual void SetRequired(Boolean required) = 0;
  virtual Boolean IsKey() = 0;
  virtual void SetIsKey(Boolean isKey) = 0;
  virtual Ref<IDataItem> Clone() = 0;
  virtual void Load(const Ref<IXmlElement>& in) = 0;
  virtual Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) = 0;
};

class IItemCollection : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IItemCollection, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F26}");
  virtual Long Count() = 0;
  // index >= 1: by 1-based position; else by name.
  virtual Ref<IDataItem> Item(Long index, const String& name = String()) = 0;
  virtual void Add(const Ref<IDataItem>& item, const Ref<IDataItem>& before = nullptr,
                   const Ref<IDataItem>& after = nullptr) = 0;
  virtual void Remove(const Ref<IDataItem>& item) = 0;
  virtual Ref<IItemCollection> Clone() = 0;
  virtual void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) = 0;
  virtual Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) = 0;
  virtual void LoadRegDefaults(const String& plugInId, Long hive, const String& keyPath) = 0;
  virtual Ref<IEnumVariant> NewEnum() = 0;
};

}  // namespace velko
