// The JSON requests of the station's API, checked field by field before anything acts on them:
// every field of the right kind and size, names of a safe form, no control characters. What a
// request may not hold is refused with a message saying which field and why.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "velko/frame/types.hpp"

namespace velko::station {

// A request that is not what the API takes: the message says what is wrong (in the calling
// thread's language).
struct BadRequest {
  String message;
};

// At most this many bytes of a request body are read.
inline constexpr std::size_t kMaxRequestBytes = 64 * 1024;

// The body as a JSON object; raises BadRequest when it is too long, no JSON or no object.
nlohmann::json ParseBody(const std::string& body);

// A run as a tab asks for it.
struct RunRequest {
  std::vector<std::pair<String, String>> items;  // the DUT items: name, value
  String sequence;                               // a file name in one of the sequence folders
  std::vector<String> standards;                 // complete names from the registry's list
  std::vector<std::pair<String, String>> serviceEvents;  // activity, event
  std::optional<String> fault;                           // the simulated device's fault
  String tester;                                         // who signs the record
};
RunRequest ParseRunRequest(const nlohmann::json& body);

struct AnswerRequest {
  std::uint64_t question = 0;
  Long answer = 0;
  String remark;
};
AnswerRequest ParseAnswerRequest(const nlohmann::json& body);

// A device's serial or asset number as a search: 1 to 64 characters, none of them a control
// character.
String ParseDeviceNumber(const std::string& number);

}  // namespace velko::station
