// velko run: load, perform in order, judge, write the record and the report.
#include <fmt/format.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "commands.hpp"
#include "printing.hpp"
#include "velko/host/documents/test_record.hpp"
#include "velko/host/records/record_signature.hpp"
#include "velko/host/run/run_outputs.hpp"
#include "velko/host/run/run_summary.hpp"
#include "velko/host/run/step_outcome.hpp"
#include "velko/host/run/test_run.hpp"
#include "velko/host/session/core_session.hpp"
#include "velko/host/session/host_text.hpp"

namespace velko::cli {
namespace {

// On a terminal, one line per finished leaf step: "[n/m] name verdict values".
void PrintProgress(const host::RunEvent& event) {
  if (event.kind != host::RunEvent::Kind::kStepFinished || !event.step->leaf) return;
  const Ref<ITestElement>& node = event.step->node;
  fmt::print("[{}/{}] {:<52} {:<14} {}\n", event.step->number, event.steps, host::NodeName(node),
             host::StatusWord(event.status), host::ValuesText(host::MeasuredValues(node)));
  std::fflush(stdout);
}

}  // namespace

int RunCommand(const RunArgs& args) {
  host::CoreSession session(args.report.language);
  PrintWarnings(session.PlugInWarnings());

  const host::PreparedRun prepared = host::PrepareRun(args.input, session.Manager());
  PrintProblems(prepared.problems);
  if (!prepared.Ready()) {
    const bool loaded = prepared.tree.Root() != nullptr;
    if (loaded)
      std::cerr << host::HostText("110::Nothing was run: correct the problems above first.")
                << "\n";
    return kExitError;
  }

  const host::RecordHeader header{host::NewRecordId(), {}, host::StationName(), {}};
  host::TestRun run(prepared.tree, prepared.setup);
  if (::isatty(::fileno(stdout)) != 0) run.Subscribe(PrintProgress);
  const Long verdict = run.Perform();
  const host::RunSummary summary = host::SummariseRun(run.Plan());
  const host::RunOutcome outcome = host::OutcomeOf(verdict, summary);

  const host::RunOutputs outputs = host::OutputPaths(args.outDir, args.input.sequence);
  host::WriteRunOutputs(
      host::LocalFileSystem(), args.outDir, outputs,
      host::SignedByThisStation(host::RecordText(prepared.tree, prepared.setup, header)),
      host::ReportHtml(prepared.tree, prepared.setup, args.report));

  PrintSummary(summary);
  const String word = outcome == host::RunOutcome::kIncomplete ? host::HostText("312::INCOMPLETE")
                                                               : host::StatusWord(verdict);
  fmt::print("{}: {}\n  record: {}\n  report: {}\n", prepared.tree.Name(), word, outputs.record,
             outputs.report);
  return outcome == host::RunOutcome::kPassed ? kExitPassed : kExitFailed;
}

}  // namespace velko::cli
