#include "velko/setup/selections.hpp"

#include <map>

#include "velko/core/error_module.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/core/log_section.hpp"
#include "velko/core/xml_walk.hpp"
#include "velko/limits/standard.hpp"
#include "velko/limits/standard_coll.hpp"
#include "velko/outside/registry.hpp"
#include "velko/outside/value_formatter.hpp"
#include "velko/service/activities.hpp"
#include "velko/typelib/xml.hpp"

namespace velko {
namespace {

constexpr const char* kSource = "VelkoCore.CTestSetupSelections";
constexpr ErrorPolicy kResolvePolicy(kSource,
                                     {err::kSelectionsUnknownStandard, err::kSelectionsRegistry});
constexpr ErrorPolicy kStandardPolicy(kSource, {err::kSelectionsUnknownStandard});

String Translated(const Ref<IReport>& report, const char* key) {
  return report->Translate(String(), key, Variant(VariantArray{}));
}

String Cell(const Ref<IReport>& report, const String& text) {
  return report->ReplaceChars(text, "|;{}", " ,()");
}

// Joins the cells of one row, `perRow` cells, missing ones empty.
String Row(const std::vector<String>& cells, std::size_t first, std::size_t perRow) {
  String row;
  for (std::size_t i = 0; i < perRow; ++i) {
    if (i) row += "|";
    if (first + i < cells.size()) row += cells[first + i];
  }
  return row;
}

}  // namespace

CTestSetupSelections::CTestSetupSelections()
    : activities_(MakeRef<CActivities>()), standards_(MakeRef<CStandardColl>()) {}

Long CTestSetupSelections::GroupOf(const String& activity, const String& serviceEvent) {
  return QuietlyOr(Long{0}, [&]() -> Long {
    if (!definition_) return 0;
    Ref<IActivity> entry;
    if (!serviceEvent.empty()) {
      entry = definition_->Item(0, activity, serviceEvent);
    } else {
      for (Long i = 1; i <= definition_->Count() && !entry; ++i) {
        const Ref<IActivity> candidate = definition_->Item(i);
        if (candidate && candidate->Activity() == activity) entry = candidate;
      }
    }
    const Ref<IActivityDefinition> definition = QueryInterface<IActivityDefinition>(entry);
    return definition ? definition->Group() : 0;
  });
}

unsigned char CTestSetupSelections::MatchState(const Ref<IActivity>& filterActivity, Long group) {
  unsigned char state = 0;
  for (Long i = 1; i <= activities_->Count(); ++i) {
    const Ref<IActivity> selected = activities_->Item(i);
    if (GroupOf(selected->Activity(), selected->ServiceEv()) != group) continue;
    if (selected->Compare(filterActivity)) {
      state = 2;
    } else if (state == 0) {
      state = 1;
    }
  }
  return state;
}

Boolean CTestSetupSelections::IsApplicableServiceEvents(const Ref<IElementFilter>& filter) {
  return QuietlyOr(true, [&] {
    if (activities_->Count() == 0) return true;
    const Ref<IActivities> named = filter ? filter->Activities() : nullptr;
    if (!named || named->Count() == 0) return true;
    std::map<Long, unsigned char> states;
    for (Long i = 1; i <= named->Count(); ++i) {
      Quietly([&] {
        const Ref<IActivity> activity = named->Item(i);
        const Long group = GroupOf(activity->Activity(), activity->ServiceEv());
        if (states[group] == 2) return;
        states[group] = MatchState(activity, group);
      });
    }
    for (const auto& [group, state] : states) {
      if (state == 1) return false;
    }
    return true;
  });
}

Boolean CTestSetupSelections::IsApplicableStandard(const Ref<IElementLimits>& limits) {
  return QuietlyOr(true, [&] {
    if (standards_->Count() == 0 || !limits) return true;
    const Ref<IStandardColl> own = limits->Standards();
    if (!own || own->Count() == 0) return true;
    const Ref<IStandardColl> shared = standards_->Select(own);
    return shared && shared->Count() >= 1;
  });
}

void CTestSetupSelections::Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) {
  const String tag = in ? in->TagName() : String();
  if (tag == "ServiceEvents") {
    activities_->Load(in, log);
  } else if (tag == "Standard") {
    LoadStandard(in, log);
  }
}

void CTestSetupSelections::AddStandard(const String& alphaName, const String& completeName) {
  auto standard = MakeRef<CStandard>();
  standard->Initialize(alphaName, completeName, kStandardUserDefined);
  try {
    standards_->Add(standard);
  } catch (const Error& e) {
    if (e.Number() != err::kStandardPresent) throw;  // already selected: skipped
  }
}

void CTestSetupSelections::ResolveStandardName(const String& name) {
  Guarded(kResolvePolicy, [&] {
    if (name == "HP") return AddStandard("HP", "HP Factory");
    if (name == "HP110") return AddStandard("HP", "HP110");
    Ref<IRegistryKey> list = CreateRegistryKey();
    try {
      list->OpenKey(kHKeyLocalMachine, RegistryPaths()->KeyPath(kRegPathStandards));
    } catch (const Error& e) {
      if (e.Number() == err::kRegistryKeyMissing) {
        RaiseError(err::kSelectionsRegistry, kSource, kLevelItem);
      }
      throw;
    }
    const Long count = list->SubKeyCount();
    for (Long i = 1; i <= count; ++i) {
      const Ref<IRegistryKey> standard = list->SubKey(i);
      if (standard->KeyName() != name) continue;
      for (Long v = 1; v <= standard->ValueCount(); ++v) {
        try {
          const String completeName = standard->ValueName(v);
          if (!completeName.empty() && completeName.front() != '#') AddStandard(name, completeName);
        } catch (const Error& e) {
          if (e.Number() != err::kRegistryValueMissing &&
              e.Number() != err::kRegistryValueUnreadable) {
            throw;
          }
        }
      }
      return;
    }
    // Only a complete name: the name is known, but no standard is added for it.
    for (Long i = 1; i <= count; ++i) {
      const Ref<IRegistryKey> standard = list->SubKey(i);
      for (Long v = 1; v <= standard->ValueCount(); ++v) {
        if (standard->ValueName(v) == name) return;
      }
    }
    RaiseError(err::kSelectionsUnknownStandard, kSource, kLevelItem);
  });
}

void CTestSetupSelections::LoadStandard(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) {
  ScopedLogSection section(log, String(), String());
  String name;
  try {
    Guarded(kStandardPolicy, [&] {
      const String alphaName = in->GetAttribute("AlphaName");
      if (!alphaName.empty()) {
        name = alphaName;
        const String completeName = in->GetAttribute("CompleteName");
        if (!completeName.empty()) return AddStandard(alphaName, completeName);
        return ResolveStandardName(alphaName);
      }
      name = in->ElementText();
      if (!name.empty()) ResolveStandardName(name);
    });
  } catch (const Error& e) {
    if (e.Number() != err::kSelectionsUnknownStandard) throw;
    if (!name.empty()) {
      section.LogError(err::kSelectionsUnknownStandard, kLevelItem,
                       "5101::Undefined standard %%1 will be ignored", Variant::Array({name}));
    }
  }
}

Ref<IXmlElement> CTestSetupSelections::Save(const Ref<IXmlDocument>& owner) {
  Ref<IXmlElement> setup = owner->CreateElement("Setup");
  if (!setup) return setup;
  AppendIfSome(setup, activities_->Save(owner));
  for (Long i = 1; i <= standards_->Count(); ++i) {
    AppendIfSome(setup, standards_->Item(i)->Save(owner));
  }
  return setup;
}

String CTestSetupSelections::BodyRows(const Ref<IReport>& report) {
  std::vector<String> events;
  for (Long i = 1; i <= activities_->Count(); ++i) {
    const Ref<IActivity> a = activities_->Item(i);
    events.push_back(Cell(report, a->Activity() + a->ServiceEv()));
  }
  std::vector<String> standards;
  for (Long i = 1; i <= standards_->Count(); ++i) {
    standards.push_back(Cell(report, standards_->Item(i)->CompleteName()));
  }
  const std::size_t eventRows = (events.size() + 2) / 3;
  const std::size_t standardRows = (standards.size() + 1) / 2;
  String body;
  for (std::size_t r = 0; r < std::max(eventRows, standardRows); ++r) {
    body += r < eventRows ? Row(events, r * 3, 3) + "|" : String("|||");
    body += r < standardRows ? Row(standards, r * 2, 2) : String("|");
    body += ";";
  }
  return body;
}

void CTestSetupSelections::PrintReport(const Ref<IReport>& report) {
  Quietly([&] {
    const String body = BodyRows(report);
    if (body.empty()) return;
    report->SetStyle(3);
    report->PrintHeading(Translated(report, "460::Selections"));
    const String header = Translated(report, "466::Service events performed") + "|" +
                          Translated(report, "467::Standards performed");
    report->SetStyle(5);
    const Long w = report->PageWidth(-1) / 2;
    const String half = FormatValue(Variant(w));
    report->SetOption(1);
    report->SetTableParam(20);
    report->SetTableStyle(3);
    report->PrintTable("<+!" + half + "|<+!" + half, header, String(), kReportLightGrey, 0, 0);
    report->SetStyle(6);
    report->SetOption(1);
    const String c2 = FormatValue(Variant(Long(w / 3)));
    const String c1 = FormatValue(Variant(Long(w / 2)));
    const String format = "^+" + c2 + "|^+" + c2 + "|^+!" + c2 + "|^+" + c1 + "|^+" + c1;
    report->SetTableStyle(0);
    report->SetTableParam(1);
    report->PrintTable(format, String(), body, 0, 0, 0);
  });
}

}  // namespace velko
