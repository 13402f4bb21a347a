// The host's controls as far as translation touches them: captions, tool tips and fonts of
// controls, tab strips and tool bars.
#pragma once

#include "velko/frame/guid.hpp"
#include "velko/frame/variant.hpp"
#include "velko/typelib/forward.hpp"

namespace velko {

class IControlFont : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IControlFont, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F51}");
  virtual String Name() = 0;
  virtual void SetName(const String& name) = 0;
  virtual Integer CharSet() = 0;
  virtual void SetCharSet(Integer charSet) = 0;
};

// A control, a tab or a tool-bar button. A member that the control does not have raises.
class IControl : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IControl, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F52}");
  virtual String Caption() = 0;
  virtual void SetCaption(const String& caption) = 0;
  virtual String ToolTipText() = 0;
  virtual void SetToolTipText(const String& text) = 0;
  virtual Ref<IControlFont> Font() = 0;
  // The entries of a button's drop-down menu (none for other controls).
  virtual Ref<IControls> ButtonMenus() = 0;
  // The text of a menu entry.
  virtual String Text() = 0;
  virtual void SetText(const String& text) = 0;
};

class IControls : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IControls, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F53}");
  virtual Long Count() = 0;
  virtual Ref<IControl> Item(Long index) = 0;  // 1-based
};

class ITabStrip : public virtual IUnknown {
 public:
  VELKO_INTERFACE(ITabStrip, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F54}");
  virtual Ref<IControls> Tabs() = 0;
};

class IToolBar : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IToolBar, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F55}");
  virtual Ref<IControls> Buttons() = 0;
};

}  // namespace velko
