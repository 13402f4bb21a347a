#include "velko/sequence/element_info.hpp"

#include <optional>

#include "velko/core/error_module.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/core/xml_walk.hpp"
#include "velko/frame/numeric.hpp"
#include "velko/outside/value_formatter.hpp"
#include "velko/report/html_text.hpp"
#include "velko/report/rtf_processor.hpp"
#include "velko/typelib/xml.hpp"

namespace velko {
namespace {

constexpr const char* kSource = "VelkoCore.CElementInfo";
constexpr ErrorPolicy kLoadPolicy{kSource, {err::kInfoWrongTag}};
constexpr ErrorPolicy kSavePolicy{kSource, {err::kInfoSave}};
constexpr ErrorPolicy kClonePolicy{kSource};

constexpr const char* kCrLf = "\r\n";
constexpr const char* kEmptyHtml = "<html><body></body></html>";
constexpr const char* kEmptyRtf = "{\\rtf1 }";

bool IsLinkFormat(Long format) {
  return format == kProcedureLink || format == kProcedureLink2;
}

// A plain text as the body of an RTF document: the characters RTF reserves are escaped and line
// breaks become paragraph marks, so that stripping the document gives the text back.
String PlainAsRtfBody(const String& text) {
  String body;
  body.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\' || c == '{' || c == '}') {
      body += '\\';
      body += c;
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      body += "\\par ";
    } else {
      body += c;
    }
  }
  return body;
}

// A plain text as the body of an HTML document: markup characters become entities and line
// breaks "<br>", so that the HTML-to-text conversion gives the text back.
String PlainAsHtmlBody(const String& text) {
  String body;
  body.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    switch (c) {
      case '&':
        body += "&amp;";
        break;
      case '<':
        body += "&lt;";
        break;
      case '>':
        body += "&gt;";
        break;
      case '\r':
      case '\n':
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        body += "<br>";
        break;
      default:
        body += c;
    }
  }
  return body;
}

class CElementInfo final : public IElementInfo, public IElementInfo2 {
 public:
  // IElementInfo. The comment lives in the procedure: it reads "" and setting it does nothing.
  String Comment() override { return String(); }
  void SetComment(const String& /*comment*/) override {}
  String Description() override { return procedure_; }
  void SetDescription(const String& description) override { procedure_ = description; }
  String Name() override { return name_; }
  void SetName(const String& name) override { name_ = name; }
  String TestParam() override { return testParam_; }
  String TestType() override { return testType_; }
  Ref<IElementInfo> Clone() override;
  void Initialize(const String& testType, const String& testParam) override {
    testType_ = testType;
    testParam_ = testParam;
  }
  void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) override;
  Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner, Long saveMode) override;

  // IElementInfo2 (Name and SetName above serve both interfaces).
  String Procedure() override { return procedure_; }
  void SetProcedure(const String& procedure) override { procedure_ = procedure; }
  Long ProcedureFormat() override { return format_; }
  void SetProcedureFormat(Long format) override { format_ = format; }
  void ConvertProcedure(Long format) override;

 private:
  String AsRichText() const;
  String AsPlainText() const;
  String AsHtml() const;
  void AppendToProcedure(const String& text);
  void ReadProcedure(const Ref<IXmlElement>& element);
  Ref<IXmlElement> WriteProcedure(const Ref<IXmlDocument>& owner, Long saveMode) const;

  String name_;
  String testType_;
  String testParam_;
  String procedure_;
  Long format_ = kProcedureNone;
};

// ---------------------------------------------------------------------------------------------
// Forms of the procedure

String CElementInfo::AsRichText() const {
  if (format_ == kProcedureRtf) return procedure_;
  String body;
  if (format_ == kProcedureHtml) {
    body = HtmlToText(procedure_);
  } else if (!IsLinkFormat(format_)) {
    body = procedure_;
  }
  return "{\\rtf1 " + PlainAsRtfBody(body) + "}";
}

String CElementInfo::AsPlainText() const {
  if (format_ == kProcedureRtf) return SharedRTFProcessor()->StripRTF(procedure_);
  if (format_ == kProcedureHtml) return HtmlToText(procedure_);
  if (IsLinkFormat(format_)) return String();
  return procedure_;
}

String CElementInfo::AsHtml() const {
  if (format_ == kProcedureHtml) return procedure_;
  String body;
  if (format_ == kProcedureRtf) {
    body = SharedRTFProcessor()->StripRTF(procedure_);
  } else if (!IsLinkFormat(format_)) {
    body = procedure_;
  }
  return "<html><body>" + PlainAsHtmlBody(body) + "</body></html>";
}

// A conversion that fails (lack of memory) changes neither the text nor the format: the
// procedure never ends up labelled with a form it does not have.
void CElementInfo::ConvertProcedure(Long format) {
  if (format == format_) return;
  Quietly([&] {
    std::optional<String> converted;
    switch (format) {
      case kProcedureRtf:
        converted = AsRichText();
        break;
      case kProcedurePlain:
        converted = AsPlainText();
        break;
      case kProcedureHtml:
        converted = AsHtml();
        break;
      case kProcedureLink:
      case kProcedureLink2:
        converted = String();
        break;
      default:
        break;  // an unknown form keeps the text; only the number changes
    }
    if (converted) procedure_ = std::move(*converted);
    format_ = format;
  });
}

void CElementInfo::AppendToProcedure(const String& text) {
  const Ref<CRTFProcessor> rtf = SharedRTFProcessor();
  if (rtf->IsRTF(procedure_) || rtf->IsRTF(text)) {
    procedure_ = rtf->AppendRTFText(procedure_, text);
    format_ = kProcedureRtf;
    return;
  }
  procedure_ = procedure_.empty() ? text : procedure_ + kCrLf + text;
  format_ = kProcedurePlain;
}

// ---------------------------------------------------------------------------------------------
// Clone, Load, Save

Ref<IElementInfo> CElementInfo::Clone() {
  return Guarded(kClonePolicy, [&] {
    auto copy = MakeRef<CElementInfo>();
    copy->Initialize(testType_, testParam_);
    copy->SetName(name_);
    copy->SetProcedure(procedure_);
    copy->SetProcedureFormat(format_);
    return Ref<IElementInfo>(copy);
  });
}

void CElementInfo::Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& /*log*/) {
  Guarded(kLoadPolicy, [&] {
    if (!HasTagName(in, "Info")) RaiseError(err::kInfoWrongTag, kSource, kLevelFatal);
    name_.clear();
    procedure_.clear();
    format_ = kProcedureNone;
    String description;
    String comment;
    ForEachChildElement(in, [&](const Ref<IXmlElement>& child) {
      String tagStorage;
      String storage;
      const std::string_view tag = TagNameView(child, tagStorage);
      if (tag == "Name") {
        name_ = String(ElementTextView(child, storage));
      } else if (tag == "Type") {
        testType_ = String(ElementTextView(child, storage));
      } else if (tag == "Parameter") {
        testParam_ = String(ElementTextView(child, storage));
      } else if (tag == "Description") {
        description = String(ElementTextView(child, storage));
      } else if (tag == "Comment") {
        comment = String(ElementTextView(child, storage));
      } else if (tag == "Procedure") {
        ReadProcedure(child);
      }
    });
    // The older separate texts follow the procedure, whatever the order of the elements.
    if (!description.empty()) AppendToProcedure(description);
    if (!comment.empty()) AppendToProcedure(comment);
  });
}

// Never raises: a step that fails leaves the fields as far as they got.
void CElementInfo::ReadProcedure(const Ref<IXmlElement>& element) {
  Quietly([&] {
    format_ = ParseLong(element->GetAttribute("Format"));
    String text;
    if (format_ == kProcedureRtf || format_ == kProcedureHtml) {
      // Markup is stored as one character-data node; a text stored as ordinary element text
      // (hand-edited files) is read as it stands rather than lost.
      const Ref<IXmlDataNode> data = QueryInterface<IXmlDataNode>(element->ChildNodes()->NodeAt(0));
      text = data ? data->NodeData() : element->ElementText();
    } else {
      text = element->ElementText();
    }
    procedure_ = std::move(text);
  });
}

Ref<IXmlElement> CElementInfo::Save(const Ref<IXmlDocument>& owner, Long saveMode) {
  return Guarded(kSavePolicy, [&] {
    const Ref<IXmlElement> info = owner->CreateElement("Info");
    if (!info) RaiseError(err::kInfoSave, kSource, kLevelSave);
    if (!testType_.empty()) AppendTextChild(info, "Type", testType_);
    if (!testParam_.empty()) AppendTextChild(info, "Parameter", testParam_);
    if (!name_.empty()) AppendTextChild(info, "Name", name_);
    if (!procedure_.empty()) AppendIfSome(info, WriteProcedure(owner, saveMode));
    // An empty info writes nothing.
    return HasChildNodes(info) ? info : Ref<IXmlElement>();
  });
}

// The "Procedure" element, or none when there is nothing worth writing. A document that creates
// no element or data node raises the info's save error: a procedure must not go missing from a
// saved file unnoticed. The other steps are skipped when they fail.
Ref<IXmlElement> CElementInfo::WriteProcedure(const Ref<IXmlDocument>& owner, Long saveMode) const {
  const bool keepRichText = (saveMode & kSaveKeepRtf) != 0;
  const bool asData = format_ == kProcedureHtml || (format_ == kProcedureRtf && keepRichText);
  if (asData && procedure_ == (format_ == kProcedureHtml ? kEmptyHtml : kEmptyRtf)) {
    return Ref<IXmlElement>();
  }
  const Ref<IXmlElement> element = owner->CreateElement("Procedure");
  if (!element) RaiseError(err::kInfoSave, kSource, kLevelSave);
  const Ref<IXmlDataNode> data = asData ? owner->CreateDataNode(procedure_) : nullptr;
  if (asData && !data) RaiseError(err::kInfoSave, kSource, kLevelSave);
  return QuietlyOr(Ref<IXmlElement>(), [&] {
    element->SetAttribute("Format", FormatValue(Variant(format_)));
    if (asData) {
      element->AppendChild(data);
    } else if (format_ == kProcedureRtf) {
      // Rich text is stored as plain text unless the caller asks to keep it.
      const String plain = SharedRTFProcessor()->StripRTF(procedure_);
      if (plain.empty()) return Ref<IXmlElement>();
      element->SetAttribute("Format", "2");
      element->SetElementText(plain);
    } else {
      element->SetElementText(procedure_);
    }
    return element;
  });
}

}  // namespace

Ref<IElementInfo> CreateElementInfo() {
  return MakeRef<CElementInfo>();
}

}  // namespace velko
