#include "velko/report/rtf_processor.hpp"

#include <string_view>

#include "report/rtf_document.hpp"
#include "velko/core/error_module.hpp"
#include "velko/frame/class_table.hpp"

namespace velko {

VELKO_PUBLIC_CLASS(CRTFProcessor, Instancing::kCreatable);

namespace {

bool StartsWithRtfHeader(std::string_view text) {
  return text.starts_with("{\\rtf");
}

// A text as a document: RTF that the engine accepts, anything else (plain text, or RTF that it
// rejects) as plain text, so that no text is ever dropped.
rtf::Document AsDocument(std::string_view text) {
  if (StartsWithRtfHeader(text)) {
    if (auto document = rtf::ReadRtf(text)) return std::move(*document);
  }
  return rtf::DocumentFromPlainText(text);
}

}  // namespace

// The rich-text control's part: the document it currently holds.
class CRTFProcessor::Engine {
 public:
  void Clear() { document_ = {}; }
  void Load(std::string_view text) { document_ = AsDocument(text); }
  void InsertAtEnd(std::string_view text) { rtf::AppendDocument(document_, AsDocument(text)); }
  String TextRtf() const { return rtf::WriteRtf(document_); }

 private:
  rtf::Document document_;
};

CRTFProcessor::CRTFProcessor() : engine_(std::make_unique<Engine>()) {}
CRTFProcessor::~CRTFProcessor() = default;

String CRTFProcessor::AppendRTFText(const String& a, const String& b) {
  return QuietlyOr(String{}, [&] {
    engine_->Clear();
    if (!a.empty()) engine_->Load(a);
    if (!b.empty()) engine_->InsertAtEnd(b);
    return engine_->TextRtf();
  });
}

Boolean CRTFProcessor::IsRTF(const String& text) {
  return StartsWithRtfHeader(text);
}

// A text that is not RTF, or that the engine rejects, comes back unchanged: its characters are
// the only text there is, and callers that store the stripped text must not lose it.
String CRTFProcessor::StripRTF(const String& textRtf) {
  return QuietlyOr(textRtf, [&] {
    if (!StartsWithRtfHeader(textRtf)) return textRtf;
    auto document = rtf::ReadRtf(textRtf);
    if (!document) return textRtf;
    return rtf::PlainText(*document);
  });
}

namespace {

Ref<CRTFProcessor>& ThreadProcessor() {
  thread_local Ref<CRTFProcessor> processor;
  return processor;
}

}  // namespace

Ref<CRTFProcessor> SharedRTFProcessor() {
  Ref<CRTFProcessor>& processor = ThreadProcessor();
  if (!processor) processor = MakeRef<CRTFProcessor>();
  return processor;
}

void ReleaseRTFProcessor() {
  ThreadProcessor().Reset();
}

}  // namespace velko
