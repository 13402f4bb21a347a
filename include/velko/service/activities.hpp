// Service activities: one kind of service work (optionally narrowed to one service event) and an
// ordered, keyed set of them with a select-all switch. Both read and write themselves as XML:
//
//   <ServiceEvents SelectAll="True">
//     <Activity Type="Inspection" Event="Annual"/>
//     <Activity Type="Repair"/>            (no Event: every event of the activity)
//   </ServiceEvents>
#pragma once

#include "velko/frame/class_table.hpp"
#include "velko/frame/keyed_collection.hpp"
#include "velko/typelib/service.hpp"

namespace velko {

// One activity (VelkoCore.CActivity, creatable).
class CActivity : public IActivity {
 public:
  VELKO_CLASS_IDS("{66C330A8-47AE-477A-A380-259ED3FDBA45}",
                  "{F6F3D597-5B27-4986-8B41-D6E16D813097}");

  String Activity() override { return activity_; }
  void SetActivity(const String& activity) override { activity_ = activity; }
  String ServiceEv() override { return serviceEv_; }
  void SetServiceEv(const String& serviceEvent) override { serviceEv_ = serviceEvent; }
  Boolean SelectAll() override { return selectAll_; }
  void SetSelectAll(Boolean selectAll) override { selectAll_ = selectAll; }

  Ref<IActivity> Clone() override;
  // Whether `other` is covered by this activity: the same activity name (case-sensitive) and,
  // when `other` names a service event, the same event or SelectAll here. False for none.
  Boolean Compare(const Ref<IActivity>& other) override;
  // Reads "Type" (required: 0x8004A4A0 when missing or empty) and "Event"; no "Event" means
  // SelectAll. The tag is not examined.
  void Load(const Ref<IXmlElement>& in) override;
  // An "Activity" element; "Event" only when SelectAll is False. 0x8004A49F when the document
  // gives no element.
  Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) override;

 private:
  String activity_;
  String serviceEv_;
  Boolean selectAll_ = false;
};

// The ordered set (VelkoCore.CActivities, creatable). The key of an activity is its activity name,
// "::" and its service event ("Inspection::Annual"). Keys are compared without regard to case, as
// the runtime's keyed collection compares them, so the set never holds two entries that differ
// only in case; matching (Compare, Contains) stays case-sensitive.
class CActivities : public IActivities {
 public:
  VELKO_CLASS_IDS("{1F4674C4-AD6C-4CC3-A12E-CEF872579B4E}",
                  "{5A2FE224-C030-4BC7-AA7C-53709B35FB73}");

  // Count, Item, SelectAll, Selected and NewEnum never raise.
  Long Count() override;
  Ref<IActivity> Item(Long index, const String& activity = String(),
                      const String& serviceEvent = String()) override;
  Boolean SelectAll() override { return selectAll_; }
  void SetSelectAll(Boolean selectAll) override { selectAll_ = selectAll; }
  // Appends under the activity's key (0x8004A497 when present); none is ignored.
  void Add(const Ref<IActivity>& activity, const Variant& reserved1 = Variant::Missing(),
           const Variant& reserved2 = Variant::Missing()) override;
  Ref<IActivity> AddNew(const String& activity, const String& serviceEvent) override;
  Ref<IActivities> Clone() override;
  Boolean Contains(const Ref<IActivity>& activity) override;
  Boolean Selected(const Ref<IActivity>& activity) override;
  // By 1-based position when `index` is not 0, else by key; 0x8004A496 when there is none.
  void Remove(Long index, const String& activity = String(),
              const String& serviceEvent = String()) override;
  // Replaces the whole content from a "ServiceEvents" element (0x8004A49E for another tag).
  // Activities without "Type" and repeated keys are logged (while a log section is open) and
  // skipped; child nodes that are not elements carry nothing and are skipped.
  void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) override;
  // None for an empty set without SelectAll.
  Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) override;
  Ref<IEnumVariant> NewEnum() override;

  // Range-for over the activities in order (do not change the set while iterating).
  auto begin() const { return activities_.begin(); }
  auto end() const { return activities_.end(); }

  // The key of an activity in the set.
  static String KeyOf(const String& activity, const String& serviceEvent);

 private:
  void AddUnguarded(const Ref<IActivity>& activity);

  KeyedCollection<Ref<IActivity>> activities_;
  Boolean selectAll_ = false;
};

}  // namespace velko
