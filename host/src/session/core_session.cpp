#include "velko/host/session/core_session.hpp"

#include "velko/core/gtranslate.hpp"
#include "velko/core/initialize.hpp"
#include "velko/host/session/first_use.hpp"
#include "velko/outside/progress_log.hpp"

namespace velko::host {

CoreSession::CoreSession(const String& language) : ui_(MakeRef<HeadlessUserInterface>()) {
  const FirstUse firstUse = RegisterShippedComponents();  // before the plug-ins are read
  UseUserInterface(ui_);
  Ref<GInitialize> core = GInitialize::Instance();
  core->InitCore();
  GTranslate::Instance()->SelectLanguageSet(language);
  firstUse_ = FirstUseNotices(firstUse);
  manager_ = core->PlugInManager();
  auto log = MakeRef<CollectingLog>();
  manager_->Initialize(log);
}

CoreSession::~CoreSession() {
  manager_ = nullptr;
  GInitialize::Instance()->ShutDownCore();
  UseUserInterface(nullptr);
}

std::vector<String> CoreSession::PlugInWarnings() const {
  std::vector<String> warnings = firstUse_;
  for (const MessageBoxRecord& box : ui_->MessageBoxes())
    warnings.push_back(box.text);
  return warnings;
}

}  // namespace velko::host
