#include "velko/core/callback.hpp"

#include <algorithm>

#include "velko/core/error_module.hpp"

namespace velko {

VELKO_PUBLIC_CLASS(CCallBack, Instancing::kCreatable, ICallBack);

void CCallBack::SendEvent(String& eventName, VariantArray& eventData) {
  Quietly([&] {
    if (eventName.empty()) return;
    // A snapshot, so that a subscriber may advise or unadvise while the event runs.
    const auto subscribers = subscribers_;
    for (const auto& subscriber : subscribers) {
      // Each subscriber gets its own copy: objects stay the same objects, values are copied.
      VariantArray copy = eventData;
      String name = eventName;
      Quietly([&] { subscriber.second(name, copy); });
    }
  });
}

Long CCallBack::Advise(ReceivedEventHandler handler) {
  const Long cookie = nextCookie_++;
  subscribers_.emplace_back(cookie, std::move(handler));
  return cookie;
}

void CCallBack::Unadvise(Long cookie) {
  std::erase_if(subscribers_, [cookie](const auto& s) { return s.first == cookie; });
}

}  // namespace velko
