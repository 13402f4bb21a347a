// velko run: load, perform in order, judge, write the record and the report.
#include <fmt/format.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>

#include "commands.hpp"
#include "documents.hpp"
#include "report.hpp"

namespace velko::host {
namespace {

// One action of the run: a leaf step, or a container after its children.
struct PlannedStep {
  Ref<ITestElement> node;
  bool leaf;
};

// The applicable nodes below `container` in the order they run: a container's children, then
// the container itself. A node that does not apply is left out with everything below it.
void Plan(const Ref<ITestContainer>& container, const Ref<ITestSetup>& setup,
          std::vector<PlannedStep>& plan, int depth = 0) {
  if (depth > kMaxTreeNesting) return;
  for (Long i = 1; i <= container->Count(); ++i) {
    const Ref<ITestElement> node = container->Item(i);
    if (!node || !setup->IsApplicable(node)) continue;
    if (const auto inner = QueryInterface<ITestContainer>(node)) {
      Plan(inner, setup, plan, depth + 1);
      plan.push_back({node, false});
    } else {
      plan.push_back({node, true});
    }
  }
}

String StatusText(Long status) {
  switch (status) {
    case kStatusPassed:
      return "passed";
    case kStatusFailed:
      return "FAILED";
    case kStatusNotApplicable:
      return "not applicable";
    case kStatusCancelled:
      return "cancelled";
    default:
      return "not performed";
  }
}

// The measured values of a step: "0.071 Ω, 0.048 Ω".
String ValuesText(const Ref<ITestElement>& node) {
  return QuietlyOr(String(), [&] {
    const Variant keys = node->GetMeasurementList();
    const Ref<IResult> result = node->Result();
    if (!keys.IsArray() || !result) return String();
    String text;
    for (const Variant& key : keys.Elements()) {
      const Ref<IMeasurement> m = result->Measurement(key.ToString());
      if (!m) continue;
      const Variant value = m->Value();
      String shown = m->ValueType() == kValueBoolean ? String(value.ToBoolean() ? "yes" : "no")
                     : value.IsNumeric() ? FormatNumberPattern(value.ToDouble(), m->ValueFormat())
                                         : value.ToString();
      if (!m->Unit().empty()) shown += " " + m->Unit();
      text += (text.empty() ? "" : ", ") + shown;
    }
    return text;
  });
}

String NameOf(const Ref<ITestElement>& node) {
  return QuietlyOr(String(), [&] { return node->Info()->Name(); });
}

Long StatusOf(const Ref<ITestElement>& node) {
  return QuietlyOr(Long{kStatusNotPerformed}, [&] {
    const Ref<IResult> result = node->Result();
    return result ? result->Status() : Long{kStatusNotPerformed};
  });
}

// Performs the plan; on a terminal, one progress line per step.
void Perform(const std::vector<PlannedStep>& plan, const Ref<CTestSetup>& setup) {
  const bool terminal = ::isatty(::fileno(stdout)) != 0;
  std::size_t steps = 0;
  for (const auto& planned : plan)
    steps += planned.leaf ? 1 : 0;
  std::size_t n = 0;
  for (const auto& planned : plan) {
    planned.node->Perform(setup);
    setup->Register(planned.node);
    if (!planned.leaf || !terminal) continue;
    ++n;
    fmt::print("[{}/{}] {:<52} {:<14} {}\n", n, steps, NameOf(planned.node),
               StatusText(StatusOf(planned.node)), ValuesText(planned.node));
    std::fflush(stdout);
  }
}

String OutputPath(const String& dir, const String& sequence, const char* suffix) {
  const std::filesystem::path stem = std::filesystem::path(sequence).stem();
  return (std::filesystem::path(dir) / (stem.string() + suffix)).string();
}

}  // namespace

int RunCommand(const RunArgs& args) {
  CoreSession session(args.report.language);
  for (const String& warning : session.PlugInWarnings())
    std::cerr << "warning: " << warning << "\n";

  auto log = MakeRef<CollectingLog>();
  const XmlSource sequenceFile = OpenXml(args.sequence);
  const std::vector<String> plugInProblems =
      CheckSequencePlugIns(sequenceFile.root, session.Manager());
  if (!plugInProblems.empty()) {
    PrintProblems(args.sequence, plugInProblems);
    return kExitError;
  }
  SequenceTree tree = LoadSequence(sequenceFile.root, log);
  PrintProblems(args.sequence, LogProblems(*log));
  const bool sequenceTroubled = !log->Entries().empty();

  log->Clear();
  const XmlSource setupFile = args.setup ? OpenXml(*args.setup) : XmlSource{};
  const Ref<CTestSetup> setup = LoadSetup(setupFile, args.fault, log);
  std::vector<String> setupProblems = LogProblems(*log);
  for (const String& problem : CheckSelectedStandards(setup))
    setupProblems.push_back(problem);
  PrintProblems(args.setup.value_or("the setup"), setupProblems);
  if (sequenceTroubled || !setupProblems.empty()) {
    std::cerr << "Nothing was run: correct the problems above first.\n";
    return kExitError;
  }

  std::vector<PlannedStep> plan;
  Plan(tree.Root(), setup, plan);
  Perform(plan, setup);
  Boolean aborted = false;
  setup->Status()->UpdateStatus(aborted);
  const Long verdict = setup->Status()->TestStatus();

  std::filesystem::create_directories(args.outDir);
  const String recordPath = OutputPath(args.outDir, args.sequence, ".record.xml");
  const String reportPath = OutputPath(args.outDir, args.sequence, ".report.html");
  const String record = RecordText(tree, setup);
  const String html = ReportHtml(tree, setup, args.report);
  WriteFileAtomically(recordPath, record);
  WriteFileAtomically(reportPath, html);

  fmt::print("{}: {}\n  record: {}\n  report: {}\n", tree.Name(), StatusText(verdict), recordPath,
             reportPath);
  return verdict == kStatusPassed ? kExitPassed : kExitFailed;
}

}  // namespace velko::host
