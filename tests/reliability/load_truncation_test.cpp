// Loading documents cut off at many points: every cut is made well-formed again by dropping an
// unfinished tag and closing the elements still open, so that the loaders see sequences, setups
// and records that end part way. Whatever a loader makes of such a document, it raises at most a
// velko::Error, closes every progress-log section it opened, and leaves a tree that saves again.
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "record_fixture.hpp"

namespace velko {
namespace {

// The prefix of `text` up to `cut`, without an unfinished tag at its end, with the elements that
// are still open closed. Comments, CDATA sections and declarations are skipped as wholes.
String CloseCutDocument(const String& text, std::size_t cut) {
  String prefix = text.substr(0, cut);
  const auto lastOpen = prefix.rfind('<');
  if (lastOpen != String::npos && prefix.find('>', lastOpen) == String::npos)
    prefix.resize(lastOpen);
  static const std::regex kMarkup(
      R"(<!--[\s\S]*?-->|<!\[CDATA\[[\s\S]*?\]\]>|<[?!][^>]*>|<(/?)([A-Za-z_][\w.:-]*)[^>]*?(/?)>)");
  std::vector<String> open;
  for (std::sregex_iterator it(prefix.begin(), prefix.end(), kMarkup), end; it != end; ++it) {
    const auto& m = *it;
    if (!m[2].matched || m[3].length() > 0) continue;
    if (m[1].length() > 0) {
      if (!open.empty()) open.pop_back();
    } else {
      open.push_back(m[2].str());
    }
  }
  for (auto it = open.rbegin(); it != open.rend(); ++it)
    prefix += "</" + *it + ">";
  return prefix;
}

// The well-formed documents made from cuts of `text`: after every tag, and every `stride` bytes.
std::vector<String> CutDocuments(const String& text, std::size_t stride) {
  std::set<String> seen;
  std::vector<String> documents;
  for (std::size_t cut = 0; cut <= text.size(); ++cut) {
    const bool afterTag = cut > 0 && text[cut - 1] == '>';
    if (!afterTag && cut % stride != 0) continue;
    String document = CloseCutDocument(text, cut);
    if (seen.insert(document).second) documents.push_back(std::move(document));
  }
  return documents;
}

// The parsed document, or none when the cut left text that XML cannot hold.
Ref<IXmlFile> ParsedOrNone(const String& text) {
  try {
    return test::XmlFromText(text);
  } catch (const Error&) {
    return nullptr;
  }
}

struct LoadTally {
  int loaded = 0;
  int failed = 0;
};

// Runs one load with a fresh collecting log and checks what every load must keep to.
template <class Load>
void CheckLoad(const String& document, LoadTally& tally, Load&& load) {
  const Ref<IXmlFile> file = ParsedOrNone(document);
  if (!file || !test::RootOf(file)) return;
  auto log = MakeRef<CollectingLog>();
  try {
    load(test::RootOf(file), log);
    ++tally.loaded;
  } catch (const Error&) {
    ++tally.failed;
  }
  EXPECT_TRUE(log->AllSectionsClosed()) << document;
  EXPECT_EQ(log->StrayCloses(), 0) << document;
}

class LoadTruncation : public ::testing::Test {
 protected:
  test::SimulatorCore core;
};

TEST(CutDocuments, AreClosedAgain) {
  EXPECT_EQ(CloseCutDocument("<a x='1'><b>te", 14), "<a x='1'><b>te</b></a>");
  EXPECT_EQ(CloseCutDocument("<a><b/><c y='", 13), "<a><b/></a>");
  EXPECT_EQ(CloseCutDocument("<a><!-- <x> --><![CDATA[<y>]]><c></c>", 37),
            "<a><!-- <x> --><![CDATA[<y>]]><c></c></a>");
}

// The sample as it is, and with an element deep inside that has lost its ID: the loads of the
// second fail part way, after the elements before it were loaded.
TEST_F(LoadTruncation, SequenceCutAnywhereClosesItsSectionsAndStillSaves) {
  const String whole = test::FullSequenceText();
  const String broken = test::ReplaceFirst(whole, R"(<TestElement ID="13">)", "<TestElement>");
  for (const String* text : {&whole, &broken}) {
    LoadTally tally;
    for (const String& document : CutDocuments(*text, 23)) {
      auto root = MakeRef<CTestContainer>();
      CheckLoad(document, tally,
                [&](const Ref<IXmlElement>& element, const Ref<CollectingLog>& log) {
                  root->Load(element, log);
                  root->UpdateReferences();
                });
      EXPECT_NO_THROW(root->Save(CreateXmlDocument(), kSaveDefinition)) << document;
      test::TerminateTree(root);
    }
    EXPECT_GT(tally.loaded, 100);
    if (text == &broken) {
      EXPECT_GT(tally.failed, 100);
    }
  }
}

TEST_F(LoadTruncation, SetupCutAnywhereClosesItsSectionsAndStillSaves) {
  LoadTally tally;
  for (const String& document : CutDocuments(test::FullSetupText(), 5)) {
    auto setup = MakeRef<CTestSetup>();
    CheckLoad(document, tally, [&](const Ref<IXmlElement>& element, const Ref<CollectingLog>& log) {
      setup->Load(element, log);
    });
    EXPECT_NO_THROW(setup->Save(CreateXmlDocument())) << document;
  }
  EXPECT_GT(tally.loaded, 50);
}

TEST_F(LoadTruncation, RecordCutAnywhereClosesItsSections) {
  String recordText;
  {
    test::TestRecord record;
    test::BuildPerformedRecord(record, MakeRef<CollectingLog>());
    recordText = record.Text();
  }
  LoadTally tally;
  for (const String& document : CutDocuments(recordText, 41)) {
    test::TestRecord back;
    CheckLoad(document, tally, [&](const Ref<IXmlElement>& element, const Ref<CollectingLog>& log) {
      const auto part = [&](const char* tag) { return element->FindChild(tag, 0); };
      if (const auto sequence = part("Sequence"); sequence && sequence->FindChild("TestElement", 0))
        back.Root()->Load(sequence->FindChild("TestElement", 0), log);
      if (const auto results = part("Results"); results && results->FindChild("ResultItem", 0))
        back.Root()->Load(results->FindChild("ResultItem", 0), log);
      if (const auto setup = part("Setup")) back.Setup()->Load(setup, log);
      if (const auto status = part("TestData")) back.Setup()->Status()->Load(status);
    });
    EXPECT_NO_THROW(back.Text()) << document;
  }
  EXPECT_GT(tally.loaded, 100);
}

}  // namespace
}  // namespace velko
