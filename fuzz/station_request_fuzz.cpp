// The station's JSON requests as any tab (or anything else that reaches the port) may send them:
// a request is either refused with its reason or taken, and a run request that is taken always
// gives a setup that reads back as XML with the device's items unchanged.
#include <cstdlib>
#include <pugixml.hpp>

#include "fuzz_support.hpp"
#include "request_json.hpp"
#include "velko/host/documents/device_setup.hpp"

using namespace velko;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::UseScratchRegistry();
  return 0;
}

namespace {

void CheckSetupOf(const station::RunRequest& request) {
  const String text = host::DeviceSetupText({request.items, {}, {}}, std::nullopt);
  pugi::xml_document document;
  if (!document.load_buffer(text.data(), text.size())) std::abort();
  std::size_t index = 0;
  for (pugi::xml_node item : document.child("Setup").child("DUT").children("Item")) {
    if (index >= request.items.size() || request.items[index].second != item.text().get())
      std::abort();
    ++index;
  }
  if (index != request.items.size()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string body(reinterpret_cast<const char*>(data), size);
  try {
    const nlohmann::json parsed = station::ParseBody(body);
    try {
      CheckSetupOf(station::ParseRunRequest(parsed));
    } catch (const station::BadRequest&) {
    }
    try {
      station::ParseAnswerRequest(parsed);
    } catch (const station::BadRequest&) {
    }
  } catch (const station::BadRequest&) {
  }
  return 0;
}
