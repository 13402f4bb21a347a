// What the user selected for a test run - service activities and events, and standards - and
// whether a test element applies to that selection. Saved as the "Setup" element of a setup
// document ("ServiceEvents" and one "Standard" per selected standard).
#pragma once

#include "velko/typelib/limits.hpp"
#include "velko/typelib/report.hpp"
#include "velko/typelib/sequence.hpp"
#include "velko/typelib/service.hpp"

namespace velko {

// An internal class of the test setup.
class CTestSetupSelections : public virtual IUnknown {
 public:
  CTestSetupSelections();

  // The host's definition of all known activities; its entries offer IActivityDefinition.
  Ref<IActivities> ServiceEventsDefinition() { return definition_; }
  void SetServiceEventsDefinition(const Ref<IActivities>& definition) { definition_ = definition; }
  Ref<IActivities> Activities() { return activities_; }
  Ref<IStandardColl> Standards() { return standards_; }

  // For every group the filter names, either nothing of that group is selected or a selected
  // activity of the group matches one of the filter's activities of that group.
  Boolean IsApplicableServiceEvents(const Ref<IElementFilter>& filter);
  // True without selected standards or without standards of the element; else when the
  // selection shares at least one standard with the element.
  Boolean IsApplicableStandard(const Ref<IElementLimits>& limits);
  // One child of the setup element: "ServiceEvents" or "Standard" (others are ignored). A
  // standard name that is neither built in nor in the registry list is logged (5101) and skipped.
  void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log);
  // The "Setup" element with the selections (none when the document gives no element).
  Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner);
  // The selections table; nothing when nothing is selected.
  void PrintReport(const Ref<IReport>& report);

 private:
  Long GroupOf(const String& activity, const String& serviceEvent);
  unsigned char MatchState(const Ref<IActivity>& filterActivity, Long group);
  void LoadStandard(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log);
  void ResolveStandardName(const String& name);
  void AddStandard(const String& alphaName, const String& completeName);
  String BodyRows(const Ref<IReport>& report);

  Ref<IActivities> activities_;
  Ref<IStandardColl> standards_;
  Ref<IActivities> definition_;
};

}  // namespace velko
