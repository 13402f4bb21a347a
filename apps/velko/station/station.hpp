// The test station's work: every operation of its JSON API, performed on the engine thread that
// owns the core session, the archive and the run. The HTTP threads call these members; each
// hands its work to the engine and waits for the answer (a run itself goes on in the engine after
// Start has answered).
#pragma once

#include <atomic>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <vector>

#include "engine.hpp"
#include "event_hub.hpp"
#include "velko/frame/types.hpp"
#include "velko/host/session/question_layer.hpp"

namespace velko::station {

struct StationOptions {
  String archive;                            // the archive's location
  std::vector<String> sequenceFolders;       // the only places sequences are taken from
  String outputFolder;                       // records, reports and the setups made for runs
  std::optional<String> instrumentTemplate;  // a setup giving the instruments; none: none
  String language = "en";
  int retestMonths = 12;  // a device is due again this long after its last test
};

// A request the station refuses: the HTTP status and a message in the station's language.
struct Refusal {
  int status = 400;
  String message;
};

using Json = nlohmann::json;
struct PreparedRequest;

class Station {
 public:
  explicit Station(StationOptions options);
  ~Station();
  Station(const Station&) = delete;
  Station& operator=(const Station&) = delete;

  // Each returns the answer's JSON, or throws Refusal (or BadRequest for a request body that is
  // not what the API takes). Bodies are checked on the engine thread, so that their messages are
  // in the tab's language.
  // `language` is "en" or "de": the language of the tab that asks.
  Json Texts(const String& language);
  // The registry's DUT items and standards, the sequences, whether a run is going on.
  Json Overview(const String& language);
  // A device's history by its serial or asset number: the last verdict and when it is due again.
  Json FindDevice(const String& language, const String& number);
  // The checks before a run of the request: the problems, and whether it may start.
  Json Check(const String& language, const std::string& body);
  // Starts the run of the request; refused (409) while the analyser is busy with another one.
  Json Start(const String& language, const std::string& body);
  // The answer of the open question: {"question": id, "answer": 6, "remark": "..."}.
  Json Answer(const String& language, const std::string& body);
  // Asks the abort question of the running test (in the page, through the question layer).
  Json Abort(const String& language);
  // The stored report of a record, as HTML or as PDF; none when the archive has no such record
  // (or no PDF of it).
  enum class ReportFormat { kHtml, kPdf };
  std::optional<String> Report(const String& recordId, ReportFormat format = ReportFormat::kHtml);

  EventHub& Events() { return events_; }
  bool Busy() const { return busy_; }

 private:
  struct State;
  template <class Job>
  auto OnEngine(const String& language, Job job);

  StationOptions options_;
  EventHub events_;
  std::atomic<bool> busy_{false};
  // The run of a prepared request, on the engine thread; tells the tabs what happens.
  void PerformRun(const PreparedRequest& prepared);
  std::shared_ptr<PreparedRequest> Prepare(const std::string& body);
  // The question layer's asker: puts a step's message box to the tabs and waits for the answer
  // (running the jobs that come meanwhile); none when no run is going on.
  std::optional<host::OperatorAnswer> AskInPage(const host::OperatorQuestion& question);
  // The library's abort question, asked in the page: true when the person said Yes.
  bool ConfirmAbort();
  std::unique_ptr<State> state_;  // made, used and released on the engine thread only
  Engine engine_;                 // last: its thread ends before the rest is gone
};

}  // namespace velko::station
