// A language set for tests that shows exactly what it was asked: "plugin|text|p1,p2,..." (the
// parameters as passed, Missing shown as "?"), or a fixed answer.
#pragma once

#include "velko/typelib/language.hpp"

namespace velko::test {

class EchoLanguageSet final : public ILanguageSet {
 public:
  void Load(const String& language) override { language_ = language; }
  String Translate(const String& plugInId, const String& text, const Variant& params) override;
  String Language() override { return language_; }
  Boolean IsUnicode() override { return unicode_; }
  Integer CharSet() override { return charSet_; }

  void SetUnicode(bool unicode, Integer charSet) {
    unicode_ = unicode;
    charSet_ = charSet;
  }

 private:
  String language_;
  bool unicode_ = false;
  Integer charSet_ = 0;
};

// Makes an EchoLanguageSet the calling thread's current language set and returns it; the
// previous set comes back when the guard goes.
class EchoLanguageGuard {
 public:
  EchoLanguageGuard();
  ~EchoLanguageGuard();
  EchoLanguageGuard(const EchoLanguageGuard&) = delete;
  EchoLanguageGuard& operator=(const EchoLanguageGuard&) = delete;
  EchoLanguageSet& set() { return *set_; }

 private:
  Ref<EchoLanguageSet> set_;
  Ref<ILanguageSet> previous_;
};

}  // namespace velko::test
