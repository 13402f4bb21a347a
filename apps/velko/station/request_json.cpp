#include "request_json.hpp"

#include <algorithm>

#include "velko/host/session/host_text.hpp"

namespace velko::station {
namespace {

using nlohmann::json;

constexpr std::size_t kMaxItems = 40;
constexpr std::size_t kMaxItemBytes = 256;
constexpr std::size_t kMaxStandards = 20;
constexpr std::size_t kMaxNameBytes = 100;
constexpr std::size_t kMaxRemarkBytes = 2000;
constexpr const char* kFaults[] = {"none", "visual", "earth", "insulation", "leakage", "function"};

[[noreturn]] void Bad(const String& message) {
  throw BadRequest{message};
}

bool HasControl(const String& text, bool lineBreaks) {
  return std::any_of(text.begin(), text.end(), [&](char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (lineBreaks && (c == '\n' || c == '\r')) return false;
    return byte < 0x20 || byte == 0x7F;
  });
}

// A text field: a string of at most `limit` bytes without control characters.
String TextField(const json& body, const char* field, std::size_t limit, bool required,
                 bool lineBreaks = false) {
  const auto found = body.find(field);
  if (found == body.end() || found->is_null()) {
    if (required) Bad(host::HostText("1020::The request lacks the field \"%%1\".", field));
    return {};
  }
  if (!found->is_string()) Bad(host::HostText("1021::The field \"%%1\" must be a text.", field));
  const String text = found->get<String>();
  if (text.size() > limit)
    Bad(host::HostText("1022::The field \"%%1\" is longer than %%2 bytes.", field,
                       static_cast<Long>(limit)));
  if (HasControl(text, lineBreaks))
    Bad(host::HostText("1023::The field \"%%1\" holds a control character.", field));
  if (required && text.find_first_not_of(" \t") == String::npos)
    Bad(host::HostText("1024::The field \"%%1\" is empty.", field));
  return text;
}

bool ItemName(const String& name) {
  if (name.empty() || name.size() > 64) return false;
  if (!std::isalpha(static_cast<unsigned char>(name.front()))) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
  });
}

std::vector<std::pair<String, String>> DeviceItems(const json& body) {
  const auto device = body.find("device");
  if (device == body.end() || !device->is_object())
    Bad(host::HostText("1025::The request lacks the device's items."));
  if (device->size() > kMaxItems)
    Bad(host::HostText("1026::The device has more than %%1 items.", static_cast<Long>(kMaxItems)));
  std::vector<std::pair<String, String>> items;
  for (const auto& [name, value] : device->items()) {
    if (!ItemName(name))
      Bad(host::HostText("1027::\"%%1\" is no name of a device item.", name.substr(0, 64)));
    const String text = TextField(*device, name.c_str(), kMaxItemBytes, false);
    if (!text.empty()) items.emplace_back(name, text);
  }
  return items;
}

// A file name of a sequence folder: no folder part, no hidden file, an XML file.
String SequenceName(const json& body) {
  const String name = TextField(body, "sequence", 255, true);
  const bool plain =
      name.find('/') == String::npos && name.find('\\') == String::npos && name.front() != '.';
  const bool xml = name.size() > 4 && name.compare(name.size() - 4, 4, ".xml") == 0;
  if (!plain || !xml)
    Bad(host::HostText("1028::\"%%1\" is no sequence of the station's folders.", name));
  return name;
}

std::vector<String> Standards(const json& body) {
  const auto found = body.find("standards");
  if (found == body.end() || found->is_null()) return {};
  if (!found->is_array() || found->size() > kMaxStandards)
    Bad(host::HostText("1029::The standards must be a list of at most %%1 names.",
                       static_cast<Long>(kMaxStandards)));
  std::vector<String> standards;
  for (const json& entry : *found) {
    const json wrapped{{"standard", entry}};
    standards.push_back(TextField(wrapped, "standard", kMaxNameBytes * 2, true));
  }
  return standards;
}

std::vector<std::pair<String, String>> ServiceEvents(const json& body) {
  const auto found = body.find("serviceEvents");
  if (found == body.end() || found->is_null()) return {};
  if (!found->is_array() || found->size() > kMaxStandards)
    Bad(host::HostText("1035::The service events must be a list of at most %%1 entries.",
                       static_cast<Long>(kMaxStandards)));
  std::vector<std::pair<String, String>> events;
  for (const json& entry : *found) {
    if (!entry.is_object()) Bad(host::HostText("1036::A service event names its activity."));
    events.emplace_back(TextField(entry, "activity", kMaxNameBytes, true),
                        TextField(entry, "event", kMaxNameBytes, false));
  }
  return events;
}

std::optional<String> Fault(const json& body) {
  const String fault = TextField(body, "fault", 20, false);
  if (fault.empty()) return std::nullopt;
  if (std::find(std::begin(kFaults), std::end(kFaults), fault) == std::end(kFaults))
    Bad(host::HostText("1030::\"%%1\" is no fault of the simulated device.", fault));
  return fault;
}

}  // namespace

json ParseBody(const std::string& body) {
  if (body.size() > kMaxRequestBytes)
    Bad(host::HostText("1031::The request is longer than %%1 bytes.",
                       static_cast<Long>(kMaxRequestBytes)));
  json parsed = json::parse(body, nullptr, false);
  if (parsed.is_discarded() || !parsed.is_object())
    Bad(host::HostText("1032::The request is no JSON object."));
  return parsed;
}

RunRequest ParseRunRequest(const json& body) {
  RunRequest request;
  request.items = DeviceItems(body);
  request.sequence = SequenceName(body);
  request.standards = Standards(body);
  request.serviceEvents = ServiceEvents(body);
  request.fault = Fault(body);
  request.tester = TextField(body, "tester", kMaxNameBytes, true);
  return request;
}

AnswerRequest ParseAnswerRequest(const json& body) {
  AnswerRequest request;
  const auto question = body.find("question");
  const auto answer = body.find("answer");
  if (question == body.end() || !question->is_number_unsigned() || answer == body.end() ||
      !answer->is_number_integer())
    Bad(host::HostText("1033::An answer names its question and its button by number."));
  request.question = question->get<std::uint64_t>();
  const auto button = answer->get<std::int64_t>();
  if (button < 1 || button > 7)
    Bad(host::HostText("1034::The answer %%1 is no button.", static_cast<Long>(button)));
  request.answer = static_cast<Long>(button);
  request.remark = TextField(body, "remark", kMaxRemarkBytes, false, true);
  return request;
}

String ParseDeviceNumber(const std::string& number) {
  const json wrapped{{"number", number}};
  return TextField(wrapped, "number", 64, true);
}

}  // namespace velko::station
