#include "velko/core/initialize.hpp"

#include "velko/core/error_module.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/core/plugin_manager.hpp"
#include "velko/outside/language.hpp"
#include "velko/report/rtf_processor.hpp"
#include "velko/setup/system_options.hpp"

namespace velko {
namespace {

constexpr ErrorPolicy kInitPolicy{
    "VelkoCore.GInitialize",
    {err::kLanguagePath, err::kRegistryKeyMissing, err::kRegistryValueUnreadable}};

}  // namespace

VELKO_PUBLIC_CLASS(GInitialize, Instancing::kGlobal);

Ref<GInitialize> GInitialize::Instance() {
  return PredeclaredInstance<GInitialize>();
}

Ref<IPlugInManager> GInitialize::PlugInManager() {
  return CurrentPlugInManager();
}

void GInitialize::InitCore() {
  Guarded(kInitPolicy, [] {
    Ref<ISystemOptions> options = MakeRef<CSystemOptions>();
    SetSharedSystemOptions(options);
    SetCurrentPlugInManager(MakeRef<CPlugInManager>());
    String path = options->Language("Path");
    if (path.empty()) path = DefaultLanguagePath();
    LanguageServer()->SetLanguagePath(path);
  });
}

void GInitialize::ShutDownCore() {
  Quietly([] { SetCurrentPlugInManager(nullptr); });
  Quietly([] { ReleaseRTFProcessor(); });
}

}  // namespace velko
