// What every fuzz target shares: the bytes as text, XML parsing that treats malformed input as a
// correct outcome, checks that abort with a message (libFuzzer keeps the input that caused it),
// and the thread set-up that makes plug-ins available without touching the user's registry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

#include "velko/frame/error.hpp"
#include "velko/outside/progress_log.hpp"
#include "velko/typelib/xml.hpp"

namespace velko::fuzz {

inline std::string_view Bytes(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// Stops the run with `what` when a property that must hold does not.
void Require(bool holds, const char* what);

// Runs `step`; a velko::Error is a correct outcome for hostile input and is swallowed, anything
// else (another exception, a crash) is a finding. Returns whether the step completed.
template <class F>
bool Tolerating(F&& step) {
  try {
    step();
    return true;
  } catch (const Error&) {
    return false;
  }
}

// The root element of the bytes read as an XML document, or none when they are not XML.
Ref<IXmlElement> ParseRoot(std::string_view text);

// The text of the element that `save` makes in the owner document it is given ("" when it makes
// none): two saves compare as texts.
String SavedText(const std::function<Ref<IXmlElement>(const Ref<IXmlDocument>&)>& save);

// A log that every Load gets; after the load every section it opened must be closed again and
// no close may have been stray.
Ref<CollectingLog> NewLog();
void RequireBalanced(const CollectingLog& log);

// Valid UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool IsValidUtf8(std::string_view text);

// Puts the thread's registry in memory (the fuzzers never read or write the user's store).
void UseScratchRegistry();

// Starts the core with the test plug-in library registered and its plug-ins "A" and "B" in the
// list (a sequence naming another plug-in leaves that step out); once per process.
void StartTestPlugIns();

}  // namespace velko::fuzz

namespace velko::fuzz {

// The load-and-save contract of a persistent class, checked on one input:
//   - a load that fails is a correct outcome, but the progress log must be balanced after it;
//   - whatever the object holds afterwards saves without error (a failing load keeps what it
//     read, and that must stay writable);
//   - after a successful load, the saved text loads into a fresh object that saves the same
//     text again (nothing lost or changed on the way through).
// `make()` returns a fresh object, `load(object, element, log)` and `save(object, owner)` call
// the class's members. `settling` extra rounds of loading and saving come before the comparison,
// for texts that hold parts written by test doubles that do not read back everything they write.
template <class Make, class Load, class Save>
void CheckLoadAndResave(std::string_view bytes, Make make, Load load, Save save, int settling = 0) {
  const Ref<IXmlElement> root = ParseRoot(bytes);
  if (!root) return;
  auto first = make();
  const Ref<CollectingLog> log = NewLog();
  const bool loaded = Tolerating([&] { load(first, root, log); });
  RequireBalanced(*log);
  String text;
  const bool saved = Tolerating([&] {
    text = SavedText([&](const Ref<IXmlDocument>& owner) { return save(first, owner); });
  });
  Require(saved, "a loaded object failed to save");
  if (!loaded || text.empty()) return;

  // Loads the text into a fresh object and returns what that object saves.
  const auto reload = [&](const String& saved) {
    const Ref<IXmlElement> again = ParseRoot(saved);
    Require(static_cast<bool>(again), "a saved object is not well-formed XML");
    auto next = make();
    const Ref<CollectingLog> nextLog = NewLog();
    Require(Tolerating([&] { load(next, again, nextLog); }),
            "the text an object saved does not load again");
    RequireBalanced(*nextLog);
    return SavedText([&](const Ref<IXmlDocument>& owner) { return save(next, owner); });
  };
  for (int round = 0; round < settling; ++round)
    text = reload(text);
  Require(reload(text) == text, "saving, loading and saving again changed the text");
}

}  // namespace velko::fuzz
