// The XML document service: tree operations, character data, round trips through text and
// files, hostile input, and the shared walking helpers and failing-document double.
#include "velko/outside/xml.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/failing_xml.hpp"
#include "support/test_paths.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/core/xml_walk.hpp"
#include "velko/frame/error.hpp"

namespace velko {
namespace {

namespace fs = std::filesystem;

template <class F>
Error ErrorOf(F&& body) {
  try {
    body();
  } catch (const Error& e) {
    return e;
  }
  ADD_FAILURE() << "no error was raised";
  return Error(0, "", "");
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Builds <Root/> as the document element of a new document.
Ref<IXmlElement> NewRoot(const Ref<IXmlDocument>& document, const String& tag = "Root") {
  Ref<IXmlElement> root = document->CreateElement(tag);
  document->SetDocumentElement(root);
  return root;
}

// Saves through a file object's text form and parses the text again.
Ref<IXmlElement> RoundTrip(const Ref<IXmlFile>& file) {
  return ParseXmlDocument(file->SaveToText())->DocumentElement();
}

std::vector<String> ChildTags(const Ref<IXmlElement>& parent) {
  std::vector<String> tags;
  ForEachChildElement(parent,
                      [&](const Ref<IXmlElement>& child) { tags.push_back(child->TagName()); });
  return tags;
}

class TempFolder {
 public:
  TempFolder() : path_(test::MakeTempDir("velko-xml-")) {}
  ~TempFolder() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
  }
  fs::path operator/(const std::string& name) const { return path_ / name; }
  const fs::path& Path() const { return path_; }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path_))
      names.push_back(entry.path().filename());
    return names;
  }

 private:
  fs::path path_;
};

// ---- elements ----

TEST(XmlElement, AttributesTagsAndChildLookup) {
  Ref<IXmlDocument> document = CreateXmlDocument();
  Ref<IXmlElement> root = NewRoot(document);
  EXPECT_EQ(root->GetAttribute("Missing"), "");
  root->SetAttribute("Year", "2024");
  root->SetAttribute("Year", "2025");  // replaced, not doubled
  EXPECT_EQ(root->GetAttribute("Year"), "2025");
  EXPECT_EQ(root->GetAttribute("year"), "");

  root->AddTextElement("Name", "first");
  root->AddTextElement("Name", "second");
  root->AddTextElement("Type", "");
  EXPECT_EQ(root->FindChild("Name", 0)->ElementText(), "first");
  EXPECT_TRUE(root->FindChild("name", 0).IsNone());  // tags compare case-sensitively
  EXPECT_TRUE(root->FindChild("Absent", 0).IsNone());
  EXPECT_EQ(root->FindChild("Name", 1)->ElementText(), "second");
  EXPECT_EQ(ChildTags(root), (std::vector<String>{"Name", "Name", "Type"}));

  root->SetTagName("Renamed");
  EXPECT_EQ(document->DocumentElement()->TagName(), "Renamed");
}

TEST(XmlElement, WhitespaceBetweenElementsIsNoNodeAndDataNodesAreNotElements) {
  Ref<IXmlDocument> document = ParseXmlDocument(
      "<Info>\n  <Name>A</Name>\r\n\t<!-- note -->\n  <Procedure Format=\"1\">"
      "<![CDATA[{\\rtf1 <b>}]]></Procedure>\n  <Empty>   </Empty>\n</Info>");
  Ref<IXmlElement> info = document->DocumentElement();
  Ref<IXmlElementList> children = info->ChildNodes();
  ASSERT_EQ(children->NodeCount(), 3);
  EXPECT_TRUE(children->NodeAt(3).IsNone());
  EXPECT_TRUE(children->NodeAt(-1).IsNone());
  for (Long i = 0; i < 3; ++i)
    EXPECT_TRUE(QueryInterface<IXmlElement>(children->NodeAt(i)));

  Ref<IXmlElement> procedure = info->FindChild("Procedure", 0);
  Ref<IXmlNode> first = procedure->ChildNodes()->NodeAt(0);
  EXPECT_TRUE(QueryInterface<IXmlElement>(first).IsNone());
  ASSERT_TRUE(QueryInterface<IXmlDataNode>(first));
  EXPECT_EQ(QueryInterface<IXmlDataNode>(first)->NodeData(), "{\\rtf1 <b>}");
  EXPECT_EQ(procedure->ElementText(), "{\\rtf1 <b>}");

  // A text of blanks alone is still the element's text, but not a node of its child list.
  Ref<IXmlElement> empty = info->FindChild("Empty", 0);
  EXPECT_EQ(empty->ElementText(), "   ");
  EXPECT_EQ(empty->ChildNodes()->NodeCount(), 0);
}

TEST(XmlElement, ElementTextJoinsTheDirectCharacterDataOnly) {
  Ref<IXmlElement> root =
      ParseXmlDocument("<R>one <X>inner</X><![CDATA[ two]]> three</R>")->DocumentElement();
  EXPECT_EQ(root->ElementText(), "one  two three");
  // Text, CDATA and text around an element: two data nodes and the element.
  Ref<IXmlElementList> children = root->ChildNodes();
  ASSERT_EQ(children->NodeCount(), 3);
  EXPECT_EQ(QueryInterface<IXmlDataNode>(children->NodeAt(2))->NodeData(), " two three");
}

TEST(XmlElement, SetElementTextReplacesChildrenAndOldWrappersStayUsable) {
  Ref<IXmlFile> file = CreateXmlFile();
  Ref<IXmlElement> root = NewRoot(file->Document());
  Ref<IXmlElement> child = root->AddTextElement("Child", "x");
  Ref<IXmlElementList> list = root->ChildNodes();
  ASSERT_EQ(list->NodeCount(), 1);

  root->SetElementText("plain");
  EXPECT_EQ(root->ElementText(), "plain");
  EXPECT_EQ(list->NodeCount(), 1);  // the list follows the change
  EXPECT_TRUE(QueryInterface<IXmlDataNode>(list->NodeAt(0)));
  // The removed child is no longer in the tree, yet using it is safe.
  EXPECT_EQ(child->ElementText(), "x");
  child->SetAttribute("A", "1");
  EXPECT_EQ(RoundTrip(file)->ChildNodes()->NodeCount(), 1);
  EXPECT_EQ(RoundTrip(file)->ElementText(), "plain");

  root->SetElementText("");
  EXPECT_EQ(root->ElementText(), "");
  EXPECT_EQ(list->NodeCount(), 0);
}

TEST(XmlElement, AppendChildMovesANodeThatAlreadyHasAParent) {
  Ref<IXmlDocument> document = CreateXmlDocument();
  Ref<IXmlElement> root = NewRoot(document);
  Ref<IXmlElement> a = root->AddTextElement("A", "");
  Ref<IXmlElement> b = root->AddTextElement("B", "");
  Ref<IXmlElement> leaf = a->AddTextElement("Leaf", "1");
  b->AppendChild(leaf);
  EXPECT_EQ(a->ChildNodes()->NodeCount(), 0);
  EXPECT_EQ(ChildTags(b), (std::vector<String>{"Leaf"}));
  root->AppendChild(a);  // to the end
  EXPECT_EQ(ChildTags(root), (std::vector<String>{"B", "A"}));
}

TEST(XmlElement, RefusedInsertions) {
  Ref<IXmlDocument> document = CreateXmlDocument();
  Ref<IXmlElement> root = NewRoot(document);
  Ref<IXmlElement> child = root->AddTextElement("Child", "");
  Ref<IXmlDocument> other = CreateXmlDocument();
  Ref<IXmlElement> foreign = other->CreateElement("Foreign");
  Ref<IXmlDataNode> foreignData = other->CreateDataNode("d");

  struct Case {
    const char* what;
    std::function<void()> call;
    Long number;
  };
  const std::vector<Case> cases = {
      {"element of another document", [&] { root->AppendChild(foreign); }, err::kXmlWrongDocument},
      {"data node of another document", [&] { root->AppendChild(foreignData); },
       err::kXmlWrongDocument},
      {"root of another document", [&] { document->SetDocumentElement(foreign); },
       err::kXmlWrongDocument},
      {"into itself", [&] { root->AppendChild(root); }, err::kXmlAppendLoop},
      {"into its own child", [&] { child->AppendChild(root); }, err::kXmlAppendLoop},
      {"none", [&] { root->AppendChild(nullptr); }, rt::kObjectNotSet},
      {"empty tag", [&] { document->CreateElement(""); }, err::kXmlInvalidContent},
      {"tag with a blank", [&] { document->CreateElement("Test Element"); },
       err::kXmlInvalidContent},
      {"tag starting with a digit", [&] { root->AddTextElement("1st", "x"); },
       err::kXmlInvalidContent},
      {"markup as a tag", [&] { root->SetTagName("<x>"); }, err::kXmlInvalidContent},
      {"attribute name with a quote", [&] { root->SetAttribute("a\"b", "v"); },
       err::kXmlInvalidContent},
      {"text with a NUL", [&] { root->SetElementText(String("a\0b", 3)); },
       err::kXmlInvalidContent},
      {"data with a NUL", [&] { document->CreateDataNode(String("\0", 1)); },
       err::kXmlInvalidContent},
  };
  for (const Case& c : cases) {
    const Error e = ErrorOf(c.call);
    EXPECT_EQ(e.Number(), c.number) << c.what;
    EXPECT_FALSE(e.Description().empty()) << c.what;
  }
  // Nothing of the refused calls reached the tree.
  EXPECT_EQ(ChildTags(root), (std::vector<String>{"Child"}));
  EXPECT_EQ(root->TagName(), "Root");
  EXPECT_EQ(ErrorOf([&] { root->AppendChild(foreign); }).Source(), "VelkoCore.XmlElement");
}

// ---- documents ----

TEST(XmlDocument, CreatedNodesStayOutOfTheTextUntilAppended) {
  Ref<IXmlFile> file = CreateXmlFile();
  Ref<IXmlDocument> document = file->Document();
  EXPECT_TRUE(document->DocumentElement().IsNone());
  Ref<IXmlElement> loose = document->CreateElement("Loose");
  document->CreateDataNode("loose data");
  EXPECT_TRUE(document->DocumentElement().IsNone());

  Ref<IXmlElement> first = NewRoot(document, "First");
  first->AppendChild(document->CreateElement("Kept"));
  Ref<IXmlElement> second = document->CreateElement("Second");
  document->SetDocumentElement(second);  // replaces the earlier root
  EXPECT_EQ(document->DocumentElement()->TagName(), "Second");
  second->AppendChild(first);  // the old root is an ordinary element now
  // New data nodes wait side by side; appending one takes only that one.
  Ref<IXmlDataNode> dataA = document->CreateDataNode("a");
  Ref<IXmlDataNode> dataB = document->CreateDataNode("b");
  second->AppendChild(dataA);
  EXPECT_EQ(second->ElementText(), "a");
  EXPECT_EQ(dataB->NodeData(), "b");

  const String text = file->SaveToText();
  EXPECT_EQ(text.find("Loose"), String::npos);
  EXPECT_EQ(text.find("loose data"), String::npos);
  Ref<IXmlElement> reread = ParseXmlDocument(text)->DocumentElement();
  EXPECT_EQ(reread->TagName(), "Second");
  EXPECT_EQ(ChildTags(reread->FindChild("First", 0)), (std::vector<String>{"Kept"}));
  EXPECT_EQ(loose->TagName(), "Loose");
}

TEST(XmlDocument, ARootTakenFromInsideTheOldRoot) {
  Ref<IXmlDocument> document = CreateXmlDocument();
  Ref<IXmlElement> old = NewRoot(document, "Old");
  Ref<IXmlElement> inner = old->AddTextElement("Inner", "i");
  document->SetDocumentElement(inner);
  EXPECT_EQ(document->DocumentElement()->ElementText(), "i");
  old->AppendChild(old->AddTextElement("X", ""));  // the old root and its wrappers still work
}

// Texts that must come back unchanged through saving and parsing, as element text, attribute
// value and character data.
TEST(XmlDocument, TextsRoundTripUnchanged) {
  const std::vector<String> texts = {
      "plain",
      "  blanks around  ",
      "   ",
      "line\r\nbreak\nand\rreturn",
      "tab\there",
      "<b>markup</b> & \"quotes\" 'apostrophes'",
      "]]>",
      "a]]>b]]>c",
      "]]]]>>",
      "&amp; &lt; &unknown;",
      "Prüfung Ω – 測試 😀",
      "\x01\x1f control",
      "{\\rtf1\\ansi {\\b bold}\\par}",
  };
  for (const String& text : texts) {
    Ref<IXmlFile> file = CreateXmlFile();
    Ref<IXmlElement> root = NewRoot(file->Document());
    root->SetAttribute("Value", text);
    root->AddTextElement("Text", text);
    Ref<IXmlElement> data = root->AddTextElement("Data", "");
    data->AppendChild(file->Document()->CreateDataNode(text));

    Ref<IXmlElement> reread = RoundTrip(file);
    EXPECT_EQ(reread->GetAttribute("Value"), text);
    EXPECT_EQ(reread->FindChild("Text", 0)->ElementText(), text);
    Ref<IXmlElementList> dataChildren = reread->FindChild("Data", 0)->ChildNodes();
    ASSERT_EQ(dataChildren->NodeCount(), 1) << text;
    EXPECT_EQ(QueryInterface<IXmlDataNode>(dataChildren->NodeAt(0))->NodeData(), text);
  }
}

TEST(XmlDocument, EmptyCharacterDataIsStillADataNode) {
  Ref<IXmlFile> file = CreateXmlFile();
  NewRoot(file->Document())->AppendChild(file->Document()->CreateDataNode(""));
  Ref<IXmlElementList> children = RoundTrip(file)->ChildNodes();
  ASSERT_EQ(children->NodeCount(), 1);
  EXPECT_EQ(QueryInterface<IXmlDataNode>(children->NodeAt(0))->NodeData(), "");
}

TEST(XmlDocument, MalformedTextNamesTheLine) {
  struct Case {
    const char* text;
    Long line;
  };
  const std::vector<Case> cases = {
      {"", 1},
      {"<?xml version=\"1.0\"?>\n", 2},  // no root element up to the end
      {"<a>\n<b>\n</a>", 3},
      {"<a>\n\n<b x=1/></a>", 3},
      {"<a/>\n<b/>", 2},  // a second root element
      {"<a>\n<![CDATA[open", 2},
      {"<a\n", 1},
  };
  for (const Case& c : cases) {
    const Error e = ErrorOf([&] { ParseXmlDocument(c.text); });
    EXPECT_EQ(e.Number(), err::kXmlMalformed) << c.text;
    EXPECT_EQ(e.Source(), "VelkoCore.XmlFile");
    EXPECT_NE(e.Description().find("line " + std::to_string(c.line)), String::npos)
        << c.text << " -> " << e.Description();
  }
}

// ---- hostile input: no document type processing, no entity expansion, no file access ----

TEST(XmlHostileInput, DeclarationsThatCouldChangeTheContentAreRefused) {
  for (const char* fixture :
       {"xml/billion_laughs.xml", "xml/external_entity.xml", "xml/external_dtd.xml"}) {
    const String path = test::TestDataPath(fixture);
    Ref<IXmlFile> file = CreateXmlFile();
    const Error e = ErrorOf([&] { file->Open(path); });
    EXPECT_EQ(e.Number(), err::kXmlMalformed) << fixture;
    EXPECT_NE(e.Description().find(path), String::npos) << e.Description();
    EXPECT_NE(e.Description().find("line 2"), String::npos) << e.Description();  // the DOCTYPE
    EXPECT_TRUE(file->Document()->DocumentElement().IsNone());  // the earlier document stays
  }
}

TEST(XmlHostileInput, BareDoctypeAndUndefinedEntitiesExpandNothing) {
  Ref<IXmlElement> root =
      ParseXmlDocument("<!DOCTYPE Setup>\n<Setup><Name>&secret; &lol9;</Name></Setup>")
          ->DocumentElement();
  EXPECT_EQ(root->FindChild("Name", 0)->ElementText(), "&secret; &lol9;");
}

TEST(XmlHostileInput, VeryDeepNestingLoadsAndSavesWithoutExhaustingTheStack) {
  constexpr int kDepth = 100000;
  String text;
  for (int i = 0; i < kDepth; ++i)
    text += "<a>";
  text += "deep";
  for (int i = 0; i < kDepth; ++i)
    text += "</a>";
  Ref<IXmlFile> file = CreateXmlFile();
  file->LoadFromText(text);
  const String saved = file->SaveToText();
  EXPECT_LT(saved.size(), text.size() * 2);  // no indentation growing with the depth
  file->LoadFromText(saved);
  EXPECT_EQ(file->Document()->DocumentElement()->TagName(), "a");
}

// Up to 256 levels below the root a document is written indented; one level more, anywhere in
// the tree (here after a shallow first branch), and it is written without indentation.
TEST(XmlSaving, IndentsUpTo256LevelsBelowTheRoot) {
  const auto chain = [](int levels) {
    String text;
    for (int i = 0; i < levels; ++i)
      text += "<a>";
    for (int i = 0; i < levels; ++i)
      text += "</a>";
    return text;
  };
  struct Case {
    int levels;  // of the deep branch below the root
    bool indented;
  };
  for (const Case c : {Case{256, true}, Case{257, false}}) {
    Ref<IXmlFile> file = CreateXmlFile();
    file->LoadFromText("<r><s><t/></s>" + chain(c.levels) + "</r>");
    const String saved = file->SaveToText();
    EXPECT_EQ(saved.find("\n  <s>") != String::npos, c.indented) << c.levels;
  }
}

// ---- files ----

TEST(XmlFile, SaveAndOpenRoundTripNonAsciiTextAndCharacterData) {
  TempFolder folder;
  const String path = folder / "sequence.xml";
  Ref<IXmlFile> file = CreateXmlFile();
  Ref<IXmlDocument> document = file->Document();
  Ref<IXmlElement> root = NewRoot(document, "TestElement");
  root->SetAttribute("Name", "Ableitstrom – Gerät Ω");
  Ref<IXmlElement> procedure = root->AddTextElement("Procedure", "");
  procedure->SetAttribute("Format", "3");
  const String html = "<html><body><p>Prüfung ]]> 測試</p></body></html>";
  procedure->AppendChild(document->CreateDataNode(html));
  root->AddTextElement("Comment", "Zeile 1\r\nZeile 2");
  file->Save(path);

  const std::string bytes = ReadFile(path);
  EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u);
  EXPECT_NE(bytes.find("Gerät Ω"), std::string::npos);  // UTF-8, not character references

  Ref<IXmlFile> reopened = CreateXmlFile();
  reopened->Open(path);
  Ref<IXmlElement> reread = reopened->Document()->DocumentElement();
  EXPECT_EQ(reread->GetAttribute("Name"), "Ableitstrom – Gerät Ω");
  Ref<IXmlElement> rereadProcedure = reread->FindChild("Procedure", 0);
  EXPECT_EQ(rereadProcedure->GetAttribute("Format"), "3");
  EXPECT_EQ(QueryInterface<IXmlDataNode>(rereadProcedure->ChildNodes()->NodeAt(0))->NodeData(),
            html);
  EXPECT_EQ(reread->FindChild("Comment", 0)->ElementText(), "Zeile 1\r\nZeile 2");
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"sequence.xml"});  // no temporary left
}

TEST(XmlFile, OpensAnEditedFixture) {
  Ref<IXmlFile> file = CreateXmlFile();
  file->Open(test::TestDataPath("xml/procedure.xml"));
  Ref<IXmlElement> info = file->Document()->DocumentElement()->FindChild("Info", 0);
  EXPECT_EQ(ChildTags(info), (std::vector<String>{"Name", "Procedure", "Comment"}));
  EXPECT_EQ(ChildText(info, "Name"), "Schutzleiterwiderstand – Prüfung");
  Ref<IXmlNode> data = info->FindChild("Procedure", 0)->ChildNodes()->NodeAt(0);
  EXPECT_EQ(QueryInterface<IXmlDataNode>(data)->NodeData(),
            "<html><body><b>Ω</b> &amp; ]]></body></html>");
  EXPECT_EQ(ChildText(info, "Comment"), "  ");
}

TEST(XmlFile, OtherEncodingsAreReadAsUtf8) {
  TempFolder folder;
  const std::string latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><R>Gr\xfc\xdf</R>";
  WriteFile(folder / "latin1.xml", latin1);
  std::string utf16 = "\xff\xfe";  // little-endian byte-order mark
  for (char c : std::string("<R>\n<A>\xe9</B></R>"))
    utf16 += {c, '\0'};
  WriteFile(folder / "utf16.xml", utf16);

  Ref<IXmlFile> file = CreateXmlFile();
  file->Open(folder / "latin1.xml");
  EXPECT_EQ(file->Document()->DocumentElement()->ElementText(), "Grüß");
  const Error e = ErrorOf([&] { file->Open(folder / "utf16.xml"); });
  EXPECT_EQ(e.Number(), err::kXmlMalformed);
  EXPECT_NE(e.Description().find("line 2"), String::npos) << e.Description();
}

TEST(XmlFile, ReadErrorsNameTheFileAndKeepTheDocument) {
  TempFolder folder;
  Ref<IXmlFile> file = CreateXmlFile();
  file->LoadFromText("<Kept/>");
  const String missing = folder / "missing.xml";
  const String malformed = test::TestDataPath("xml/malformed_line5.xml");
  struct Case {
    String path;
    Long number;
    String mention;
  };
  const std::vector<Case> cases = {
      {missing, err::kXmlFileOpen, missing},
      {folder.Path(), err::kXmlFileOpen, folder.Path()},
      {malformed, err::kXmlMalformed, "line 5"},
  };
  for (const Case& c : cases) {
    const Error e = ErrorOf([&] { file->Open(c.path); });
    EXPECT_EQ(e.Number(), c.number) << c.path;
    EXPECT_EQ(e.Source(), "VelkoCore.XmlFile");
    EXPECT_NE(e.Description().find(c.path), String::npos) << e.Description();
    EXPECT_NE(e.Description().find(c.mention), String::npos) << e.Description();
    EXPECT_EQ(file->Document()->DocumentElement()->TagName(), "Kept");
  }
  EXPECT_EQ(ErrorOf([&] { file->LoadFromText("<a>"); }).Number(), err::kXmlMalformed);
  EXPECT_EQ(file->Document()->DocumentElement()->TagName(), "Kept");
}

TEST(XmlFile, AFailedSaveLeavesTheExistingFileAlone) {
  TempFolder folder;
  const String path = folder / "good.xml";
  Ref<IXmlFile> good = CreateXmlFile();
  good->LoadFromText("<Good/>");
  good->Save(path);
  const std::string before = ReadFile(path);

  Ref<IXmlFile> empty = CreateXmlFile();  // no root: nothing that could be read back
  struct Case {
    Ref<IXmlFile> file;
    String path;
  };
  const std::vector<Case> cases = {
      {empty, path},
      {good, folder / "no-such-folder" / "x.xml"},
      {good, folder.Path()},  // a folder in the way
  };
  for (const Case& c : cases) {
    const Error e = ErrorOf([&] { c.file->Save(c.path); });
    EXPECT_EQ(e.Number(), err::kXmlFileSave) << c.path;
    EXPECT_NE(e.Description().find(c.path), String::npos) << e.Description();
  }
  EXPECT_EQ(ReadFile(path), before);
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"good.xml"});
}

TEST(XmlFile, SavingKeepsPermissionsAndFollowsLinks) {
  TempFolder folder;
  const fs::path real = folder / "real.xml";
  Ref<IXmlFile> file = CreateXmlFile();
  file->LoadFromText("<First/>");
  file->Save(real);
  fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink(real, folder / "link.xml");

  file->LoadFromText("<Second/>");
  file->Save(folder / "link.xml");
  EXPECT_TRUE(fs::is_symlink(folder / "link.xml"));
  EXPECT_NE(ReadFile(real).find("<Second"), std::string::npos);
  EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// ---- shared helpers and the failing-document double ----

TEST(XmlWalk, VisitsElementsInOrderAndStopsOnRequest) {
  Ref<IXmlElement> root =
      ParseXmlDocument("<R>text<A/><![CDATA[data]]><B/>\n<C/></R>")->DocumentElement();
  EXPECT_EQ(ChildTags(root), (std::vector<String>{"A", "B", "C"}));
  std::vector<String> seen;
  ForEachChildElement(root, [&](const Ref<IXmlElement>& child) {
    seen.push_back(child->TagName());
    return child->TagName() != "B";
  });
  EXPECT_EQ(seen, (std::vector<String>{"A", "B"}));
  EXPECT_EQ(ErrorOf([] { ForEachChildElement(nullptr, [](const Ref<IXmlElement>&) {}); }).Number(),
            rt::kObjectNotSet);

  EXPECT_TRUE(AppendIfSome(root, nullptr).IsNone());
  EXPECT_EQ(ChildTags(root).size(), 3u);
  EXPECT_EQ(ChildText(root, "Missing", "default"), "default");
}

TEST(FailingXmlDocument, FailsOnTheRequestedCallsAndCountsThem) {
  auto document = MakeRef<test::FailingXmlDocument>();
  document->FailAtCall(2);
  document->FailForTag("Limit");
  EXPECT_TRUE(document->CreateElement("A"));
  EXPECT_TRUE(document->CreateElement("B").IsNone());
  EXPECT_TRUE(document->CreateElement("Limit").IsNone());
  EXPECT_TRUE(document->CreateElement("C"));
  EXPECT_EQ(document->CreateElementCalls(), 4);
  EXPECT_EQ(document->FailedCalls(), 2);
  EXPECT_EQ(document->RequestedTags(), (std::vector<String>{"A", "B", "Limit", "C"}));

  // Elements made through the double belong to the wrapped document and can be saved.
  document->FailNever();
  Ref<IXmlElement> root = document->CreateElement("Root");
  document->SetDocumentElement(root);
  root->AppendChild(document->CreateElement("Child"));
  EXPECT_EQ(ChildTags(document->Inner()->DocumentElement()), (std::vector<String>{"Child"}));

  document->FailDataNodes();
  EXPECT_TRUE(document->CreateDataNode("x").IsNone());
  EXPECT_TRUE(test::MakeAlwaysFailingXmlDocument()->CreateElement("Any").IsNone());
}

}  // namespace
}  // namespace velko
