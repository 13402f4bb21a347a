// Plug-ins, the plug-in manager and the event relay between host and plug-ins.
#pragma once

#include <functional>

#include "velko/frame/enumerator.hpp"
#include "velko/frame/guid.hpp"
#include "velko/frame/variant.hpp"
#include "velko/typelib/forward.hpp"

namespace velko {

// The object every instrument plug-in offers (one per plug-in, created by its programmatic
// identifier).
class IPlugIn : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IPlugIn, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F41}");
  virtual String ID() = 0;  // the key of the plug-in in the plug-in list
  virtual String Name() = 0;
  virtual String Description() = 0;
  virtual String Manufacturer() = 0;
  virtual String HelpFile() = 0;
  // The relay the plug-in and the host pass named events through (may be none).
  virtual Ref<ICallBack> CallBack() = 0;
  // The tree of test elements the plug-in offers.
  virtual Ref<ITestContainer> Elements() = 0;
  virtual String Version() = 0;
  // The plug-in's configuration file ("" when it has none).
  virtual String ConfigurationFile() = 0;
  // Called once right after creation (and with no log when the manager terminates).
  virtual void Initialize(const Ref<IProgressLog>& log) = 0;
  virtual Ref<ITestElement> CreateTestElement(Long testId) = 0;
  // The plug-in's device data object for a test setup.
  virtual Ref<IConfigData> CreateConfigData() = 0;
};

class IPlugInManager : public virtual IUnknown {
 public:
  VELKO_INTERFACE(IPlugInManager, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F42}");
  virtual Long Count() = 0;
  virtual Ref<IPlugIn> PlugIn(const String& plugInId) = 0;
  virtual Ref<IPlugIn> Item(Long index) = 0;
  virtual Ref<ITestElement> CreateITEfromXML(const Ref<IXmlElement>& in) = 0;
  virtual Ref<ITestElement> CreateTestElement(const String& plugInId, Long testId) = 0;
  virtual void Initialize(const Ref<IProgressLog>& log) = 0;
  virtual void Refresh(const Ref<IProgressLog>& log) = 0;
  virtual Ref<IEnumVariant> NewEnum() = 0;
};

// Subscriber of ReceivedEvent: the event name and data, both by reference.
using ReceivedEventHandler = std::function<void(String& eventName, VariantArray& eventData)>;

class ICallBack : public virtual IUnknown {
 public:
  VELKO_INTERFACE(ICallBack, "{6B1C2E01-5A3D-4C7E-9F10-0A1B2C3D4F43}");
  virtual void SendEvent(String& eventName, VariantArray& eventData) = 0;
  // Subscribes to ReceivedEvent; the cookie unsubscribes.
  virtual Long Advise(ReceivedEventHandler handler) = 0;
  virtual void Unadvise(Long cookie) = 0;
};

}  // namespace velko
