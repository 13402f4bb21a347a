#include "velko/setup/system_options.hpp"

#include "velko/core/error_module.hpp"
#include "velko/outside/registry.hpp"

namespace velko {
namespace {

constexpr const char* kAddDocumentHistory = "Add document history";
constexpr const char* kDisplayServiceRecord = "DisplayServiceRecord";
constexpr const char* kTestGuideSettings = "Test guide settings";

// A registry value, or Null when the key or value cannot be read.
Variant ReadValue(const String& keyPath, const String& name) {
  return QuietlyOr(Variant::Null(), [&] {
    Ref<IRegistryKey> key = CreateRegistryKey();
    key->OpenKey(kHKeyLocalMachine, keyPath);
    return key->Value(Variant(name));
  });
}

// Writes a registry value; a failure is dropped. The key is created where missing, so that a
// setting made on a fresh installation is kept rather than silently lost.
void WriteValue(const String& keyPath, const String& name, const Variant& value) {
  Quietly([&] {
    Ref<IRegistryKey> key = CreateRegistryKey();
    key->CreateKey(kHKeyLocalMachine, keyPath);
    key->SetValue(Variant(name), value);
  });
}

String KeyPathOr(Long id, const String& fallback) {
  return QuietlyOr(fallback, [id] { return RegistryPaths()->KeyPath(id); });
}

thread_local Ref<ISystemOptions> tSharedOptions;

}  // namespace

CSystemOptions::CSystemOptions()
    : generalKey_(KeyPathOr(kRegPathGeneral, kVelkoRootKey)),
      languageKey_(KeyPathOr(kRegPathLanguage, kVelkoRootKey)),
      reportKey_(KeyPathOr(kRegPathReport, kVelkoRootKey)),
      templateKey_(KeyPathOr(kRegPathProduct, kVelkoRootKey) + "\\Template") {}

void CSystemOptions::SetAddDocumentHistory(Boolean add) {
  WriteValue(generalKey_, kAddDocumentHistory, Variant(static_cast<Long>(add ? 1 : 0)));
}

Boolean CSystemOptions::DisplayServiceRecord() {
  return QuietlyOr(false, [&] {
    const Variant stored = ReadValue(generalKey_, kDisplayServiceRecord);
    return !stored.IsNull() && stored.ToDouble() != 0;
  });
}

String CSystemOptions::Language(const String& name) {
  return QuietlyOr(String(), [&] {
    const Variant stored = ReadValue(languageKey_, name);
    return stored.IsNull() ? String() : stored.ToString();
  });
}

void CSystemOptions::SetLanguage(const String& name, const String& value) {
  WriteValue(languageKey_, name, Variant(value));
}

Variant CSystemOptions::ReportSetting(const String& name) {
  return ReadValue(reportKey_, name);
}

void CSystemOptions::SetReportSetting(const String& name, const Variant& value) {
  WriteValue(reportKey_, name, value);
}

Long CSystemOptions::TestGuideSettings() {
  return QuietlyOr(Long{0}, [&] {
    const Variant stored = ReadValue(generalKey_, kTestGuideSettings);
    return stored.IsNull() ? Long{0} : stored.ToLong();
  });
}

void CSystemOptions::SetTestGuideSettings(Long settings) {
  WriteValue(generalKey_, kTestGuideSettings, Variant(settings));
}

Variant CSystemOptions::TemplateSettings(const String& name) {
  return ReadValue(templateKey_, name);
}

void CSystemOptions::SetTemplateSettings(const String& name, const Variant& value) {
  WriteValue(templateKey_, name, value);
}

Ref<ISystemOptions> SharedSystemOptions() {
  if (!tSharedOptions) tSharedOptions = MakeRef<CSystemOptions>();
  return tSharedOptions;
}

Ref<ISystemOptions> ExistingSharedSystemOptions() {
  return tSharedOptions;
}

void SetSharedSystemOptions(Ref<ISystemOptions> options) {
  tSharedOptions = std::move(options);
}

}  // namespace velko
