// Rich text: recognising, stripping and joining RTF texts with an RTF engine of our own.
#pragma once

#include <memory>

#include "velko/frame/guid.hpp"
#include "velko/frame/unknown.hpp"
#include "velko/frame/types.hpp"

namespace velko {

// Public, creatable class (VelkoCore.CRTFProcessor). None of its members raises: a text that the
// engine rejects (malformed, nested deeper than its limit) leaves the engine's previous document
// in place, exactly as a failing step is skipped.
class CRTFProcessor : public virtual IUnknown {
 public:
  static constexpr Guid kCLSID = MakeGuid("{0C7A1D52-3E64-4F1B-8A20-5D6E7F809101}");
  static constexpr Guid kIID = MakeGuid("{0C7A1D52-3E64-4F1B-8A20-5D6E7F809102}");

  CRTFProcessor();
  ~CRTFProcessor() override;

  // `a` followed by `b` as one RTF document; each part is taken as RTF when IsRTF, else as plain
  // text; the formatting of both parts is kept (font and colour tables merged).
  String AppendRTFText(const String& a, const String& b);
  // True exactly when the text starts with "{\rtf" (case-sensitive).
  Boolean IsRTF(const String& text);
  // The visible text of an RTF text, paragraphs separated by CR LF; other texts unchanged.
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
