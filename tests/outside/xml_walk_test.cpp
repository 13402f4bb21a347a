// ForEachChildElement walks the XML service's own elements without a child list; it must visit
// exactly what a walk over ChildNodes visits, also when the visitor keeps the children it is
// given or changes the document on the way.
#include "velko/core/xml_walk.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "support/error_helpers.hpp"
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

// Walks over the same element start from the wrapper the last one left: a child kept from any
// earlier walk, or during a walk nested in another, must stay the element it was.
TEST(ChildWalk, ChildrenKeptAcrossRepeatedAndNestedWalksStayTheirElements) {
  const Ref<IXmlElement> root = ParseXmlDocument(kDocument)->DocumentElement();
  std::vector<String> seen;
  ForEachChildElement(root,
                      [&](const Ref<IXmlElement>& child) { seen.push_back(child->TagName()); });
  Ref<IXmlElement> last;
  ForEachChildElement(root, [&](const Ref<IXmlElement>& child) { last = child; });
  std::vector<Ref<IXmlElement>> kept;
  ForEachChildElement(root, [&](const Ref<IXmlElement>& child) {
    ForEachChildElement(root,
                        [&](const Ref<IXmlElement>& inner) { seen.push_back(inner->TagName()); });
    ForEachChildElement(child, [&](const Ref<IXmlElement>& inner) { kept.push_back(inner); });
    kept.push_back(child);
  });
  EXPECT_EQ(seen,
            (std::vector<String>{"a", "b", "c", "a", "b", "c", "a", "b", "c", "a", "b", "c"}));
  EXPECT_EQ(last->TagName(), "c");
  ASSERT_EQ(kept.size(), 4u);
  EXPECT_EQ(kept[0]->TagName(), "a");
  EXPECT_EQ(kept[1]->TagName(), "x");
  EXPECT_EQ(kept[2]->TagName(), "b");
  EXPECT_EQ(kept[3]->TagName(), "c");
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

// An element of another implementation: forwards to a real one, so that the views must take
// the interface's answers.
class ForwardingElement final : public IXmlElement {
 public:
  explicit ForwardingElement(Ref<IXmlElement> inner) : inner_(std::move(inner)) {}
  String TagName() override { return inner_->TagName(); }
  void SetTagName(const String& tag) override { inner_->SetTagName(tag); }
  String GetAttribute(const String& name) override { return inner_->GetAttribute(name); }
  void SetAttribute(const String& name, const String& value) override {
    inner_->SetAttribute(name, value);
  }
  Ref<IXmlElementList> ChildNodes() override { return inner_->ChildNodes(); }
  void AppendChild(const Ref<IXmlNode>& node) override { inner_->AppendChild(node); }
  String ElementText() override { return inner_->ElementText(); }
  void SetElementText(const String& text) override { inner_->SetElementText(text); }
  Ref<IXmlElement> AddTextElement(const String& tag, const String& text) override {
    return inner_->AddTextElement(tag, text);
  }
  Ref<IXmlElement> FindChild(const String& tag, Long start) override {
    return inner_->FindChild(tag, start);
  }

 private:
  Ref<IXmlElement> inner_;
};

TEST(InPlaceReads, GiveWhatTheInterfaceGivesForEveryKindOfElement) {
  const Ref<IXmlElement> root = ParseXmlDocument(
                                    "<r><v Type=\"Low\" Empty=\"\">1.5</v><w>a<![CDATA[<b>]]>c</w>"
                                    "<e/><m>x<n/>y</m><s> <!-- c --> </s></r>")
                                    ->DocumentElement();
  std::vector<Ref<IXmlElement>> elements;
  ForEachChildElement(root, [&](const Ref<IXmlElement>& child) {
    elements.push_back(child);
    elements.push_back(MakeRef<ForwardingElement>(child));
  });
  ASSERT_EQ(elements.size(), 10u);
  for (const Ref<IXmlElement>& element : elements) {
    String storage;
    EXPECT_EQ(TagNameView(element, storage), element->TagName());
    EXPECT_TRUE(HasTagName(element, element->TagName()));
    EXPECT_FALSE(HasTagName(element, element->TagName() + "x"));
    EXPECT_EQ(ElementTextView(element, storage), element->ElementText()) << element->TagName();
    EXPECT_EQ(HasChildNodes(element), element->ChildNodes()->NodeCount() > 0) << element->TagName();
    for (const char* name : {"Type", "Empty", "Absent"}) {
      EXPECT_EQ(AttributeView(element, name, storage), element->GetAttribute(name)) << name;
    }
  }
  String storage;
  EXPECT_EQ(ElementTextView(elements[2], storage), "a<b>c");  // text and CDATA, one piece
}

// The savers' AppendTextChild must write what AddTextElement and SetAttribute write, refuse
// what they refuse at the same point, for the service's elements and any other alike.
TEST(AppendTextChild, WritesAndRefusesWhatTheInterfaceDoes) {
  struct Case {
    const char* what;
    const char* tag;
    String text;
    String attributeValue;
  };
  const Case cases[] = {
      {"text and attributes", "Value", "1.5", "High"},
      {"no text", "Unit", "", "x"},
      {"NUL in the text", "Value", String("a\0b", 3), "High"},
      {"NUL in an attribute", "Value", "1", String("a\0b", 3)},
      {"no valid name", "1Value", "1", "High"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    // Through the interface, as every saver did before.
    const Ref<IXmlFile> expected = CreateXmlFile();
    const Ref<IXmlElement> expectedRoot = expected->Document()->CreateElement("r");
    expected->Document()->SetDocumentElement(expectedRoot);
    const Long expectedError = test::ErrorNumberOf([&] {
      const Ref<IXmlElement> child = expectedRoot->AddTextElement(k.tag, k.text);
      child->SetAttribute("Type", k.attributeValue);
      child->SetAttribute("Operand", "X*Y%");
    });
    for (const bool foreign : {false, true}) {
      SCOPED_TRACE(foreign ? "another implementation" : "the service's element");
      const Ref<IXmlFile> file = CreateXmlFile();
      const Ref<IXmlElement> own = file->Document()->CreateElement("r");
      file->Document()->SetDocumentElement(own);
      const Ref<IXmlElement> root = foreign ? MakeRef<ForwardingElement>(own) : own;
      EXPECT_EQ(
          test::ErrorNumberOf([&] {
            AppendTextChild(root, k.tag, k.text, {{"Type", k.attributeValue}, {"Operand", "X*Y%"}});
          }),
          expectedError);
      EXPECT_EQ(file->SaveToText(), expected->SaveToText());
    }
  }
  EXPECT_EQ(test::ErrorNumberOf([&] { AppendTextChild(nullptr, "a", "b"); }), rt::kObjectNotSet);
}

TEST(InPlaceReads, NoneElementRaisesObjectNotSet) {
  String storage;
  EXPECT_EQ(test::ErrorNumberOf([&] { TagNameView(nullptr, storage); }), rt::kObjectNotSet);
  EXPECT_EQ(test::ErrorNumberOf([&] { AttributeView(nullptr, "a", storage); }), rt::kObjectNotSet);
  EXPECT_EQ(test::ErrorNumberOf([&] { ElementTextView(nullptr, storage); }), rt::kObjectNotSet);
}

}  // namespace
}  // namespace velko
