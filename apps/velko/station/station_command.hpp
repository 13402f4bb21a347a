// velko station: the test station on a local HTTP port until it is interrupted.
#pragma once

#include <optional>
#include <vector>

#include "velko/frame/types.hpp"

namespace velko::station {

struct StationArgs {
  String listen = "127.0.0.1:8353";
  std::optional<String> archive;
  std::vector<String> sequences;  // folders; the installed samples when none
  std::optional<String> tokenFile;
  std::optional<String> output;       // records, reports and setups
  std::optional<String> instruments;  // the setup giving the instruments
  String language = "en";
};

int StationCommand(const StationArgs& args);

// The installed share/velko/<part> beside the program, else the source tree's folder.
String InstalledFolder(const char* part, const char* sourceFolder);

}  // namespace velko::station
