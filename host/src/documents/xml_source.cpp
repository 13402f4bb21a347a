#include "velko/host/documents/xml_source.hpp"

#include "velko/core/error_module.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/host/session/messages.hpp"
#include "velko/outside/xml.hpp"

namespace velko::host {

void RaiseMissingPart(Long number) {
  RaiseError(number, kHostSource, kLevelFatal);
}

namespace {

XmlSource WithRoot(XmlSource source) {
  source.root = source.file->Document()->DocumentElement();
  if (!source.root) RaiseMissingPart(err::kElementWrongTag);
  return source;
}

}  // namespace

XmlSource OpenXml(const String& path) {
  XmlSource source{CreateXmlFile(), nullptr};
  source.file->Open(path);
  return WithRoot(std::move(source));
}

XmlSource XmlFromText(const String& text) {
  XmlSource source{CreateXmlFile(), nullptr};
  source.file->LoadFromText(text);
  return WithRoot(std::move(source));
}

}  // namespace velko::host
