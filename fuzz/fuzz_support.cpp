#include "fuzz_support.hpp"

#include <cstdio>
#include <cstdlib>

#include "velko/core/initialize.hpp"
#include "velko/frame/runtime.hpp"
#include "velko/outside/registry.hpp"
#include "velko/outside/xml.hpp"

// The PO reader (libgettextpo) never frees a copy of each file name it reads, nor some tokens of
// a broken file; only blocks the reader allocated itself are suppressed, not the library's own.
// Fontconfig (under the PDF writer's pango) keeps its configuration for the life of the process.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libgettextpo\nleak:libfontconfig\n";
}

namespace velko::fuzz {

void Require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "fuzz invariant violated: %s\n", what);
  std::abort();
}

Ref<IXmlElement> ParseRoot(std::string_view text) {
  Ref<IXmlElement> root;
  Tolerating([&] { root = ParseXmlDocument(String(text))->DocumentElement(); });
  return root;
}

String SavedText(const std::function<Ref<IXmlElement>(const Ref<IXmlDocument>&)>& save) {
  const Ref<IXmlFile> file = CreateXmlFile();
  const Ref<IXmlElement> element = save(file->Document());
  if (!element) return String();
  file->Document()->SetDocumentElement(element);
  return file->SaveToText();
}

Ref<CollectingLog> NewLog() {
  return MakeRef<CollectingLog>();
}

void RequireBalanced(const CollectingLog& log) {
  Require(log.AllSectionsClosed(), "a load left a progress-log section open");
  Require(log.StrayCloses() == 0, "a load closed a progress-log section it did not open");
}

bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t extra = 0;
    std::uint32_t cp = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1;
      cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2;
      cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      extra = 3;
      cp = lead & 0x07;
    } else {
      return false;
    }
    if (i + extra >= text.size()) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (next & 0x3F);
    }
    if ((extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000) || cp > 0x10FFFF ||
        (cp >= 0xD800 && cp <= 0xDFFF)) {
      return false;
    }
    i += extra + 1;
  }
  return true;
}

void UseScratchRegistry() {
  UseInMemoryRegistry();
}

void StartTestPlugIns() {
  static bool started = false;
  if (started) return;
  started = true;
  UseInMemoryRegistry();
  RegisterServer(VELKO_TEST_PLUGIN_PATH);
  const String listPath = RegistryPaths()->KeyPath(kRegPathPlugIns);
  const Ref<IRegistryKey> list = CreateRegistryKey();
  list->CreateKey(kHKeyLocalMachine, listPath);
  list->SetValue(Variant("A"), Variant("VelkoTest.CPlugInA"));
  list->SetValue(Variant("B"), Variant("VelkoTest.CPlugInB"));
  // The plug-ins keep per-thread counters that their termination updates. Touched before the
  // plug-in manager exists, they are destroyed after it when the thread ends, so that the
  // manager can still terminate the plug-ins then.
  reinterpret_cast<void (*)()>(ServerEntryPoint(VELKO_TEST_PLUGIN_PATH, "VelkoTestResetCounts"))();
  GInitialize::Instance()->InitCore();
  GInitialize::Instance()->PlugInManager()->Initialize(nullptr);
}

}  // namespace velko::fuzz
