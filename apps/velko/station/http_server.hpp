// The station's HTTP face: its pages (plain files of the web folder) and its JSON API. Requests
// are parsed and checked here; the work is the Station's, on its engine thread.
//
// Security: on a loopback address the station is this machine's alone (requests must name it as
// their host, so that a page of another site cannot reach it through a name it rebinds); on any
// other address every API request carries the access token (a cookie set by the login, or an
// "Authorization: Bearer" header). Every request that changes something carries the session's
// CSRF token in the "X-CSRF-Token" header, which another site's page cannot read. Neither token is
// ever part of a URL or of the log.
#pragma once

#include <memory>
#include <optional>

#include "station.hpp"

namespace httplib {
class Server;
}

namespace velko::station {

struct ServerOptions {
  String address = "127.0.0.1";
  int port = 8353;              // 0: a free port
  std::optional<String> token;  // required unless the address is a loopback address
  String webFolder;             // index.html, station.css, station.js
};

// Whether the address reaches this machine only (127.0.0.0/8, ::1, localhost).
bool IsLoopbackAddress(const String& address);

class StationServer {
 public:
  // Raises BadRequest-free host errors: a missing token on a non-loopback address, a web folder
  // without the pages.
  StationServer(Station& station, ServerOptions options);
  ~StationServer();

  // Binds the address; returns the port (raises a host error when it cannot be bound).
  int Bind();
  // Serves until Stop.
  void Serve();
  void Stop();
  const String& CsrfToken() const { return csrf_; }

 private:
  void Route();

  Station& station_;
  ServerOptions options_;
  String csrf_;
  std::unique_ptr<httplib::Server> server_;
  std::vector<std::pair<String, String>> pages_;  // name, content
  int port_ = 0;
};

}  // namespace velko::station
