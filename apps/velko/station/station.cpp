#include "station.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <pugixml.hpp>

#include "page_texts.hpp"
#include "request_json.hpp"
#include "velko/core/error_module.hpp"
#include "velko/core/gtranslate.hpp"
#include "velko/core/translation.hpp"
#include "velko/host/archive/archive.hpp"
#include "velko/host/archive/archive_entry.hpp"
#include "velko/host/documents/device_setup.hpp"
#include "velko/host/documents/test_record.hpp"
#include "velko/host/run/run_outputs.hpp"
#include "velko/host/run/run_preparation.hpp"
#include "velko/host/run/run_summary.hpp"
#include "velko/host/run/step_outcome.hpp"
#include "velko/host/run/test_run.hpp"
#include "velko/host/session/core_session.hpp"
#include "velko/host/session/host_text.hpp"
#include "velko/host/session/messages.hpp"
#include "velko/host/session/question_layer.hpp"
#include "velko/ui/velko_core_utils.hpp"

namespace velko::station {
namespace fs = std::filesystem;

namespace {

[[noreturn]] void Refuse(int status, const String& message) {
  throw Refusal{status, message};
}

// An event for the tabs. Texts that are no UTF-8 (a name in a file of another encoding) show
// with replacement characters, so that showing a run never stops it.
String EventText(const Json& event) {
  return event.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// The buttons of a message box of these flags: the answer each gives, and its word.
Json ButtonsOfKind(Long flags) {
  const auto button = [](Long id, const char* word) {
    return Json{{"answer", id}, {"word", word}};
  };
  switch (flags & 0xF) {
    case ui::kMbOkCancel:
      return Json::array({button(ui::kIdOk, "ok"), button(ui::kIdCancel, "cancel")});
    case ui::kMbYesNoCancel:
      return Json::array(
          {button(ui::kIdYes, "yes"), button(ui::kIdNo, "no"), button(ui::kIdCancel, "cancel")});
    case ui::kMbYesNo:
      return Json::array({button(ui::kIdYes, "yes"), button(ui::kIdNo, "no")});
    case ui::kMbRetryCancel:
      return Json::array({button(ui::kIdRetry, "retry"), button(ui::kIdCancel, "cancel")});
    case ui::kMbAbortRetryIgnore:
      return Json::array({button(ui::kIdAbort, "abort"), button(ui::kIdRetry, "retry"),
                          button(ui::kIdIgnore, "ignore")});
    default:
      return Json::array({button(ui::kIdOk, "ok")});
  }
}

// The buttons of a message box, as the page offers them: the answer each gives, its word, and
// which of them is the box's default (the one Enter takes; the first where the flags name a button
// the box does not have).
Json ButtonsOf(Long flags) {
  Json buttons = ButtonsOfKind(flags);
  const auto index = static_cast<std::size_t>((flags >> 8) & 0xF);
  for (std::size_t i = 0; i < buttons.size(); ++i)
    buttons[i]["default"] = i == (index < buttons.size() ? index : 0);
  return buttons;
}

Json LimitsJson(const std::vector<host::ArchivedLimit>& limits) {
  Json list = Json::array();
  for (const host::ArchivedLimit& limit : limits) {
    Json entry{{"standard", limit.standard}};
    entry["low"] = limit.low ? Json(*limit.low) : Json();
    entry["high"] = limit.high ? Json(*limit.high) : Json();
    list.push_back(entry);
  }
  return list;
}

Json SummaryJson(const host::RecordSummary& record) {
  return {{"recordId", record.recordId},
          {"sequence", record.sequenceName},
          {"tester", record.tester},
          {"started", record.started},
          {"finished", record.finished},
          {"verdict", record.verdict},
          {"verdictWord", host::StatusWord(record.verdict)},
          {"supersededBy", record.supersededBy}};
}

// "2024-06-03 14:05:09" moved on by `months`: "2025-06-03" (the day kept within the month); ""
// for a text that holds no date (an archive row may hold anything).
String DueDate(const String& tested, int months) {
  int year = 0, month = 0, day = 0;
  if (std::sscanf(tested.c_str(), "%d-%d-%d", &year, &month, &day) != 3) return {};
  if (year < 1 || year > 9000 || month < 1 || month > 12 || day < 1 || day > 31) return {};
  const int total = year * 12 + (month - 1) + months;
  year = total / 12;
  month = total % 12 + 1;
  static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  const int last = month == 2 && !leap ? 28 : kDays[month - 1];
  return fmt::format("{:04d}-{:02d}-{:02d}", year, month, std::min(day, last));
}

// The name of a sequence file (its root's Info/Name, a message key of its plug-in in the current
// language); "" when it is no sequence.
String SequenceName(const fs::path& file) {
  pugi::xml_document document;
  if (!document.load_file(file.c_str())) return {};
  const pugi::xml_node root = document.document_element();
  if (String(root.name()) != "TestElement") return {};
  return TranslateIfMessageKey(root.child("PlugIn").attribute("Name").value(),
                               root.child("Info").child_value("Name"));
}

// How many of a device's newest records its trend charts show (besides the first one).
constexpr std::size_t kTrendRecords = 10;

// One series per measurement (element and key) of the records, oldest first: the numbers only.
Json TrendsJson(const std::vector<host::MeasuredRecord>& records) {
  std::map<std::pair<Long, String>, Json> series;
  std::vector<std::pair<Long, String>> order;
  for (const host::MeasuredRecord& record : records) {
    for (const host::ArchivedMeasurement& m : record.measurements) {
      if (!m.value) continue;
      const std::pair<Long, String> id{m.elementId, m.key};
      auto [entry, made] = series.try_emplace(id, Json{{"name", m.elementName},
                                                       {"key", m.key},
                                                       {"unit", m.unit},
                                                       {"points", Json::array()}});
      if (made) order.push_back(id);
      entry->second["points"].push_back(
          {{"date", record.summary.finished}, {"value", *m.value}, {"status", m.status}});
    }
  }
  Json trends = Json::array();
  for (const auto& id : order)
    trends.push_back(series[id]);
  return trends;
}

}  // namespace

// What the engine thread owns: the core, the archive, the question layer and the run.
struct Station::State {
  std::unique_ptr<host::CoreSession> session;
  std::unique_ptr<host::ScopedUserInterface> questions;
  std::unique_ptr<host::Archive> archive;
  String startupError;
  String language;             // of the thread's language set
  std::vector<String> recent;  // sequences used, newest first

  // The open question of a step, its answer when one came, and the abort asked for.
  struct Question {
    std::uint64_t id = 0;
    Json buttons;
  };
  std::optional<Question> question;
  std::optional<host::OperatorAnswer> answer;
  std::uint64_t questionsAsked = 0;
  bool abortRequested = false;
  bool askingAbort = false;
  bool aborted = false;
};

Station::Station(StationOptions options)
    : options_(std::move(options)),
      engine_(
          [this] {
            state_ = std::make_unique<State>();
            try {
              state_->language = options_.language;
              state_->session = std::make_unique<host::CoreSession>(options_.language);
              state_->questions = std::make_unique<host::ScopedUserInterface>(
                  MakeRef<host::QuestionLayer>([this](const host::OperatorQuestion& question) {
                    return AskInPage(question);
                  }));
              state_->archive = host::OpenArchive(options_.archive);
            } catch (const Error& e) {
              state_->startupError = host::ErrorText(e);
            }
          },
          [this] { state_.reset(); }) {}

Station::~Station() {
  events_.Close();
}

template <class Job>
auto Station::OnEngine(const String& language, Job job) {
  return engine_.Call([this, language, job = std::move(job)] {
    if (!state_->startupError.empty()) Refuse(503, state_->startupError);
    // Each request in its tab's language; the run goes on in the language it started in.
    const Ref<GTranslate> translate = GTranslate::Instance();
    const String previous = state_->language;
    if (language != previous) translate->SelectLanguageSet(language);
    struct Restore {
      const Ref<GTranslate>& translate;
      const String& language;
      bool changed;
      ~Restore() {
        if (changed) translate->SelectLanguageSet(language);
      }
    } restore{translate, previous, language != previous};
    try {
      return job();
    } catch (const Error& e) {
      Refuse(500, host::ErrorText(e));
    }
  });
}

Json Station::Texts(const String& language) {
  return OnEngine(language, [&] { return Json{{"language", language}, {"texts", PageTexts()}}; });
}

Json Station::Overview(const String& language) {
  return OnEngine(language, [&] {
    Json items = Json::array();
    for (const host::DutItemDefinition& item : host::RegisteredDutItems()) {
      items.push_back({{"name", item.name},
                       {"caption", item.caption},
                       {"required", item.required},
                       {"key", item.key}});
    }
    Json standards = Json::array();
    for (const host::StandardName& standard : host::RegisteredStandards()) {
      standards.push_back({{"group", standard.alphaName},
                           {"name", standard.completeName},
                           {"comment", standard.comment}});
    }
    Json sequences = Json::array();
    for (const String& folder : options_.sequenceFolders) {
      std::error_code ec;
      for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        const String file = entry.path().filename().string();
        if (!entry.is_regular_file(ec) || entry.path().extension() != ".xml") continue;
        const String name = SequenceName(entry.path());
        if (name.empty()) continue;
        const auto recent = std::find(state_->recent.begin(), state_->recent.end(), file);
        Json events = Json::array();
        for (const host::ServiceEvent& event : host::ServiceEventsOfSequence(entry.path().string()))
          events.push_back({{"activity", event.activity}, {"event", event.event}});
        sequences.push_back({{"file", file},
                             {"name", name},
                             {"recent", recent != state_->recent.end()},
                             {"serviceEvents", events}});
      }
    }
    return Json{
        {"items", items},
        {"standards", standards},
        {"sequences", sequences},
        {"faults", Json::array({"none", "visual", "earth", "insulation", "leakage", "function"})},
        {"busy", busy_.load()},
        {"station", host::StationName()},
        {"archive", state_->archive->Location()}};
  });
}

Json Station::FindDevice(const String& language, const String& number) {
  return OnEngine(language, [&] {
    const String device = ParseDeviceNumber(number);
    const std::vector<host::RecordSummary> history = state_->archive->History(device);
    Json found{{"number", device}, {"found", !history.empty()}};
    Json records = Json::array();
    for (const host::RecordSummary& record : history)
      records.push_back(SummaryJson(record));
    found["history"] = records;
    if (!history.empty()) {
      const host::DeviceIdentity& identity = history.front().device;
      Json items{{"SerialNumber", identity.serial},
                 {"AssetNumber", identity.asset},
                 {"Manufacturer", identity.manufacturer},
                 {"Model", identity.model}};
      for (const auto& [name, value] : identity.keys)
        items[name] = value;
      found["items"] = items;
      found["lastVerdict"] = history.front().verdict;
      found["lastVerdictWord"] = host::StatusWord(history.front().verdict);
      found["nextDue"] = DueDate(history.front().finished, options_.retestMonths);
      found["trends"] = TrendsJson(state_->archive->Measurements(device, kTrendRecords));
    }
    return found;
  });
}

// A request made ready for a run: its sequence found in the folders, its setup written, both
// checked and loaded.
struct PreparedRequest {
  RunRequest request;
  host::RunInput input;
  host::PreparedRun run;
  String language;  // the run's texts stay in the language it started in
};

namespace {

// The sequence file of that name in the first folder that holds it. The name may not lead out of
// the folder: the file's real path (links resolved) must lie in the folder's real path.
String ResolveSequence(const std::vector<String>& folders, const String& name) {
  for (const String& folder : folders) {
    std::error_code ec;
    const fs::path base = fs::canonical(folder, ec);
    if (ec) continue;
    const fs::path file = fs::canonical(base / name, ec);
    if (ec || file.parent_path() != base || !fs::is_regular_file(file, ec)) continue;
    return file.string();
  }
  Refuse(404, host::HostText("1040::The sequence %%1 is not in the station's folders.", name));
}

std::vector<host::StandardName> SelectedStandards(const std::vector<String>& names) {
  const std::vector<host::StandardName> registered = host::RegisteredStandards();
  std::vector<host::StandardName> selected;
  for (const String& name : names) {
    const auto found =
        std::find_if(registered.begin(), registered.end(),
                     [&](const host::StandardName& s) { return s.completeName == name; });
    if (found == registered.end())
      Refuse(422, host::HostText("1041::The standard \"%%1\" is not in the station's list.", name));
    selected.push_back(*found);
  }
  return selected;
}

// A part of a file name from a device's serial number: letters, digits, "-" and "_" only.
String FileNamePart(const String& text) {
  String part;
  for (char c : text)
    part += std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '_' ? c : '-';
  return part.empty() ? String("device") : part.substr(0, 40);
}

String ItemOf(const RunRequest& request, const char* name) {
  for (const auto& [item, value] : request.items) {
    if (item == name) return value;
  }
  return {};
}

std::optional<String> ReadTemplate(const std::optional<String>& file) {
  if (!file) return std::nullopt;
  std::optional<String> text = host::LocalFileSystem().ReadFile(*file);
  if (!text)
    Refuse(500, host::HostText("1044::The instrument template %%1 cannot be read.", *file));
  return text;
}

Json ProblemsJson(const std::vector<host::FileProblems>& files, const String& setupFile) {
  Json list = Json::array();
  for (const host::FileProblems& file : files) {
    const bool device = file.File() == setupFile;
    for (const host::Problem& problem : file.Listed()) {
      list.push_back({{"file", device ? host::HostText("1045::the device's data")
                                      : fs::path(file.File()).filename().string()},
                      {"error", problem.severity == host::Severity::kError},
                      {"severity", host::SeverityWord(problem.severity)},
                      {"line", device ? 0 : problem.line},
                      {"element", problem.element},
                      {"message", problem.message}});
    }
  }
  return list;
}

}  // namespace

std::shared_ptr<PreparedRequest> Station::Prepare(const std::string& body) {
  auto prepared = std::make_shared<PreparedRequest>();
  prepared->request = ParseRunRequest(ParseBody(body));
  const RunRequest& request = prepared->request;
  const String sequence = ResolveSequence(options_.sequenceFolders, request.sequence);
  host::DeviceEntry entry{request.items, SelectedStandards(request.standards), {}};
  for (const auto& [activity, event] : request.serviceEvents)
    entry.serviceEvents.push_back({activity, event});
  const String setupText = host::DeviceSetupText(entry, ReadTemplate(options_.instrumentTemplate));

  host::FileSystem& files = host::LocalFileSystem();
  const String folder = (fs::path(options_.outputFolder) / "setups").string();
  files.CreateFolders(folder);
  String stamp = host::NowText();
  std::replace_if(
      stamp.begin(), stamp.end(), [](char c) { return c == ' ' || c == ':'; }, '-');
  const String setupFile =
      (fs::path(folder) / (FileNamePart(ItemOf(request, "SerialNumber")) + "_" + stamp + "_" +
                           host::NewRecordId().substr(0, 8) + ".setup.xml"))
          .string();
  files.ReplaceFile(setupFile, setupText);
  prepared->input = host::RunInput{sequence, setupFile, request.fault, false};
  prepared->run = host::PrepareRun(prepared->input, state_->session->Manager());
  return prepared;
}

Json Station::Check(const String& language, const std::string& request) {
  return OnEngine(language, [&] {
    const std::shared_ptr<PreparedRequest> prepared = Prepare(request);
    host::LocalFileSystem().RemoveFile(*prepared->input.setup);
    return Json{{"ready", prepared->run.Ready()},
                {"problems", ProblemsJson(prepared->run.problems, *prepared->input.setup)}};
  });
}

namespace {

// A step as the tabs show it: its readings against their limits, beside the device's value of
// the same reading in its last test.
using PreviousValues = std::map<std::pair<Long, String>, String>;

// The value of a reading as the tab shows it. A person's judgement is kept as the word "yes" or
// "no"; the tab shows it in its own language.
String ShownValue(const host::ArchivedMeasurement& m) {
  return m.value ? m.valueText : host::FlagWord(m.valueText);
}

PreviousValues LastValues(host::Archive& archive, const String& serial) {
  PreviousValues values;
  if (serial.empty()) return values;
  const std::vector<host::MeasuredRecord> records = archive.Measurements(serial, 1);
  if (records.empty()) return values;
  for (const host::ArchivedMeasurement& m : records.back().measurements)
    values[{m.elementId, m.key}] = ShownValue(m) + (m.unit.empty() ? "" : " " + m.unit);
  return values;
}

Json StepJson(const host::PlannedStep& step, std::size_t index) {
  return {{"index", index},
          {"number", step.number},
          {"leaf", step.leaf},
          {"name", host::NodeName(step.node)},
          {"id", QuietlyOr(Long{0}, [&] { return step.node->ID(); })}};
}

Json ReadingsJson(const Ref<ITestElement>& node, const Ref<CTestSetup>& setup,
                  const PreviousValues& previous) {
  Json readings = Json::array();
  for (const host::ArchivedMeasurement& m : host::MeasurementsOfStep(node, setup)) {
    const auto before = previous.find({m.elementId, m.key});
    readings.push_back({{"key", m.key},
                        {"value", ShownValue(m)},
                        {"unit", m.unit},
                        {"status", m.status},
                        {"statusWord", host::StatusWord(m.status)},
                        {"limits", LimitsJson(m.limits)},
                        {"previous", before == previous.end() ? String() : before->second}});
  }
  return readings;
}

}  // namespace

Json Station::Start(const String& language, const std::string& request) {
  return OnEngine(language, [&] {
    if (busy_)
      Refuse(409, host::HostText("1042::The analyser is busy with another run; wait until it has "
                                 "finished or abort it."));
    const std::shared_ptr<PreparedRequest> prepared = Prepare(request);
    if (!prepared->run.Ready()) {
      host::LocalFileSystem().RemoveFile(*prepared->input.setup);
      throw Refusal{422, host::HostText("1043::The checks found errors; the run cannot start.")};
    }
    busy_ = true;
    prepared->language = language;
    events_.BeginRun();
    engine_.Post([this, prepared] { PerformRun(*prepared); });
    return Json{{"started", true}};
  });
}

std::optional<host::OperatorAnswer> Station::AskInPage(const host::OperatorQuestion& question) {
  if (!busy_) return std::nullopt;
  State& state = *state_;
  for (;;) {
    const std::uint64_t id = ++state.questionsAsked;
    const Json buttons = ButtonsOf(question.flags);
    state.question = State::Question{id, buttons};
    state.answer.reset();
    events_.Publish(EventText(Json{{"type", "question"},
                                   {"id", id},
                                   {"text", question.text},
                                   {"caption", question.caption},
                                   {"abort", state.askingAbort},
                                   {"buttons", buttons}}));
    const bool answered = engine_.RunJobsUntil(
        [&] { return state.answer || (state.abortRequested && !state.askingAbort); });
    state.question.reset();
    events_.Publish(EventText(Json{{"type", "question-closed"}, {"id", id}}));
    if (state.answer) return state.answer;
    if (!answered) {  // the station stops: the run ends cancelled
      state.aborted = true;
      return host::OperatorAnswer{ui::kIdNo, {}};
    }
    // Abort was asked for while the step waited: the abort question first, then the step's own
    // question again unless the test ends.
    if (ConfirmAbort()) {
      state.aborted = true;
      return host::OperatorAnswer{ui::kIdNo, {}};
    }
  }
}

bool Station::ConfirmAbort() {
  State& state = *state_;
  state.abortRequested = false;
  state.askingAbort = true;
  const bool yes = GVelkoCoreUtils::Instance()->QueryAbortTest() != 0;
  state.askingAbort = false;
  return yes;
}

void Station::PerformRun(const PreparedRequest& prepared) {
  State& state = *state_;
  const Ref<GTranslate> translate = GTranslate::Instance();
  const String stationLanguage = state.language;
  state.language = prepared.language;
  translate->SelectLanguageSet(prepared.language);
  state.aborted = false;
  state.abortRequested = false;
  Json finished{{"type", "run-finished"}, {"stored", false}};
  try {
    const host::PreparedRun& run = prepared.run;
    host::FileSystem& files = host::LocalFileSystem();
    const host::KeepingPlan plan = host::CheckBeforeRun(
        files, *state.archive, {options_.outputFolder, {}, {}, true}, prepared.input, run.tree);
    const String serial = host::DeviceOf(run.setup).serial;
    const PreviousValues previous = LastValues(*state.archive, serial);
    host::TestRun test(run.tree, run.setup);
    Json steps = Json::array();
    for (std::size_t i = 0; i < test.Plan().size(); ++i)
      steps.push_back(StepJson(test.Plan()[i], i));
    events_.Publish(EventText(Json{{"type", "run-started"},
                                   {"sequence", run.tree.Name()},
                                   {"device", serial},
                                   {"tester", prepared.request.tester},
                                   {"steps", steps}}));
    test.Subscribe([&](const host::RunEvent& event) {
      if (!event.step) return;
      const auto index = static_cast<std::size_t>(event.step - test.Plan().data());
      Json step{{"index", index}, {"status", event.status}};
      if (event.kind == host::RunEvent::Kind::kStepStarted) {
        step["type"] = "step-started";
      } else {
        const Ref<IResult> result = event.step->node->Result();
        step["type"] = "step-finished";
        step["statusWord"] = host::StatusWord(event.status);
        step["comment"] = result ? QuietlyOr(String(), [&] { return result->Comment(); }) : "";
        // What the tabs show of a step may fail; the run and its record go on regardless.
        step["readings"] = QuietlyOr(
            Json::array(), [&] { return ReadingsJson(event.step->node, run.setup, previous); });
      }
      events_.Publish(EventText(step));
    });
    // Between the steps the requests of the tabs are served, and an abort asked for is put.
    test.SetAbortCheck([&] {
      engine_.RunPendingJobs();
      return state.aborted || engine_.Stopping() || (state.abortRequested && ConfirmAbort());
    });
    const String started = host::NowText();
    const Long verdict = test.Perform();
    if (state.aborted || verdict == kStatusCancelled) {
      finished["outcome"] = "cancelled";
      finished["verdictWord"] = host::StatusWord(kStatusCancelled);
      finished["message"] = host::HostText(
          "1046::The test was aborted: its results were discarded and nothing was stored.");
    } else {
      const host::RunSummary summary = host::SummariseRun(test.Plan());
      const host::RunOutcome outcome = host::OutcomeOf(verdict, summary);
      const bool incomplete = outcome == host::RunOutcome::kIncomplete;
      const host::RecordHeader header{
          host::NewRecordId(), prepared.request.tester, host::StationName(), {}};
      const host::PerformedRun performed{
          run.tree, run.setup,       header,
          started,  host::NowText(), incomplete ? Long{kStatusNotPerformed} : verdict};
      const host::RunOutputs outputs =
          host::KeepRun(files, *state.archive, plan, performed, host::ReportSettings{});
      finished["outcome"] = incomplete                             ? "incomplete"
                            : outcome == host::RunOutcome::kPassed ? "passed"
                                                                   : "failed";
      finished["verdict"] = verdict;
      finished["verdictWord"] =
          incomplete ? host::HostText("312::INCOMPLETE") : host::StatusWord(verdict);
      finished["stored"] = true;
      finished["recordId"] = header.id;
      finished["tester"] = header.tester;
      finished["record"] = outputs.record;
      finished["report"] = "/api/report/" + header.id;
      finished["reportPdf"] = "/api/report/" + header.id + ".pdf";
      finished["device"] = serial;
      finished["archive"] = state.archive->Location();
      finished["message"] = host::HostText(
          "1145::Signed by %%1 and stored in the archive as record %%2.", header.tester, header.id);
    }
    auto& recent = state.recent;
    recent.erase(std::remove(recent.begin(), recent.end(), prepared.request.sequence),
                 recent.end());
    recent.insert(recent.begin(), prepared.request.sequence);
    if (recent.size() > 5) recent.resize(5);
  } catch (const Error& e) {
    finished["outcome"] = "error";
    finished["message"] =
        host::ErrorText(e) + "\n" +
        host::HostText("1047::Nothing of this run was stored. Correct the cause and test again.");
  } catch (const std::exception& e) {
    finished["outcome"] = "error";
    finished["message"] =
        String(e.what()) + "\n" +
        host::HostText("1047::Nothing of this run was stored. Correct the cause and test again.");
  }
  state.question.reset();
  busy_ = false;
  events_.Publish(EventText(finished));
  state.language = stationLanguage;
  translate->SelectLanguageSet(stationLanguage);
}

Json Station::Answer(const String& language, const std::string& body) {
  return OnEngine(language, [&] {
    const AnswerRequest request = ParseAnswerRequest(ParseBody(body));
    State& state = *state_;
    if (!state.question || state.question->id != request.question)
      Refuse(409, host::HostText("1048::This question is no longer open."));
    const bool offered = std::any_of(
        state.question->buttons.begin(), state.question->buttons.end(),
        [&](const Json& button) { return button["answer"].get<Long>() == request.answer; });
    if (!offered) Refuse(400, host::HostText("1049::The question has no such button."));
    state.answer = host::OperatorAnswer{request.answer, request.remark};
    return Json{{"answered", true}};
  });
}

Json Station::Abort(const String& language) {
  return OnEngine(language, [&] {
    if (!busy_) Refuse(409, host::HostText("1050::No test is running."));
    state_->abortRequested = true;
    return Json{{"asked", true}};
  });
}

std::optional<String> Station::Report(const String& recordId, ReportFormat format) {
  return OnEngine(options_.language, [&]() -> std::optional<String> {
    if (recordId.size() < 8 || recordId.size() > 64 ||
        recordId.find_first_not_of("0123456789abcdefABCDEF-") != String::npos)
      return std::nullopt;
    const std::optional<host::StoredRecord> record = state_->archive->Find(recordId);
    if (!record) return std::nullopt;
    if (format == ReportFormat::kHtml) return record->report;
    if (record->reportPdf.empty()) return std::nullopt;  // a record kept without one
    return record->reportPdf;
  });
}

}  // namespace velko::station
