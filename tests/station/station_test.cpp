// The station below its pages: the engine thread, the event broadcast, the checks of requests,
// and the HTTP face with its security rules and a run that a second start cannot disturb.
#include "station.hpp"

#include <gtest/gtest.h>
#include <httplib.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "engine.hpp"
#include "event_hub.hpp"
#include "http_server.hpp"
#include "request_json.hpp"
#include "support/test_paths.hpp"
#include "velko/frame/runtime.hpp"
#include "velko/outside/registry.hpp"

namespace velko::station {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(StationEngine, RunsJobsInOrderOnItsOwnThreadAndPassesFailuresBack) {
  Engine engine;
  std::vector<int> order;
  const auto caller = std::this_thread::get_id();
  for (int i = 0; i < 5; ++i)
    engine.Post([&order, i] { order.push_back(i); });
  EXPECT_NE(engine.Call([] { return std::this_thread::get_id(); }), caller);
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_THROW(engine.Call([]() -> int { throw std::runtime_error("no"); }), std::runtime_error);
  // A wait on the engine thread serves the jobs that arrive meanwhile (an answer from a tab).
  bool answered = false;
  std::thread tab([&] { engine.Call([&] { answered = true; }); });
  EXPECT_TRUE(engine.Call([&] { return engine.RunJobsUntil([&] { return answered; }); }));
  tab.join();
}

TEST(StationEvents, ALateReaderReplaysTheCurrentRunOnly) {
  EventHub hub;
  hub.Publish("{\"old\":1}");
  hub.BeginRun();
  hub.Publish("{\"a\":1}");
  hub.Publish("{\"b\":2}");
  const std::vector<NumberedEvent> late = hub.After(0, 0ms);
  ASSERT_EQ(late.size(), 2u);
  EXPECT_EQ(late[0].json, "{\"a\":1}");
  EXPECT_EQ(hub.After(late[1].number, 10ms).size(), 0u);
  std::thread closer([&] { hub.Close(); });
  EXPECT_TRUE(hub.After(late[1].number, 5s).empty());
  closer.join();
}

TEST(StationRequests, RefusesWhatTheApiDoesNotTake) {
  const char* bodies[] = {
      "[]",
      "not json",
      R"({"sequence":"s.xml","tester":"T"})",
      R"({"device":{},"sequence":"../etc/passwd.xml","tester":"T"})",
      R"({"device":{},"sequence":"sub/s.xml","tester":"T"})",
      R"({"device":{},"sequence":".hidden.xml","tester":"T"})",
      R"({"device":{},"sequence":"s.txt","tester":"T"})",
      R"({"device":{"Bad Name":"x"},"sequence":"s.xml","tester":"T"})",
      R"({"device":{"Model":"a\u0001b"},"sequence":"s.xml","tester":"T"})",
      R"({"device":{"Model":7},"sequence":"s.xml","tester":"T"})",
      R"({"device":{},"sequence":"s.xml","tester":"   "})",
      R"({"device":{},"sequence":"s.xml","tester":"T","fault":"fire"})",
      R"({"device":{},"sequence":"s.xml","tester":"T","standards":"IEC"})",
  };
  for (const char* body : bodies) {
    EXPECT_THROW(ParseRunRequest(ParseBody(body)), BadRequest) << body;
  }
  const RunRequest fine = ParseRunRequest(ParseBody(
      R"({"device":{"SerialNumber":"S-1","Model":""},"sequence":"s.xml","tester":"Erika","fault":"earth"})"));
  EXPECT_EQ(fine.items.size(), 1u);  // empty items are left out
  EXPECT_EQ(fine.fault, "earth");
  EXPECT_THROW(ParseBody(std::string(kMaxRequestBytes + 1, ' ')), BadRequest);
  EXPECT_THROW(ParseAnswerRequest(ParseBody(R"({"question":1,"answer":9})")), BadRequest);
  EXPECT_THROW(ParseAnswerRequest(ParseBody(R"({"question":-1,"answer":6})")), BadRequest);
}

// A station on a free loopback port, on a registry with the simulator and the sample sequence.
class StationHttp : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* registry = std::getenv("VELKO_REGISTRY");
    ASSERT_NE(registry, nullptr);
    test::WriteFileText(registry, test::ReadFileText(test::SourceDataPath("registry/default.reg")));
    RegisterServer(VELKO_SIMULATOR_PATH);
    sequences = fs::path(work.Path()) / "sequences";
    fs::create_directories(sequences);
    fs::copy_file(VELKO_SOURCE_DATA_DIR "/samples/class1-bf-sequence.xml",
                  sequences / "sample.xml");
    test::WriteFileText(fs::path(work.Path()) / "outside.xml", "<TestElement ID=\"1\"/>");
    fs::create_symlink(fs::path(work.Path()) / "outside.xml", sequences / "link.xml");
  }

  StationOptions Options() {
    StationOptions options;
    options.archive = (fs::path(work.Path()) / "archive.sqlite").string();
    options.sequenceFolders = {sequences.string()};
    options.outputFolder = (fs::path(work.Path()) / "out").string();
    options.instrumentTemplate = VELKO_SOURCE_DATA_DIR "/samples/healthy-setup.xml";
    return options;
  }

  static ServerOptions Server(std::optional<String> token = std::nullopt,
                              String address = "127.0.0.1") {
    return {address, 0, token, VELKO_SOURCE_DIR "/apps/velko/station/web"};
  }

  test::TempDir work;
  fs::path sequences;
};

String RunBody(const String& sequence) {
  return R"({"device":{"SerialNumber":"T-1","ProtectionClass":"I","AppliedPartType":"BF"},)"
         R"("sequence":")" +
         sequence +
         R"(","tester":"Erika","fault":"none",)"
         R"("standards":["IEC 62353:2014 Class I"]})";
}

// A station served on a free loopback port for the life of the object, with a client of it and
// the session's CSRF header.
struct ServedStation {
  ServedStation(StationOptions options, ServerOptions serverOptions)
      : station(std::move(options)),
        server(station, std::move(serverOptions)),
        port(server.Bind()),
        serving([this] { server.Serve(); }),
        client("127.0.0.1", port),
        csrf{{"X-CSRF-Token", server.CsrfToken()}} {}
  ~ServedStation() {
    server.Stop();
    serving.join();
  }
  Station station;
  StationServer server;
  int port;
  std::thread serving;
  httplib::Client client;
  httplib::Headers csrf;
};

// The next event of the type, waiting for it.
Json NextEvent(EventHub& hub, std::uint64_t& after, const String& type) {
  for (int tries = 0; tries < 100; ++tries) {
    for (const NumberedEvent& event : hub.After(after, 100ms)) {
      after = event.number;
      Json json = Json::parse(event.json);
      if (json["type"] == type) return json;
    }
  }
  ADD_FAILURE() << "no " << type << " event";
  return {};
}

TEST_F(StationHttp, GuardsEveryRequestAndRefusesASecondRunOnTheBusyAnalyser) {
  ServedStation served(Options(), Server());
  Station& station = served.station;
  httplib::Client& client = served.client;
  const httplib::Headers& csrf = served.csrf;

  ASSERT_EQ(client.Get("/api/overview")->status, 200);
  // Another site's name for this address (DNS rebinding), and a change without the CSRF token.
  EXPECT_EQ(client.Get("/api/overview", {{"Host", "evil.example:80"}})->status, 403);
  EXPECT_EQ(client.Post("/api/check", RunBody("sample.xml"), "application/json")->status, 403);
  EXPECT_EQ(client.Post("/api/abort", {{"X-CSRF-Token", "0"}}, "{}", "application/json")->status,
            403);
  // Sequences only from the folder: a link out of it is no sequence of it.
  EXPECT_EQ(client.Post("/api/check", csrf, RunBody("link.xml"), "application/json")->status, 404);
  EXPECT_EQ(client.Post("/api/check", csrf, RunBody("..%2Fx.xml"), "application/json")->status,
            400);
  const auto checked = client.Post("/api/check", csrf, RunBody("sample.xml"), "application/json");
  ASSERT_EQ(checked->status, 200) << checked->body;
  EXPECT_TRUE(Json::parse(checked->body)["ready"].get<bool>()) << checked->body;

  // A run waits at the visual inspection; a second start is refused meanwhile.
  std::uint64_t seen = 0;
  ASSERT_EQ(client.Post("/api/start", csrf, RunBody("sample.xml"), "application/json")->status,
            202);
  const Json question = NextEvent(station.Events(), seen, "question");
  EXPECT_EQ(client.Post("/api/start", csrf, RunBody("sample.xml"), "application/json")->status,
            409);
  EXPECT_EQ(client.Get("/api/overview")->status, 200);  // served while the run waits
  // Abort: the abort question comes first; Yes ends the run cancelled with nothing stored.
  ASSERT_EQ(client.Post("/api/abort", csrf, "{}", "application/json")->status, 200);
  Json abortQuestion = NextEvent(station.Events(), seen, "question");
  EXPECT_TRUE(abortQuestion["abort"].get<bool>());
  const String answer = Json{{"question", abortQuestion["id"]}, {"answer", 6}}.dump();
  ASSERT_EQ(client.Post("/api/answer", csrf, answer, "application/json")->status, 200);
  const Json finished = NextEvent(station.Events(), seen, "run-finished");
  EXPECT_EQ(finished["outcome"], "cancelled");
  EXPECT_FALSE(finished["stored"].get<bool>());
  const auto device = client.Get("/api/device?number=T-1");
  EXPECT_FALSE(Json::parse(device->body)["found"].get<bool>());
  (void)question;
}

// A finished run's report is served as HTML and as PDF, each from the archive by the record's ID
// alone; an ID the archive does not hold, or anything else in its place, is refused.
TEST_F(StationHttp, ServesTheReportOfAFinishedRunAsPdfAndRefusesAnUnknownRecord) {
  ServedStation served(Options(), Server());
  Station& station = served.station;
  httplib::Client& client = served.client;
  const httplib::Headers& csrf = served.csrf;

  std::uint64_t seen = 0;
  ASSERT_EQ(client.Post("/api/start", csrf, RunBody("sample.xml"), "application/json")->status,
            202);
  // The visual inspection and the functional check: both answered Yes in the page, the default
  // button of the healthy device.
  for (const char* asked : {"damage", "intended function"}) {
    const Json question = NextEvent(station.Events(), seen, "question");
    EXPECT_NE(question["text"].get<String>().find(asked), String::npos) << question.dump();
    EXPECT_EQ(question["buttons"], Json::parse(R"([{"answer":6,"word":"yes","default":true},)"
                                               R"({"answer":7,"word":"no","default":false}])"));
    const String answer = Json{{"question", question["id"]}, {"answer", 6}}.dump();
    ASSERT_EQ(client.Post("/api/answer", csrf, answer, "application/json")->status, 200);
  }
  const Json finished = NextEvent(station.Events(), seen, "run-finished");
  ASSERT_EQ(finished["outcome"], "passed") << finished.dump();
  const String id = finished["recordId"];
  EXPECT_EQ(finished["reportPdf"], "/api/report/" + id + ".pdf");
  // The answer shows in the tab as a reading of its step, in the tab's words.
  Json function;
  for (const NumberedEvent& event : station.Events().After(0, 0ms)) {
    const Json json = Json::parse(event.json);
    for (const Json& reading : json.value("readings", Json::array()))
      if (reading["key"] == "FUNCTION") function = reading;
  }
  EXPECT_EQ(function["value"], "Yes") << function.dump();
  EXPECT_EQ(function["status"], 1);  // passed

  const auto pdf = client.Get(finished["reportPdf"].get<String>());
  ASSERT_EQ(pdf->status, 200);
  EXPECT_EQ(pdf->get_header_value("Content-Type"), "application/pdf");
  EXPECT_EQ(pdf->body.rfind("%PDF-", 0), 0u);
  EXPECT_NE(pdf->body.find("%%EOF"), String::npos);
  const auto html = client.Get(finished["report"].get<String>());
  ASSERT_EQ(html->status, 200);
  EXPECT_NE(html->body.find("T-1"), String::npos);

  for (const String& path :
       std::vector<String>{"/api/report/00000000-0000-0000-0000-000000000000.pdf",
                           "/api/report/" + id + ".PDF", "/api/report/" + id + ".pdf/x",
                           "/api/report/..%2F..%2Fetc%2Fpasswd.pdf", "/api/report/.pdf"}) {
    EXPECT_EQ(client.Get(path)->status, 404) << path;
  }
  EXPECT_EQ(client.Get("/api/report/" + id + ".pdf", {{"Host", "evil.example:80"}})->status, 403);
}

TEST_F(StationHttp, AnAddressOtherMachinesReachNeedsTheToken) {
  Station station(Options());
  EXPECT_THROW(StationServer(station, Server(std::nullopt, "0.0.0.0")), Error);
  const String token = "0123456789abcdef0123";
  StationServer server(station, Server(token, "127.0.0.2"));
  const int port = server.Bind();
  std::thread serving([&] { server.Serve(); });
  httplib::Client client("127.0.0.2", port);
  EXPECT_EQ(client.Get("/api/overview")->status, 401);
  EXPECT_EQ(client.Get("/api/overview", {{"Authorization", "Bearer wrong"}})->status, 401);
  EXPECT_EQ(client.Get("/api/overview", {{"Authorization", "Bearer " + token}})->status, 200);
  const auto login = client.Post("/api/login", Json{{"token", token}}.dump(), "application/json");
  ASSERT_EQ(login->status, 200);
  EXPECT_NE(login->get_header_value("Set-Cookie").find("HttpOnly"), String::npos);
  server.Stop();
  serving.join();
}

}  // namespace
}  // namespace velko::station

namespace velko::station {
namespace {

// The service events a sequence's filters name are offered, and a run that selects one passes
// the checks with them in its setup.
TEST_F(StationHttp, OffersTheServiceEventsOfTheSequenceAndChecksARunWithThem) {
  String text = test::ReadFileText(VELKO_SOURCE_DATA_DIR "/samples/class1-bf-sequence.xml");
  const String plugIn = "<PlugIn Name=\"Simulator\" TestID=\"610\"/>";
  text.replace(text.find(plugIn), plugIn.size(),
               plugIn +
                   "<Filter><ServiceEvents><Activity Type=\"Repair\" Event=\"Mains cord "
                   "replaced\"/></ServiceEvents></Filter>");
  test::WriteFileText(sequences / "after-repair.xml", text);
  Station station(Options());
  const Json overview = station.Overview("en");
  Json offered;
  for (const Json& sequence : overview["sequences"]) {
    if (sequence["file"] == "after-repair.xml") offered = sequence["serviceEvents"];
  }
  ASSERT_EQ(offered.size(), 1u) << overview.dump();
  EXPECT_EQ(offered[0]["activity"], "Repair");
  EXPECT_EQ(offered[0]["event"], "Mains cord replaced");

  Json body = Json::parse(RunBody("after-repair.xml"));
  body["serviceEvents"] = Json::array({{{"activity", "Repair"}, {"event", "Mains cord replaced"}}});
  const Json checked = station.Check("en", body.dump());
  EXPECT_TRUE(checked["ready"].get<bool>()) << checked.dump();
}

}  // namespace
}  // namespace velko::station
