// CSystemOptions: the system-wide options kept in the registry, and the thread's shared instance.
#pragma once

#include "velko/typelib/setup.hpp"

namespace velko {

// Internal class (reached through ISystemOptions). The key paths are fixed at creation; every
// read and write goes to the registry at once, so two instances always see the same values.
// Nothing here raises: a failed read gives Null (and the defaults below), a failed write is
// dropped.
class CSystemOptions final : public ISystemOptions {
 public:
  CSystemOptions();

  // Always True; the registry is not read.
  Boolean AddDocumentHistory() override { return true; }
  // Writes 1 or 0 as a Long under "Add document history".
  void SetAddDocumentHistory(Boolean add) override;
  // True when "DisplayServiceRecord" is present and not 0.
  Boolean DisplayServiceRecord() override;
  // The text stored under `name` in the language options; "" when absent.
  String Language(const String& name) override;
  void SetLanguage(const String& name, const String& value) override;
  // The stored value; Null when absent.
  Variant ReportSetting(const String& name) override;
  void SetReportSetting(const String& name, const Variant& value) override;
  // The stored bit set under "Test guide settings"; 0 when absent.
  Long TestGuideSettings() override;
  void SetTestGuideSettings(Long settings) override;
  // Always "".
  String TemplateRoot() override { return {}; }
  Variant TemplateSettings(const String& name) override;
  void SetTemplateSettings(const String& name, const Variant& value) override;

 private:
  String generalKey_;
  String languageKey_;
  String reportKey_;
  String templateKey_;
};

// The calling thread's shared system options, created on first use.
Ref<ISystemOptions> SharedSystemOptions();
// The calling thread's shared system options when they exist already; none otherwise.
Ref<ISystemOptions> ExistingSharedSystemOptions();
// Replaces the calling thread's shared system options (none: the next use creates a new one).
void SetSharedSystemOptions(Ref<ISystemOptions> options);

}  // namespace velko
