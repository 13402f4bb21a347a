// The XML shapes of a date ("Date" with Year, Month, Day, Hour, Min, Sec), a verdict ("Status")
// and a typed value ("Value"), for hosts and plug-ins (GQuartoXML) and for the library's own
// classes (SaveDateElement, LoadDateElement).
#pragma once

#include "velko/frame/class_table.hpp"
#include "velko/typelib/xml.hpp"

namespace velko {

class GQuartoXML : public virtual IUnknown {
 public:
  VELKO_CLASS_IDS("{627C1CEA-C275-402E-AAE3-5930ED3EF237}",
                  "{38FE43B9-F02D-4E31-9934-3D13254CE821}");

  // The calling thread's predeclared instance.
  static Ref<GQuartoXML> Instance();

  // A new XML file object with an empty document.
  Ref<IXmlFile> CreateQuartoFile();
  // The date element, not appended; none without a document. Never raises.
  Ref<IXmlElement> XmlSaveDate(const Ref<IXmlDocument>& owner, Date date);
  // `date` becomes Null, then the date of a "Date" element (the zero date when its parts do not
  // make a valid date). The result is always Empty. Never raises.
  Variant XmlLoadDate(const Ref<IXmlElement>& in, Variant& date);
  // "Failed" (with "AccordingTo" when `standardName` is given), "NA", else "Passed".
  Ref<IXmlElement> XmlSaveStatus(const Ref<IXmlDocument>& owner, Long status,
                                 const String& standardName = String());
  // From a "Status" element only; otherwise the outputs keep their values. Never raises.
  void XmlLoadStatus(const Ref<IXmlElement>& in, Long& status);
  void XmlLoadStatus(const Ref<IXmlElement>& in, Long& status, String& standardName);
  // The value element: text by type, "Type" attribute for the listed types. Never raises.
  Ref<IXmlElement> XmlSaveValue(const Ref<IXmlDocument>& owner, const Variant& value, Long type);
  // `type` becomes 0, then value and type from the element's text and "Type". Never raises.
  void XmlLoadValue(const Ref<IXmlElement>& in, Variant& value, Long& type);
};

// For the library's own classes: the date element as XmlSaveDate writes it. Never raises.
Ref<IXmlElement> SaveDateElement(const Ref<IXmlDocument>& owner, Date date);
// For the library's own classes: as XmlLoadDate, but parts that do not make a valid date raise
// the type-mismatch error 13 to the caller.
void LoadDateElement(const Ref<IXmlElement>& in, Variant& date);

}  // namespace velko
