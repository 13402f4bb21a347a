// CCallBack: the relay through which the host and the plug-ins pass named events.
#pragma once

#include <utility>
#include <vector>

#include "velko/frame/class_table.hpp"
#include "velko/typelib/plugin.hpp"

namespace velko {

// Public, creatable (VelkoCore.CCallBack). Subscribers (Advise) receive ReceivedEvent.
class CCallBack : public ICallBack {
 public:
  VELKO_CLASS_IDS("{8E0F2A31-6C4B-4D7E-A1F2-3B4C5D6E7031}",
                  "{8E0F2A31-6C4B-4D7E-A1F2-3B4C5D6E7032}");
  // The event source interface (ReceivedEvent).
  static constexpr Guid kEventIID = MakeGuid("{8E0F2A31-6C4B-4D7E-A1F2-3B4C5D6E7033}");

  // Does nothing for an empty name. Otherwise every subscriber gets the name and a copy of the
  // data (objects are the same objects, other values copied). Never raises: a subscriber that
  // fails does not stop the others.
  void SendEvent(String& eventName, VariantArray& eventData) override;
  Long Advise(ReceivedEventHandler handler) override;
  // An unknown cookie is ignored.
  void Unadvise(Long cookie) override;

 private:
  std::vector<std::pair<Long, ReceivedEventHandler>> subscribers_;
  Long nextCookie_ = 1;
};

}  // namespace velko
