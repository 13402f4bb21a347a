// Small helpers that every loader and saver of the library shares for walking and building XML.
#pragma once

#include <memory>
#include <type_traits>
#include <utility>

#include "velko/outside/xml.hpp"
#include "velko/typelib/xml.hpp"

namespace velko {

// Calls `visit(const Ref<IXmlElement>&)` for each child node of `parent` that is an element, in
// document order; character-data nodes are skipped. `visit` may return bool: false stops the
// walk. A none `parent` raises error 91, as any use of a none reference does.
template <class F>
void ForEachChildElement(const Ref<IXmlElement>& parent, F&& visit) {
  using Visitor = std::remove_reference_t<F>;
  constexpr bool kCanStop =
      std::is_convertible_v<std::invoke_result_t<F&, const Ref<IXmlElement>&>, bool>;
  // The XML service's own elements are walked without a child list (the common case).
  const ChildElementVisitor step = [](void* context, const Ref<IXmlElement>& child) -> bool {
    Visitor& f = *static_cast<Visitor*>(context);
    if constexpr (kCanStop) {
      return static_cast<bool>(f(child));
    } else {
      f(child);
      return true;
    }
  };
  void* const context = const_cast<void*>(static_cast<const void*>(std::addressof(visit)));
  if (VisitChildElements(parent, step, context)) return;

  const Ref<IXmlElementList> children = parent->ChildNodes();
  for (Long i = 0; i < children->NodeCount(); ++i) {
    const Ref<IXmlElement> child = QueryInterface<IXmlElement>(children->NodeAt(i));
    if (!child) continue;
    if constexpr (kCanStop) {
      if (!visit(child)) return;
    } else {
      visit(child);
    }
  }
}

// Appends `child` to `parent` unless it is none (a saver that returns none writes nothing) and
// returns it.
inline Ref<IXmlElement> AppendIfSome(const Ref<IXmlElement>& parent,
                                     const Ref<IXmlElement>& child) {
  if (child) parent->AppendChild(child);
  return child;
}

// The text of the first child element with tag `tag`; `fallback` when there is none (loaders
// leave their defaults for missing children).
inline String ChildText(const Ref<IXmlElement>& parent, const String& tag,
                        const String& fallback = String()) {
  const Ref<IXmlElement> child = parent->FindChild(tag, 0);
  return child ? child->ElementText() : fallback;
}

}  // namespace velko
