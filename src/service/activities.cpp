#include "velko/service/activities.hpp"

#include "velko/core/error_module.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/core/log_section.hpp"
#include "velko/core/xml_walk.hpp"
#include "velko/frame/enumerator.hpp"
#include "velko/typelib/xml.hpp"

namespace velko {

VELKO_PUBLIC_CLASS(CActivity, Instancing::kCreatable, IActivity);
VELKO_PUBLIC_CLASS(CActivities, Instancing::kCreatable, IActivities);

namespace {

constexpr const char* kActivitySource = "VelkoCore.CActivity";
constexpr const char* kActivitiesSource = "VelkoCore.CActivities";

constexpr const char* kActivitiesTag = "ServiceEvents";
constexpr const char* kActivityTag = "Activity";

constexpr const char* kNoTypeMessage =
    "5050::A service event cannot be loaded due to missing Activity data.";
// The catalogue's text ends with a blank; the key must match it exactly.
constexpr const char* kTwiceMessage =
    "5051::A service event occurred twice in this collection. The second service event cannot be "
    "loaded. ";

// CActivity
constexpr ErrorPolicy kActivityCentral{kActivitySource};
constexpr ErrorPolicy kActivityLoad{kActivitySource, {err::kActivityNoType}};
constexpr ErrorPolicy kActivitySave{kActivitySource, {err::kActivitySave}};

// CActivities
constexpr ErrorPolicy kCentral{kActivitiesSource};
constexpr ErrorPolicy kAdd{
    kActivitiesSource, {err::kActivityPresent}, err::kActivityPresent, err::kActivityNotFound};
constexpr ErrorPolicy kRemove{
    kActivitiesSource, {err::kActivityNotFound}, err::kActivityPresent, err::kActivityNotFound};
constexpr ErrorPolicy kLoad{kActivitiesSource, {err::kActivitiesWrongTag}};
constexpr ErrorPolicy kSave{kActivitiesSource, {err::kActivitySave}};

// One "Activity" child: an entry without "Type" and a repeated key are logged and skipped; any
// other failure ends the load.
void LoadActivity(const Ref<IXmlElement>& child, KeyedCollection<Ref<IActivity>>& activities,
                  ScopedLogSection& section) {
  const auto activity = MakeRef<CActivity>();
  try {
    activity->Load(child);
  } catch (const Error& e) {
    if (e.Number() != err::kActivityNoType) throw;
    section.LogError(err::kActivityNoType, kLevelData, kNoTypeMessage);
    return;
  }
  // The first occurrence of a key stays.
  if (!activities.TryAdd(CActivities::KeyOf(activity->Activity(), activity->ServiceEv()),
                         activity)) {
    section.LogError(err::kActivityPresent, kLevelData, kTwiceMessage);
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// CActivity

Ref<IActivity> CActivity::Clone() {
  return Guarded(kActivityCentral, [&] {
    auto copy = MakeRef<CActivity>();
    copy->activity_ = activity_;
    copy->serviceEv_ = serviceEv_;
    copy->selectAll_ = selectAll_;
    return Ref<IActivity>(copy);
  });
}

Boolean CActivity::Compare(const Ref<IActivity>& other) {
  return Guarded(kActivityCentral, [&] {
    if (!other) return false;
    const bool sameActivity = other->Activity() == activity_;
    const String otherEvent = other->ServiceEv();
    // A question without a service event is answered by the activity name alone.
    if (otherEvent.empty()) return sameActivity;
    return sameActivity && (otherEvent == serviceEv_ || selectAll_);
  });
}

void CActivity::Load(const Ref<IXmlElement>& in) {
  Guarded(kActivityLoad, [&] {
    String storage;
    String activity(AttributeView(in, "Type", storage));
    if (activity.empty()) RaiseError(err::kActivityNoType, kActivitySource, kLevelItem);
    String serviceEvent(AttributeView(in, "Event", storage));
    activity_ = std::move(activity);
    selectAll_ = serviceEvent.empty();
    serviceEv_ = std::move(serviceEvent);
  });
}

Ref<IXmlElement> CActivity::Save(const Ref<IXmlDocument>& owner) {
  return Guarded(kActivitySave, [&] {
    const Ref<IXmlElement> element = owner->CreateElement(kActivityTag);
    if (!element) RaiseError(err::kActivitySave, kActivitySource, kLevelSave);
    element->SetAttribute("Type", activity_);
    if (!selectAll_) element->SetAttribute("Event", serviceEv_);
    return element;
  });
}

// ---------------------------------------------------------------------------------------------
// CActivities

String CActivities::KeyOf(const String& activity, const String& serviceEvent) {
  return activity + "::" + serviceEvent;
}

Long CActivities::Count() {
  return activities_.Count();
}

Ref<IActivity> CActivities::Item(Long index, const String& activity, const String& serviceEvent) {
  return QuietlyOr(Ref<IActivity>(), [&] {
    if (index != 0) return activities_.Item(index);
    const Ref<IActivity>* found = activities_.Find(KeyOf(activity, serviceEvent));
    return found ? *found : Ref<IActivity>();
  });
}

void CActivities::AddUnguarded(const Ref<IActivity>& activity) {
  if (!activity) return;
  activities_.Add(KeyOf(activity->Activity(), activity->ServiceEv()), activity);
}

void CActivities::Add(const Ref<IActivity>& activity, const Variant& /*reserved1*/,
                      const Variant& /*reserved2*/) {
  Guarded(kAdd, [&] { AddUnguarded(activity); });
}

Ref<IActivity> CActivities::AddNew(const String& activity, const String& serviceEvent) {
  return Guarded(kAdd, [&] {
    auto entry = MakeRef<CActivity>();
    entry->SetActivity(activity);
    entry->SetServiceEv(serviceEvent);
    AddUnguarded(entry);
    return Ref<IActivity>(entry);
  });
}

Ref<IActivities> CActivities::Clone() {
  return Guarded(kCentral, [&] {
    auto copy = MakeRef<CActivities>();
    copy->selectAll_ = selectAll_;
    for (const Ref<IActivity>& activity : activities_) {
      if (activity) copy->AddUnguarded(activity->Clone());
    }
    return Ref<IActivities>(copy);
  });
}

Boolean CActivities::Contains(const Ref<IActivity>& activity) {
  return Guarded(kCentral, [&] {
    if (selectAll_) return true;
    for (const Ref<IActivity>& entry : activities_) {
      if (entry && entry->Compare(activity)) return true;
    }
    return false;
  });
}

Boolean CActivities::Selected(const Ref<IActivity>& activity) {
  return QuietlyOr(true, [&] {
    if (!activity || activities_.Empty() || selectAll_) return true;
    return Contains(activity);
  });
}

void CActivities::Remove(Long index, const String& activity, const String& serviceEvent) {
  Guarded(kRemove, [&] {
    if (index != 0) {
      activities_.Remove(index);
    } else {
      activities_.Remove(KeyOf(activity, serviceEvent));
    }
  });
}

void CActivities::Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) {
  Guarded(kLoad, [&] {
    ScopedLogSection section(log, String(), String());
    if (in->TagName() != kActivitiesTag) {
      RaiseError(err::kActivitiesWrongTag, kActivitiesSource, kLevelFatal);
    }
    // Built aside and put in place at the end: a load that fails half-way leaves the old content.
    KeyedCollection<Ref<IActivity>> loaded;
    const Boolean selectAll = !in->GetAttribute("SelectAll").empty();
    ForEachChildElement(
        in, [&](const Ref<IXmlElement>& child) { LoadActivity(child, loaded, section); });
    activities_ = std::move(loaded);
    selectAll_ = selectAll;
  });
}

Ref<IXmlElement> CActivities::Save(const Ref<IXmlDocument>& owner) {
  return Guarded(kSave, [&] {
    if (activities_.Empty() && !selectAll_) return Ref<IXmlElement>();
    const Ref<IXmlElement> element = owner->CreateElement(kActivitiesTag);
    if (!element) RaiseError(err::kActivitySave, kActivitiesSource, kLevelSave);
    if (selectAll_) element->SetAttribute("SelectAll", "True");
    for (const Ref<IActivity>& activity : activities_) {
      if (activity) AppendIfSome(element, activity->Save(owner));
    }
    return element;
  });
}

Ref<IEnumVariant> CActivities::NewEnum() {
  return QuietlyOr(Ref<IEnumVariant>(), [&] {
    VariantArray items;
    items.reserve(activities_.Entries().size());
    for (const Ref<IActivity>& activity : activities_)
      items.emplace_back(activity);
    return MakeEnumerator(std::move(items));
  });
}

}  // namespace velko
