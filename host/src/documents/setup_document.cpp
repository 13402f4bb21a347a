#include "velko/host/documents/setup_document.hpp"

#include "velko/core/error_module.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/core/xml_walk.hpp"
#include "velko/frame/text.hpp"
#include "velko/host/session/messages.hpp"
#include "velko/outside/registry.hpp"
#include "velko/outside/xml.hpp"

namespace velko::host {
namespace {

constexpr const char* kSimulatorId = "Simulator";

Ref<IXmlElement> SimulatorData(const Ref<IXmlElement>& setup) {
  Ref<IXmlElement> found;
  ForEachChildElement(setup, [&](const Ref<IXmlElement>& child) {
    if (child->TagName() == "PlugInData" && child->GetAttribute("PlugIn") == kSimulatorId) {
      found = child;
      return false;
    }
    return true;
  });
  return found;
}

// Whether the registry's list of standards holds the standard (short name as the sub-key, the
// complete name as one of its values).
bool IsKnownStandard(const Ref<IRegistryKey>& list, const String& alphaName,
                     const String& completeName) {
  for (Long i = 1; i <= list->SubKeyCount(); ++i) {
    const Ref<IRegistryKey> entry = list->SubKey(i);
    if (!EqualsIgnoreCase(entry->KeyName(), alphaName)) continue;
    for (Long v = 1; v <= entry->ValueCount(); ++v) {
      if (EqualsIgnoreCase(entry->ValueName(v), completeName)) return true;
    }
  }
  return false;
}

}  // namespace

Ref<CTestSetup> LoadSetup(XmlSource source, const std::optional<String>& fault,
                          const Ref<IProgressLog>& log) {
  if (!source.file) {
    source.file = CreateXmlFile();
    source.file->LoadFromText("<Setup/>");
    source.root = source.file->Document()->DocumentElement();
  }
  if (source.root->TagName() != "Setup") RaiseMissingPart(err::kSetupLoad);
  if (fault) {
    Ref<IXmlElement> data = SimulatorData(source.root);
    if (!data) {
      data = source.file->Document()->CreateElement("PlugInData");
      data->SetAttribute("PlugIn", kSimulatorId);
      source.root->AppendChild(data);
    }
    data->SetAttribute("Fault", *fault);
  }
  auto setup = MakeRef<CTestSetup>();
  setup->Load(source.root, log);
  return setup;
}

std::optional<String> UnregisteredStandardProblem(const String& alphaName,
                                                  const String& completeName) {
  try {
    const Ref<IRegistryKey> list = CreateRegistryKey();
    list->OpenKey(kHKeyLocalMachine, RegistryPaths()->KeyPath(kRegPathStandards));
    if (IsKnownStandard(list, alphaName, completeName)) return std::nullopt;
    RaiseError(err::kSelectionsUnknownStandard, kHostSource, kLevelItem);
  } catch (const Error& e) {
    return ErrorText(e);
  }
}

}  // namespace velko::host
