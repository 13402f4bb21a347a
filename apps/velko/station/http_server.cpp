#include "http_server.hpp"

#include <httplib.h>

#include <fstream>
#include <iostream>
#include <sstream>

#include "request_json.hpp"
#include "velko/host/session/messages.hpp"

namespace velko::station {
namespace {

constexpr const char* kJson = "application/json; charset=utf-8";
constexpr const char* kTokenCookie = "velko_station";
// The pages' own files; nothing else is served from the web folder.
constexpr std::pair<const char*, const char*> kPages[] = {
    {"index.html", "text/html; charset=utf-8"},
    {"station.css", "text/css; charset=utf-8"},
    {"station.js", "text/javascript; charset=utf-8"},
};

String RandomHex(std::size_t bytes) {
  std::ifstream random("/dev/urandom", std::ios::binary);
  String hex;
  static constexpr char kDigits[] = "0123456789abcdef";
  for (std::size_t i = 0; i < bytes; ++i) {
    const auto byte = static_cast<unsigned char>(random.get());
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0xF];
  }
  if (!random) host::RaiseHostError("1060::The station cannot read random numbers for its tokens.");
  return hex;
}

// Compares in time that does not depend on where the texts differ.
bool SameSecret(const String& given, const String& expected) {
  if (given.size() != expected.size()) return false;
  unsigned char difference = 0;
  for (std::size_t i = 0; i < given.size(); ++i)
    difference |= static_cast<unsigned char>(given[i] ^ expected[i]);
  return difference == 0;
}

String CookieValue(const httplib::Request& request, const String& name) {
  const String cookies = request.get_header_value("Cookie");
  std::istringstream parts(cookies);
  String part;
  while (std::getline(parts, part, ';')) {
    const auto start = part.find_first_not_of(' ');
    if (start == String::npos) continue;
    part = part.substr(start);
    if (part.rfind(name + "=", 0) == 0) return part.substr(name.size() + 1);
  }
  return {};
}

void SecurityHeaders(httplib::Response& response) {
  response.set_header("X-Content-Type-Options", "nosniff");
  response.set_header("Referrer-Policy", "no-referrer");
  response.set_header("Cache-Control", "no-store");
  if (!response.has_header("Content-Security-Policy")) {
    response.set_header("Content-Security-Policy",
                        "default-src 'self'; img-src 'self' data:; frame-ancestors 'none'; "
                        "base-uri 'none'; form-action 'none'");
  }
}

void SendJson(httplib::Response& response, int status, const Json& body) {
  response.status = status;
  response.set_content(body.dump(-1, ' ', false, Json::error_handler_t::replace), kJson);
}

// The error of a request as the page shows it: a code the page has a text for, and the message.
void SendError(httplib::Response& response, int status, const String& code,
               const String& message = {}) {
  SendJson(response, status, {{"error", code}, {"message", message}});
}

String LanguageOf(const httplib::Request& request) {
  return request.get_header_value("X-Velko-Language") == "de" ? "de" : "en";
}

String ReadPage(const String& folder, const char* name) {
  std::ifstream file(folder + "/" + name, std::ios::binary);
  std::ostringstream content;
  content << file.rdbuf();
  if (!file) {
    host::RaiseHostError("1061::The station's pages are missing: %%1 is not in %%2.",
                         {Variant(String(name)), Variant(folder)});
  }
  return content.str();
}

}  // namespace

bool IsLoopbackAddress(const String& address) {
  return address == "localhost" || address == "::1" || address.rfind("127.", 0) == 0;
}

StationServer::StationServer(Station& station, ServerOptions options)
    : station_(station),
      options_(std::move(options)),
      csrf_(RandomHex(32)),
      server_(std::make_unique<httplib::Server>()) {
  if (!IsLoopbackAddress(options_.address) && (!options_.token || options_.token->size() < 16)) {
    host::RaiseHostError(
        "1062::The station listens on %%1, which other machines reach: give it an access token "
        "of at least 16 characters with --token-file.",
        {Variant(options_.address)});
  }
  for (const auto& [name, type] : kPages)
    pages_.emplace_back(name, ReadPage(options_.webFolder, name));
  Route();
}

StationServer::~StationServer() = default;

int StationServer::Bind() {
  port_ = options_.port == 0
              ? server_->bind_to_any_port(options_.address)
              : (server_->bind_to_port(options_.address, options_.port) ? options_.port : -1);
  if (port_ <= 0) {
    host::RaiseHostError(
        "1063::The station cannot listen on %%1 port %%2 (in use, or not an "
        "address of this machine).",
        {Variant(options_.address), Variant(static_cast<Long>(options_.port))});
  }
  return port_;
}

void StationServer::Serve() {
  server_->listen_after_bind();
}

void StationServer::Stop() {
  station_.Events().Close();
  server_->stop();
}

void StationServer::Route() {
  httplib::Server& server = *server_;
  // Event streams stay open: room for many tabs besides the requests.
  server.new_task_queue = [] { return new httplib::ThreadPool(32); };
  server.set_payload_max_length(kMaxRequestBytes);
  server.set_read_timeout(std::chrono::seconds(10));

  server.set_pre_routing_handler([this](const httplib::Request& request,
                                        httplib::Response& response) {
    SecurityHeaders(response);
    // A page of another site may name this station by a host name of its own (DNS rebinding):
    // on a loopback address only the names of this machine are served.
    if (IsLoopbackAddress(options_.address)) {
      const String host = request.get_header_value("Host");
      const String name = host.substr(0, host.rfind(':'));
      if (!(name == "127.0.0.1" || name == "localhost" || name == "[::1]" ||
            name == options_.address)) {
        SendError(response, 403, "host");
        return httplib::Server::HandlerResponse::Handled;
      }
    }
    const bool api = request.path.rfind("/api/", 0) == 0;
    // The login and the page's own texts need no token: they hold nothing of the station's.
    const bool open = request.path == "/api/login" || request.path == "/api/texts";
    if (api && options_.token && !open) {
      String given = CookieValue(request, kTokenCookie);
      const String bearer = request.get_header_value("Authorization");
      if (bearer.rfind("Bearer ", 0) == 0) given = bearer.substr(7);
      if (!SameSecret(given, *options_.token)) {
        SendError(response, 401, "token");
        return httplib::Server::HandlerResponse::Handled;
      }
    }
    if (request.method != "GET" && request.method != "HEAD") {
      const String origin = request.get_header_value("Origin");
      const String host = request.get_header_value("Host");
      const bool sameOrigin = origin.empty() || origin == "http://" + host;
      const bool login = request.path == "/api/login";
      if (!sameOrigin || (!login && !SameSecret(request.get_header_value("X-CSRF-Token"), csrf_))) {
        SendError(response, 403, "csrf");
        return httplib::Server::HandlerResponse::Handled;
      }
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });

  // A failure of a handler: the Station's refusal or a malformed request, else an internal error.
  const auto guarded = [](auto handler) {
    return [handler](const httplib::Request& request, httplib::Response& response) {
      try {
        handler(request, response);
      } catch (const Refusal& refusal) {
        SendError(response, refusal.status, "refused", refusal.message);
      } catch (const BadRequest& bad) {
        SendError(response, 400, "request", bad.message);
      } catch (const std::exception& e) {
        std::cerr << "station: " << request.method << " " << request.path << ": " << e.what()
                  << "\n";
        SendError(response, 500, "internal");
      }
    };
  };

  for (const auto& [name, type] : kPages) {
    const String path = String("/") + name;
    const String* content = nullptr;
    for (const auto& page : pages_) {
      if (page.first == name) content = &page.second;
    }
    const auto serve = [content, type = String(type)](const httplib::Request&,
                                                      httplib::Response& response) {
      response.set_content(*content, type.c_str());
    };
    server.Get(path, serve);
    if (String(name) == "index.html") server.Get("/", serve);
  }

  server.Post(
      "/api/login", guarded([this](const httplib::Request& request, httplib::Response& response) {
        if (!options_.token) return SendJson(response, 200, {{"login", "none needed"}});
        const Json body = Json::parse(request.body, nullptr, false);
        const bool given = body.is_object() && body.contains("token") && body["token"].is_string();
        if (!given || !SameSecret(body["token"].get<String>(), *options_.token))
          return SendError(response, 401, "token");
        response.set_header("Set-Cookie", String(kTokenCookie) + "=" + *options_.token +
                                              "; HttpOnly; SameSite=Strict; Path=/");
        SendJson(response, 200, {{"login", "ok"}});
      }));
  server.Get("/api/session", guarded([this](const httplib::Request&, httplib::Response& response) {
               SendJson(response, 200, {{"csrf", csrf_}, {"languages", {"en", "de"}}});
             }));
  server.Get("/api/texts",
             guarded([this](const httplib::Request& request, httplib::Response& response) {
               SendJson(response, 200, station_.Texts(LanguageOf(request)));
             }));
  server.Get("/api/overview",
             guarded([this](const httplib::Request& request, httplib::Response& response) {
               SendJson(response, 200, station_.Overview(LanguageOf(request)));
             }));
  server.Get(
      "/api/device", guarded([this](const httplib::Request& request, httplib::Response& response) {
        SendJson(response, 200,
                 station_.FindDevice(LanguageOf(request), request.get_param_value("number")));
      }));
  server.Post("/api/check",
              guarded([this](const httplib::Request& request, httplib::Response& response) {
                SendJson(response, 200, station_.Check(LanguageOf(request), request.body));
              }));
  server.Post("/api/start",
              guarded([this](const httplib::Request& request, httplib::Response& response) {
                SendJson(response, 202, station_.Start(LanguageOf(request), request.body));
              }));
  server.Post("/api/answer",
              guarded([this](const httplib::Request& request, httplib::Response& response) {
                SendJson(response, 200, station_.Answer(LanguageOf(request), request.body));
              }));
  server.Post("/api/abort",
              guarded([this](const httplib::Request& request, httplib::Response& response) {
                SendJson(response, 200, station_.Abort(LanguageOf(request)));
              }));
  server.Get(R"(/api/report/([0-9a-fA-F-]{8,64}))",
             guarded([this](const httplib::Request& request, httplib::Response& response) {
               const std::optional<String> report = station_.Report(request.matches[1]);
               if (!report) return SendError(response, 404, "record");
               // The stored report is shown as a document of its own: no script of it runs.
               response.set_header("Content-Security-Policy",
                                   "default-src 'none'; style-src 'unsafe-inline'; img-src data:; "
                                   "sandbox allow-same-origin");
               response.set_content(*report, "text/html; charset=utf-8");
             }));
  server.Get(R"(/api/report/([0-9a-fA-F-]{8,64})\.pdf)",
             guarded([this](const httplib::Request& request, httplib::Response& response) {
               const String id = request.matches[1];
               const std::optional<String> pdf = station_.Report(id, Station::ReportFormat::kPdf);
               if (!pdf) return SendError(response, 404, "record");
               // The browser's own viewer shows it; the name is the record's (hex digits only).
               response.set_header("Content-Disposition",
                                   "inline; filename=\"report-" + id + ".pdf\"");
               response.set_content(*pdf, "application/pdf");
             }));
  server.Get("/api/events", [this](const httplib::Request& request, httplib::Response& response) {
    std::uint64_t after = 0;
    const String last = request.get_header_value("Last-Event-ID");
    if (!last.empty() && last.size() < 20 && last.find_first_not_of("0123456789") == String::npos)
      after = std::stoull(last);
    response.set_header("X-Accel-Buffering", "no");
    response.set_chunked_content_provider(
        "text/event-stream", [this, after](std::size_t, httplib::DataSink& sink) mutable {
          const std::vector<NumberedEvent> events =
              station_.Events().After(after, std::chrono::seconds(10));
          if (station_.Events().Closed()) return false;
          String chunk = events.empty() ? String(": still here\n\n") : String();
          for (const NumberedEvent& event : events) {
            chunk += "id: " + std::to_string(event.number) + "\ndata: " + event.json + "\n\n";
            after = event.number;
          }
          return sink.write(chunk.data(), chunk.size());
        });
  });
  server.set_logger([](const httplib::Request& request, const httplib::Response& response) {
    // The path only: a query or a header could hold what is nobody else's business.
    if (response.status >= 400)
      std::cerr << "station: " << request.method << " " << request.path << " " << response.status
                << "\n";
  });
}

}  // namespace velko::station
