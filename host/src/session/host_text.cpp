#include "velko/host/session/host_text.hpp"

#include "velko/core/translation.hpp"
#include "velko/outside/html_report.hpp"

namespace velko::host {

String HostText(const String& keyedText, const Variant& params) {
  String text = TranslateText(kHostCatalogue, keyedText, params);
  return text.empty() ? DefaultMessageText(keyedText, params) : text;
}

}  // namespace velko::host
