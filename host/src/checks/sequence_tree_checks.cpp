#include "sequence_tree_checks.hpp"

#include <algorithm>
#include <unordered_set>

#include "checked_file.hpp"
#include "velko/core/error_module.hpp"
#include "velko/frame/text.hpp"
#include "velko/host/checks/document_checks.hpp"
#include "velko/host/plugins/measurement_info.hpp"
#include "velko/host/run/step_outcome.hpp"
#include "velko/host/run/test_run.hpp"
#include "velko/host/session/host_text.hpp"
#include "velko/typelib/limits.hpp"

namespace velko::host {
namespace checks {
namespace {

using NodeXml = std::pair<Ref<ITestElement>, pugi::xml_node>;

// The loaded children of a container beside their elements: in order when every child element
// was loaded, else by ID.
void PairChildren(const Ref<ITestContainer>& container, pugi::xml_node element,
                  std::vector<NodeXml>& pending) {
  const std::vector<pugi::xml_node> children = ChildrenTagged(element, "TestElement");
  const bool inOrder = static_cast<std::size_t>(container->Count()) == children.size();
  std::unordered_map<Long, pugi::xml_node> byId;  // the first element of each ID
  if (!inOrder) {
    for (const pugi::xml_node child : children) {
      if (const std::optional<Long> id = LenientLong(child.attribute("ID").value()))
        byId.emplace(*id, child);
    }
  }
  for (Long i = container->Count(); i >= 1; --i) {
    const Ref<ITestElement> child = container->Item(i);
    if (!child) continue;
    pugi::xml_node match;
    if (inOrder) {
      match = children[static_cast<std::size_t>(i - 1)];
    } else if (const auto found = byId.find(child->ID()); found != byId.end()) {
      match = found->second;
    }
    pending.emplace_back(child, match ? match : element);
  }
}

// Every node with its element, parents first, in document order.
std::vector<NodeXml> PairNodes(const Ref<ITestElement>& root, pugi::xml_node element) {
  std::vector<NodeXml> nodes;
  std::vector<NodeXml> pending{{root, element}};
  while (!pending.empty()) {
    NodeXml next = pending.back();
    pending.pop_back();
    if (const auto container = QueryInterface<ITestContainer>(next.first))
      PairChildren(container, next.second, pending);
    nodes.push_back(std::move(next));
  }
  return nodes;
}

// The position of every node in the order a run takes them: a container after its children.
std::unordered_map<const ITestElement*, std::size_t> RunOrder(const Ref<ITestElement>& root) {
  std::unordered_map<const ITestElement*, std::size_t> order;
  std::vector<std::pair<Ref<ITestElement>, Long>> stack{{root, 0}};
  while (!stack.empty()) {
    auto& [node, next] = stack.back();
    const auto container = QueryInterface<ITestContainer>(node);
    if (container && next < container->Count()) {
      const Ref<ITestElement> child = container->Item(++next);
      if (child) stack.emplace_back(child, 0);
      continue;
    }
    order.emplace(node.get(), order.size());
    stack.pop_back();
  }
  return order;
}

class TreeChecker {
 public:
  TreeChecker(ProblemSink& sink, const Ref<ITestElement>& root)
      : sink_(sink), order_(RunOrder(root)) {}

  void CheckNode(const Ref<ITestElement>& node, pugi::xml_node element) {
    const Ref<IElementLimits> limits = node->Limits();
    const Ref<IStandardColl> standards = limits ? limits->Standards() : nullptr;
    if (!standards) return;
    StandardElements elements = StandardElementsOf(element);
    for (Long s = 1; s <= standards->Count(); ++s) {
      const Ref<IStandard> standard = standards->Item(s);
      const Ref<ILimitColl> collection = standard ? standard->Limits() : nullptr;
      if (!collection) continue;
      const pugi::xml_node standardXml = TakeStandardElement(elements, standard);
      const std::vector<pugi::xml_node> limitXml = ChildrenTagged(standardXml, "Limit");
      for (Long l = 1; l <= collection->Count(); ++l) {
        const auto at = static_cast<std::size_t>(l - 1);
        const pugi::xml_node where =
            at < limitXml.size() ? limitXml[at] : (standardXml ? standardXml : element);
        if (const Ref<ILimit> limit = collection->Item(l)) CheckLimit(node, limit, where);
      }
    }
  }

 private:
  // The "Standard" elements of a test element by their names (folded as the collection compares
  // them), each list in document order.
  using StandardElements = std::unordered_map<String, std::vector<pugi::xml_node>>;
  static StandardElements StandardElementsOf(pugi::xml_node element) {
    StandardElements found;
    const pugi::xml_node standards = element.child("ExpectedResult").child("Standards");
    for (const pugi::xml_node standard : standards.children("Standard")) {
      found[FoldCase(String(standard.attribute("AlphaName").value()) +
                     "::" + standard.attribute("CompleteName").value())]
          .push_back(standard);
    }
    for (auto& entry : found)
      std::reverse(entry.second.begin(), entry.second.end());
    return found;
  }

  // The element of a loaded standard (the first not yet taken with its names), or none.
  static pugi::xml_node TakeStandardElement(StandardElements& elements,
                                            const Ref<IStandard>& standard) {
    const auto found =
        elements.find(FoldCase(standard->AlphaName() + "::" + standard->CompleteName()));
    if (found == elements.end() || found->second.empty()) return {};
    const pugi::xml_node element = found->second.back();
    found->second.pop_back();
    return element;
  }

  const std::vector<OfferedMeasurement>& Offered(const Ref<ITestElement>& node) {
    auto [at, added] = offered_.try_emplace(node.get());
    if (added) at->second = OfferedMeasurements(node);
    return at->second;
  }

  String Describe(const Ref<ITestElement>& node) {
    return HostText("245::test %%1 of plug-in \"%%2\"", std::to_string(node->TestID()),
                    node->PlugInID());
  }

  static String KeyList(const std::vector<OfferedMeasurement>& offered) {
    std::vector<String> keys;
    for (const OfferedMeasurement& measurement : offered)
      keys.push_back(measurement.key);
    return keys.empty() ? HostText("246::no measurement: the test measures nothing")
                        : HostText("232::one of: %%1", JoinedWords(keys));
  }

  void CheckLimit(const Ref<ITestElement>& node, const Ref<ILimit>& limit, pugi::xml_node where) {
    const String key = limit->Key();
    if (key.empty()) return;  // the shape check reports the missing key
    const std::vector<OfferedMeasurement>& offered = Offered(node);
    const OfferedMeasurement* measurement = FindMeasurement(offered, key);
    if (!measurement) {
      sink_.Error(where, key, KeyList(offered),
                  HostText("250::The limit key \"%%1\" is not a measurement of %%2: the limit "
                           "never judges anything.",
                           key, Describe(node)));
    } else if (!IsJudgedByLimits(*measurement)) {
      sink_.Error(where, key, {},
                  HostText("251::%%1 is a reading that judges itself (yes or no, or a text): no "
                           "limit applies to it.",
                           key));
    } else if (measurement->described) {
      CheckUnit(limit, *measurement, where);
    }
    if (!limit->Defined(0) && !limit->Defined(1)) {
      sink_.Error(where, key, HostText("252::a high or a low value"),
                  HostText("253::The limit for %%1 has neither a high nor a low value: it never "
                           "judges anything.",
                           key));
    }
    CheckOperand(limit, where);
    if (limit->LimitType() == kLimitRelative) CheckReference(node, limit, where);
  }

  void CheckUnit(const Ref<ILimit>& limit, const OfferedMeasurement& measurement,
                 pugi::xml_node where) {
    const String unit = limit->Unit();
    if (unit == measurement.unit) return;
    if (unit == "%" && limit->LimitType() == kLimitRelative) return;  // percent of the reference
    if (unit.empty()) {
      sink_.Warning(where, {}, measurement.unit,
                    HostText("254::The limit for %%1 gives no unit; it is compared in %%2.",
                             limit->Key(), measurement.unit));
      return;
    }
    if (const auto converted = QueryInterface<ILimit2>(limit)) {
      const Ref<IUnitConverter> converter = converted->Converter();
      if (converter && converter->DisplayUnit() == unit &&
          converted->InternalUnit() == measurement.unit)
        return;
    }
    sink_.Error(where, unit, measurement.unit,
                HostText("255::The limit for %%1 is in %%2, but the test measures it in %%3 and "
                         "the limit has no converter between them: the numbers would be compared "
                         "as they stand.",
                         limit->Key(), unit, measurement.unit));
  }

  void CheckOperand(const Ref<ILimit>& limit, pugi::xml_node where) {
    const String operand = limit->Operand(0);
    if (limit->LimitType() == kLimitRelative || operand.empty() || operand == "Y" ||
        operand == "CV")
      return;
    sink_.Warning(where, operand, HostText("256::a <Reference> to the reading it is relative to"),
                  HostText("257::The limit for %%1 computes its bounds with %%2 from a reference "
                           "value, but it has no <Reference>: its bounds depend on what the step "
                           "passes as reference.",
                           limit->Key(), operand));
  }

  void CheckReference(const Ref<ITestElement>& node, const Ref<ILimit>& limit,
                      pugi::xml_node where) {
    const Ref<ILimitReference> reference = limit->Reference();
    const Ref<ITestElement> target = reference ? reference->Test() : nullptr;
    const String id = reference ? std::to_string(reference->TestID()) : String("0");
    if (!target) {
      sink_.Error(where, id, HostText("258::the ID of an element of this sequence"),
                  HostText("259::The relative limit for %%1 refers to element %%2, which is not "
                           "found where its references are looked up (the containers above it).",
                           limit->Key(), id));
      return;
    }
    const String key = reference->MeasKey();
    const OfferedMeasurement* measured = FindMeasurement(Offered(target), key);
    if (!measured || !IsJudgedByLimits(*measured)) {
      sink_.Error(where, key, KeyList(Offered(target)),
                  HostText("260::The relative limit for %%1 refers to %%2 of element %%3, which "
                           "does not measure it.",
                           limit->Key(), key, id));
    }
    if (order_[target.get()] >= order_[node.get()]) {
      sink_.Error(where, id, HostText("261::an element that runs before this one"),
                  HostText("262::The relative limit for %%1 refers to element %%2, which runs "
                           "after this element: its reading is not there yet.",
                           limit->Key(), id));
    }
  }

  ProblemSink& sink_;
  std::unordered_map<const ITestElement*, std::size_t> order_;
  std::unordered_map<const ITestElement*, std::vector<OfferedMeasurement>> offered_;
};

}  // namespace

void CheckTree(pugi::xml_node root, const SequenceTree& tree, ProblemSink& sink,
               std::unordered_map<const ITestElement*, Long>& lines) {
  const Ref<ITestElement> top = tree.Root();
  TreeChecker checker(sink, top);
  for (const auto& [node, element] : PairNodes(top, root)) {
    lines[node.get()] = sink.Xml().LineOf(element);
    checker.CheckNode(node, element);
  }
}

}  // namespace checks

namespace {

// The standards that judge a step: those it has that the setup selected; all it has when the
// setup selected none (as IsApplicable and the plug-ins decide).
Ref<IStandardColl> JudgingStandards(const Ref<ITestElement>& node, const Ref<CTestSetup>& setup) {
  return QuietlyOr(Ref<IStandardColl>(), [&] {
    const Ref<IElementLimits> limits = node->Limits();
    const Ref<IStandardColl> own = limits ? limits->Standards() : nullptr;
    if (!own || own->Count() == 0) return Ref<IStandardColl>();
    const Ref<IStandardColl> selected = setup->SelectedStandards();
    if (!selected || selected->Count() == 0) return own;
    return own->Select(selected);
  });
}

template <class Visit>
void ForEachLimit(const Ref<IStandardColl>& standards, Visit visit) {
  for (Long s = 1; standards && s <= standards->Count(); ++s) {
    const Ref<IStandard> standard = standards->Item(s);
    const Ref<ILimitColl> limits = standard ? standard->Limits() : nullptr;
    for (Long l = 1; limits && l <= limits->Count(); ++l) {
      if (const Ref<ILimit> limit = limits->Item(l)) visit(limit);
    }
  }
}

class JudgingChecker {
 public:
  JudgingChecker(CheckedSequence& sequence, const Ref<CTestSetup>& setup)
      : sequence_(sequence), setup_(setup) {}

  void Check() {
    const std::vector<PlannedStep> plan = PlanRun(sequence_.tree.Root(), setup_);
    for (const PlannedStep& step : plan)
      planned_.insert(step.node.get());
    for (const PlannedStep& step : plan) {
      if (step.leaf) CheckStep(step.node);
    }
  }

 private:
  void CheckStep(const Ref<ITestElement>& node) {
    std::vector<String> judged;  // the readings that limits judge
    for (const OfferedMeasurement& measurement : OfferedMeasurements(node)) {
      if (IsJudgedByLimits(measurement)) judged.push_back(measurement.key);
    }
    const Ref<IStandardColl> standards = JudgingStandards(node, setup_);
    std::unordered_set<String> covered;
    std::vector<Long> notRunning;  // referenced elements that do not run, once each
    ForEachLimit(standards, [&](const Ref<ILimit>& limit) {
      if (limit->Defined(0) || limit->Defined(1)) covered.insert(limit->Key());
      const Ref<ITestElement> target = ReferencedElement(limit);
      if (target && !planned_.count(target.get()) &&
          std::find(notRunning.begin(), notRunning.end(), target->ID()) == notRunning.end())
        notRunning.push_back(target->ID());
    });
    for (const Long id : notRunning) {
      Add(Severity::kError, node, std::to_string(id), {},
          HostText("266::Step \"%%1\" needs the reading of element %%2 for its relative limit, "
                   "but element %%2 does not run with this setup.",
                   NodeName(node), std::to_string(id)));
    }
    std::vector<String> missing;
    for (const String& key : judged) {
      if (!covered.count(key)) missing.push_back(key);
    }
    if (missing.empty()) return;
    const String keys = checks::JoinedWords(missing);
    if (missing.size() == judged.size()) {
      Add(Severity::kError, node, keys,
          HostText("263::a limit for each of them in a selected standard of the step"),
          HostText("264::Step \"%%1\" cannot be judged: none of the selected standards that it "
                   "has gives a limit for %%2.",
                   NodeName(node), keys));
    } else {
      Add(Severity::kWarning, node, keys, {},
          HostText("265::Step \"%%1\": none of the selected standards that it has gives a limit "
                   "for %%2; a reading of it would not be judged.",
                   NodeName(node), keys));
    }
  }

  static Ref<ITestElement> ReferencedElement(const Ref<ILimit>& limit) {
    if (limit->LimitType() != kLimitRelative || !limit->Reference()) return nullptr;
    return limit->Reference()->Test();
  }

  void Add(Severity severity, const Ref<ITestElement>& node, const String& found,
           const String& expected, const String& message) {
    const auto line = sequence_.lines.find(node.get());
    sequence_.problems.Add({severity,
                            {},
                            line == sequence_.lines.end() ? 0 : line->second,
                            std::to_string(node->ID()),
                            found,
                            expected,
                            message});
  }

  CheckedSequence& sequence_;
  const Ref<CTestSetup>& setup_;
  std::unordered_set<const ITestElement*> planned_;
};

}  // namespace

void CheckJudging(CheckedSequence& sequence, const Ref<CTestSetup>& setup) {
  if (!sequence.tree.Root() || !setup) return;
  JudgingChecker(sequence, setup).Check();
}

}  // namespace velko::host
