// Shared by the sequence suites: the test plug-ins A, B, Condor and Petrel loaded on the
// thread, XML helpers, and the Terminate walk that frees a tree.
#pragma once

#include "testplugin/plugin_fixture.hpp"
#include "velko/outside/xml.hpp"
#include "velko/typelib/plugin.hpp"
#include "velko/typelib/sequence.hpp"

namespace velko::test {

inline Ref<IXmlElement> ParseElement(const String& xml) {
  return ParseXmlDocument(xml)->DocumentElement();
}

// Saves `node` with `mode` into a new document and returns the text ("" when Save gives none).
inline String SavedText(const Ref<ITestElement>& node, Long mode) {
  Ref<IXmlFile> file = CreateXmlFile();
  Ref<IXmlElement> saved = node->Save(file->Document(), mode);
  if (!saved) return {};
  file->Document()->SetDocumentElement(saved);
  return file->SaveToText();
}

// Terminates every node of a tree, so that the parent cycles are broken.
inline void TerminateTree(const Ref<ITestElement>& node) {
  if (!node) return;
  if (Ref<ITestContainer> group = QueryInterface<ITestContainer>(node)) {
    for (auto child : EnumRange<ITestElement>(group->NewEnum()))
      TerminateTree(child);
  }
  node->Terminate();
}

// Gives a plug-in element's result a status and comment (the test plug-in's result reads them
// from its "ResultItem").
inline void SetResult(const Ref<ITestElement>& node, Long status, const String& comment = "") {
  Ref<IXmlElement> item = ParseElement("<ResultItem/>");
  item->SetAttribute("Status", std::to_string(status));
  item->SetAttribute("Comment", comment);
  node->Result()->Load(item, nullptr);
}

class SequenceFixture : public TestPlugInFixture {
 protected:
  void SetUp() override {
    TestPlugInFixture::SetUp();
    manager = StartCoreWith({"A", "B", "Condor", "Petrel"});
  }

  // A new node of a test plug-in (test numbers below 100 make containers).
  Ref<ITestElement> Node(const String& plugInId, Long testId, Long id) {
    Ref<ITestElement> node = manager->CreateTestElement(plugInId, testId);
    node->SetID(id);
    return node;
  }
  Ref<ITestContainer> Group(Long id, const String& plugInId = "A") {
    return QueryInterface<ITestContainer>(Node(plugInId, 2, id));
  }

  Ref<IPlugInManager> manager;
};

}  // namespace velko::test
