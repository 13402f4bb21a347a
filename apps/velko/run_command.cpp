// velko run: load, perform in order, judge, write the record and the report.
#include <fmt/format.h>
#include <unistd.h>

#include <cstdio>
#include <deque>
#include <iostream>
#include <memory>

#include "commands.hpp"
#include "printing.hpp"
#include "velko/host/documents/test_record.hpp"
#include "velko/host/run/run_outputs.hpp"
#include "velko/host/run/run_summary.hpp"
#include "velko/host/run/step_outcome.hpp"
#include "velko/host/run/test_run.hpp"
#include "velko/host/session/core_session.hpp"
#include "velko/host/session/host_text.hpp"
#include "velko/host/session/messages.hpp"
#include "velko/host/session/question_layer.hpp"
#include "velko/host/session/station_settings.hpp"

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

bool Interactive() {
  return ::isatty(::fileno(stdin)) != 0 && ::isatty(::fileno(stdout)) != 0;
}

// A question of a step asked on the terminal: yes or no, then a remark on a line of its own.
std::optional<host::OperatorAnswer> AskOnTerminal(const host::OperatorQuestion& question) {
  if ((question.flags & 0xF) != ui::kMbYesNo) return std::nullopt;
  for (;;) {
    fmt::print("\n{}\n{} ", question.text, host::HostText("1002::[yes/no]:"));
    std::fflush(stdout);
    String line;
    if (!std::getline(std::cin, line)) return std::nullopt;
    try {
      const std::vector<host::OperatorAnswer> parsed = host::ParseAnswers(line);
      if (parsed.size() != 1) continue;
      host::OperatorAnswer answer = parsed.front();
      if (answer.remark.empty()) {
        fmt::print("{} ", host::HostText("1003::Remark (Enter for none):"));
        std::fflush(stdout);
        std::getline(std::cin, answer.remark);
      }
      return answer;
    } catch (const Error&) {
      continue;  // anything but yes or no: ask again
    }
  }
}

// The questions of the steps: from the answers file in order, else on an interactive terminal,
// else the simulated answer of the headless layer. A file with too few answers leaves the rest
// to the headless layer too, and says so.
host::QuestionLayer::Asker AskerFor(const RunArgs& args) {
  if (args.answers) {
    const std::optional<String> text = host::LocalFileSystem().ReadFile(*args.answers);
    if (!text)
      host::RaiseHostError("1004::The answers file %%1 cannot be read.", {Variant(*args.answers)});
    auto answers = std::make_shared<std::deque<host::OperatorAnswer>>();
    for (const host::OperatorAnswer& answer : host::ParseAnswers(*text))
      answers->push_back(answer);
    return [answers](const host::OperatorQuestion&) -> std::optional<host::OperatorAnswer> {
      if (answers->empty()) {
        std::cerr << host::HostText(
                         "1005::The answers file holds no answer for this question; "
                         "the default answer is taken.")
                  << "\n";
        return std::nullopt;
      }
      host::OperatorAnswer answer = answers->front();
      answers->pop_front();
      return answer;
    };
  }
  if (Interactive()) return AskOnTerminal;
  return {};
}

}  // namespace

int RunCommand(const RunArgs& args) {
  host::CoreSession session(args.report.language);
  host::ScopedUserInterface questions(MakeRef<host::QuestionLayer>(AskerFor(args)));
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

  host::FileSystem& files = host::LocalFileSystem();
  std::unique_ptr<host::Archive> archive;
  host::KeepingPlan plan;
  try {
    archive = host::OpenArchive(args.archive.Location());
    plan = host::CheckBeforeRun(files, *archive, args.output, args.input, prepared.tree,
                                args.supersedes);
  } catch (const Error& e) {
    std::cerr << host::ErrorText(e) << "\n"
              << host::HostText("850::Nothing was performed and nothing was written.") << "\n";
    return kExitError;
  }

  const host::RecordHeader header{host::NewRecordId(), host::TesterOf(args.tester),
                                  host::StationName(), host::OrganisationSetting()};
  host::TestRun run(prepared.tree, prepared.setup);
  if (::isatty(::fileno(stdout)) != 0) run.Subscribe(PrintProgress);
  const String started = host::NowText();
  const Long verdict = run.Perform();
  const host::RunSummary summary = host::SummariseRun(run.Plan());
  const host::RunOutcome outcome = host::OutcomeOf(verdict, summary);
  const host::PerformedRun performed{prepared.tree,   prepared.setup,
                                     header,          started,
                                     host::NowText(), host::KeptVerdict(verdict, outcome)};

  host::RunOutputs outputs;
  try {
    outputs = host::KeepRun(files, *archive, plan, performed, args.report);
  } catch (const Error& e) {
    std::cerr << host::ErrorText(e) << "\n"
              << host::HostText(
                     "851::The run was performed, but none of its outputs was kept: no record, "
                     "no report, no archive entry. Correct the cause and run the sequence again.")
              << "\n";
    return kExitError;
  }

  PrintSummary(summary);
  const String word = outcome == host::RunOutcome::kIncomplete ? host::HostText("312::INCOMPLETE")
                                                               : host::StatusWord(verdict);
  fmt::print("{}: {}\n{}\n{}\n", prepared.tree.Name(), word,
             host::HostText("1312::  record: %%1", outputs.record),
             host::HostText("1313::  report: %%1", outputs.report));
  if (!outputs.pdf.empty()) fmt::print("{}\n", host::HostText("1308::  PDF: %%1", outputs.pdf));
  fmt::print("{}\n",
             host::HostText("852::  archive: %%1 (record %%2)", archive->Location(), header.id));
  return outcome == host::RunOutcome::kPassed ? kExitPassed : kExitFailed;
}

}  // namespace velko::cli
