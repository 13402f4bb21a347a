#include "station_command.hpp"

#include <fmt/format.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <thread>

#include "http_server.hpp"
#include "velko/host/archive/archive.hpp"
#include "velko/host/files/file_system.hpp"
#include "velko/host/session/host_text.hpp"
#include "velko/host/session/messages.hpp"

namespace velko::station {
namespace fs = std::filesystem;

namespace {

// Set by SIGINT and SIGTERM; a watcher thread stops the server, since a signal handler may do
// no more than set a flag.
volatile std::sig_atomic_t stopRequested = 0;

void StopOnSignal(int) {
  stopRequested = 1;
}

// "HOST:PORT", "[::1]:PORT" or "HOST" (the default port).
std::pair<String, int> AddressOf(const String& listen) {
  String host = listen;
  int port = 8353;
  const auto colon = listen.rfind(':');
  if (colon != String::npos && listen.find(']') == String::npos ? listen.find(':') == colon
                                                                : colon > listen.find(']')) {
    host = listen.substr(0, colon);
    const String digits = listen.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 ||
        digits.find_first_not_of("0123456789") != String::npos || std::stoi(digits) > 65535)
      host::RaiseHostError("1070::\"%%1\" is no address with a port (HOST:PORT).",
                           {Variant(listen)});
    port = std::stoi(digits);
  }
  if (host.size() > 2 && host.front() == '[' && host.back() == ']')
    host = host.substr(1, host.size() - 2);
  return {host, port};
}

String ReadToken(const String& file) {
  const std::optional<String> text = host::LocalFileSystem().ReadFile(file);
  if (!text) host::RaiseHostError("1071::The token file %%1 cannot be read.", {Variant(file)});
  String token = *text;
  while (!token.empty() && (token.back() == '\n' || token.back() == '\r' || token.back() == ' '))
    token.pop_back();
  return token;
}

String DataHome() {
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data) return data;
  if (const char* home = std::getenv("HOME"); home && *home) return String(home) + "/.local/share";
  return ".";
}

}  // namespace

String InstalledFolder(const char* part, const char* sourceFolder) {
  std::error_code ec;
  const fs::path program = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    const fs::path installed = (program.parent_path() / "../share/velko" / part).lexically_normal();
    if (fs::is_directory(installed, ec)) return installed.string();
  }
  return sourceFolder;
}

int StationCommand(const StationArgs& args) {
  StationOptions options;
  options.archive = args.archive.value_or(host::DefaultArchiveLocation());
  const String samples = InstalledFolder("samples", VELKO_SAMPLES_DIR);
  options.sequenceFolders = args.sequences;
  if (options.sequenceFolders.empty()) options.sequenceFolders.push_back(samples);
  options.outputFolder = args.output.value_or(DataHome() + "/velko/station");
  options.instrumentTemplate = args.instruments.value_or(samples + "/healthy-setup.xml");
  options.language = args.language == "de" ? "de" : "en";

  ServerOptions server;
  std::tie(server.address, server.port) = AddressOf(args.listen);
  if (args.tokenFile) server.token = ReadToken(*args.tokenFile);
  server.webFolder = InstalledFolder("station", VELKO_STATION_WEB_DIR);

  Station station(options);
  StationServer http(station, server);
  const int port = http.Bind();
  const String host =
      server.address.find(':') != String::npos ? "[" + server.address + "]" : server.address;
  fmt::print("{}\n", host::HostText("1072::The test station is ready at http://%%1:%%2/ (archive "
                                    "%%3). Open it in a browser; Ctrl+C ends it.",
                                    host, static_cast<Long>(port), options.archive));
  std::fflush(stdout);
  std::signal(SIGINT, StopOnSignal);
  std::signal(SIGTERM, StopOnSignal);
  std::atomic<bool> served{false};
  std::thread watcher([&] {
    while (stopRequested == 0 && !served)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    http.Stop();
  });
  http.Serve();
  served = true;
  watcher.join();
  return 0;
}

}  // namespace velko::station
