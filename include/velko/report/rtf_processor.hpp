// Rich text: recognising, stripping and joining RTF texts with an RTF engine of our own.
#pragma once

#include <memory>

#include "velko/frame/guid.hpp"
#include "velko/frame/types.hpp"
#include "velko/frame/unknown.hpp"

namespace velko {

// Public, creatable class (VelkoCore.CRTFProcessor). None of its members raises. A text that
// starts with "{\rtf" but that the engine rejects (unbalanced braces, groups nested deeper than
// the engine's limit, malformed control words, \bin data past the end) is treated like a text
// that is not RTF: StripRTF returns it unchanged and AppendRTFText takes it as plain text, so
// that no text is ever dropped.
class CRTFProcessor : public virtual IUnknown {
 public:
  static constexpr Guid kCLSID = MakeGuid("{0C7A1D52-3E64-4F1B-8A20-5D6E7F809101}");
  static constexpr Guid kIID = MakeGuid("{0C7A1D52-3E64-4F1B-8A20-5D6E7F809102}");

  CRTFProcessor();
  ~CRTFProcessor() override;

  // `a` followed by `b` as one RTF document, `b` beginning a new paragraph; each part is taken as
  // RTF when IsRTF, else as plain text; the formatting of both parts is kept (font and colour
  // tables merged). Two empty texts give the RTF of the empty document.
  String AppendRTFText(const String& a, const String& b);
  // True exactly when the text starts with "{\rtf" (case-sensitive).
  Boolean IsRTF(const String& text);
  // The visible text of an RTF text, paragraphs and line breaks separated by CR LF (no CR LF
  // for the document's last paragraph mark); other texts unchanged.
  String StripRTF(const String& textRtf);

 private:
  class Engine;
  std::unique_ptr<Engine> engine_;
};

// The shared processor of the calling thread, created on first use.
Ref<CRTFProcessor> SharedRTFProcessor();
// Drops the shared processor (at core shut-down).
void ReleaseRTFProcessor();

}  // namespace velko
