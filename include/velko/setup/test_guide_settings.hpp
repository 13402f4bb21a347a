// CTestGuideSettings: the extra buttons and window behaviour of one test guide.
#pragma once

#include "velko/frame/class_table.hpp"
#include "velko/typelib/setup.hpp"

namespace velko {

// Bits of EnableButton.
constexpr Long kEnableSkipButton = 1;
constexpr Long kEnableNaButton = 2;

// Public, creatable (VelkoCore.CTestGuideSettings). Only the two button bits are stored in XML
// ("TestGuideSettings" holding "EnableBtn" with "Skip" and "NA"); the three window flags live in
// the object and its clones.
class CTestGuideSettings : public ITestGuideSettings {
 public:
  VELKO_CLASS_IDS("{5D3A7C21-8B4E-4F60-9A1C-2E3F4A5B6C01}",
                  "{5D3A7C21-8B4E-4F60-9A1C-2E3F4A5B6C02}");

  CTestGuideSettings() { Reset(); }

  Long EnableButton() override { return enableButton_; }
  void SetEnableButton(Long buttons) override { enableButton_ = buttons; }
  Boolean AllowResize() override { return allowResize_; }
  void SetAllowResize(Boolean allow) override { allowResize_ = allow; }
  Boolean ShowMaximized() override { return showMaximized_; }
  void SetShowMaximized(Boolean show) override { showMaximized_ = show; }
  Boolean AlwaysOnTop() override { return alwaysOnTop_; }
  void SetAlwaysOnTop(Boolean onTop) override { alwaysOnTop_ = onTop; }

  // Resets all fields, then reads the two button bits from the child "EnableBtn" (a bit is set
  // only by the exact text "True"). The tag of `in` is not examined; the log is not used.
  void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) override;
  // A new "TestGuideSettings" element; raises 0x8004A3C3 when an element cannot be created.
  Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) override;
  Ref<ITestGuideSettings> Clone() override;

 private:
  void Reset();

  Long enableButton_ = 0;
  Boolean showMaximized_ = false;
  Boolean alwaysOnTop_ = false;
  Boolean allowResize_ = false;
};

}  // namespace velko
