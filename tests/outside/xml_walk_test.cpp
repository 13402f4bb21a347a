// ForEachChildElement walks the XML service's own elements without a child list; it must visit
// exactly what a walk over ChildNodes visits, also when the visitor keeps the children it is
// given or changes the document on the way.
#include "velko/core/xml_walk.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "velko/outside/xml.hpp"

namespace velko {
namespace {

// The tags a walk over ChildNodes visits, with `change` applied after each visit.
template <class Change>
std::vector<String> TagsThroughList(const Ref<IXmlElement>& parent, Change change) {
  std::vector<String> tags;
  const Ref<IXmlElementList> children = parent->ChildNodes();
  for (Long i = 0; i < children->NodeCount(); ++i) {
    const Ref<IXmlElement> child = QueryInterface<IXmlElement>(children->NodeAt(i));
    if (!child) continue;
    tags.push_back(child->TagName());
    change(parent, child);
  }
  return tags;
}

template <class Change>
std::vector<String> TagsThroughWalk(const Ref<IXmlElement>& parent, Change change) {
  std::vector<String> tags;
  ForEachChildElement(parent, [&](const Ref<IXmlElement>& child) {
    tags.push_back(child->TagName());
    change(parent, child);
  });
  return tags;
}

constexpr const char* kDocument = "<r><a/>text<b><x/></b><!-- note --><c/></r>";

TEST(ChildWalk, KeptChildrenStayTheElementsTheyWere) {
  const Ref<IXmlElement> root = ParseXmlDocument(kDocument)->DocumentElement();
  std::vector<Ref<IXmlElement>> kept;
  ForEachChildElement(root, [&](const Ref<IXmlElement>& child) { kept.push_back(child); });
  ASSERT_EQ(kept.size(), 3u);
  EXPECT_EQ(kept[0]->TagName(), "a");
  EXPECT_EQ(kept[1]->TagName(), "b");
  EXPECT_EQ(kept[2]->TagName(), "c");
  EXPECT_NE(kept[1]->FindChild("x", 0), nullptr);
}

TEST(ChildWalk, ChangesOfTheDocumentAreSeenAsTheChildListSeesThem) {
  struct Case {
    const char* name;
    void (*change)(const Ref<IXmlElement>& parent, const Ref<IXmlElement>& child);
  };
  const Case cases[] = {
      {"append after the first child",
       [](const Ref<IXmlElement>& parent, const Ref<IXmlElement>& child) {
         if (child->TagName() == "a") parent->AddTextElement("d", "");
       }},
      {"move a visited child to the end",
       [](const Ref<IXmlElement>& parent, const Ref<IXmlElement>& child) {
         if (child->TagName() == "a") parent->AppendChild(child);
       }},
      {"replace every child by text",
       [](const Ref<IXmlElement>& parent, const Ref<IXmlElement>& child) {
         if (child->TagName() == "b") parent->SetElementText("gone");
       }},
  };
  for (const Case& c : cases) {
    const auto viaList = TagsThroughList(ParseXmlDocument(kDocument)->DocumentElement(), c.change);
    const auto viaWalk = TagsThroughWalk(ParseXmlDocument(kDocument)->DocumentElement(), c.change);
    EXPECT_EQ(viaWalk, viaList) << c.name;
  }
}

TEST(ChildWalk, StopsWhenTheVisitorSaysSo) {
  const Ref<IXmlElement> root = ParseXmlDocument(kDocument)->DocumentElement();
  std::vector<String> tags;
  ForEachChildElement(root, [&](const Ref<IXmlElement>& child) {
    tags.push_back(child->TagName());
    return tags.size() < 2;
  });
  EXPECT_EQ(tags, (std::vector<String>{"a", "b"}));
}

}  // namespace
}  // namespace velko
