// Saving a whole record (definition, results, setup, test status) with a document that fails to
// create one element, each element in turn. Every time the save must end with the error that the
// failing writer documents - its own number, or the unexpected-error wrap of the innermost library
// operation that meets a foreign error - or, where a writer documents that it writes nothing, no
// error; and the record must be unchanged: a save with a working document gives the same text.
#include <gtest/gtest.h>

#include <map>

#include "record_fixture.hpp"
#include "support/error_helpers.hpp"
#include "support/failing_xml.hpp"
#include "velko/core/error_numbers.hpp"

namespace velko {
namespace {

constexpr const char* kElementSource = "VelkoCore.CTestElement";
constexpr const char* kContainerSource = "VelkoCore.CTestContainer";
constexpr const char* kSetupSource = "VelkoCore.CTestSetup";

// What a save does when the document fails to create one element. number 0: the save goes on
// without the element (the writer documents that it writes nothing).
struct Expected {
  Long number = 0;
  String source;
  String wrapped;  // for an unexpected-error wrap: the source of the error inside
};

// The writer of each tag inside a node's definition and the source of its own error.
const std::map<String, String> kDefinitionWriters = {
    {"Info", "VelkoCore.CElementInfo"},
    {"Procedure", "VelkoCore.CElementInfo"},
    {"Filter", "VelkoCore.CElementFilter"},
    {"IncludeInReport", "VelkoCore.CElementFilter"},
    {"ServiceEvents", "VelkoCore.CActivities"},
    {"Activity", "VelkoCore.CActivity"},
    {"Standards", "VelkoCore.CStandardColl"},
    {"Standard", "VelkoCore.CStandard"},
    {"Limit", "VelkoCore.CLimit"},
    {"Reference", "VelkoCore.CLimitReference"}};
const std::map<String, String> kSetupWriters = {{"ServiceEvents", "VelkoCore.CActivities"},
                                                {"Activity", "VelkoCore.CActivity"},
                                                {"Standard", "VelkoCore.CStandard"},
                                                {"ItemCollection", "VelkoCore.CItemCollection"},
                                                {"Item", "VelkoCore.CDataItem"},
                                                {"TestInstruments", "VelkoCore.CMTIDataColl"},
                                                {"MTIData", "VelkoCore.CMTIData"}};

// Works out, call by call, what the documented behaviour is for the record's save. The calls come
// in the order of a working save: definition, results, setup, status; the nodes in both tree
// walks in document order.
class SaveExpectations {
 public:
  SaveExpectations(const test::TestRecord& record, Long definitionCalls, Long resultCalls,
                   Long setupCalls)
      : nodes_(test::NodesOf(record.Root())),
        definitionEnd_(definitionCalls),
        resultsEnd_(definitionEnd_ + resultCalls),
        setupEnd_(resultsEnd_ + setupCalls) {}

  // Call `n` (from 1) asked for `tag`; calls must be passed in order.
  Expected For(Long n, const String& tag) {
    if (n <= definitionEnd_) return InDefinition(tag);
    if (n <= resultsEnd_) return InResults(tag);
    if (n <= setupEnd_) return InSetup(tag);
    return {};  // the test status writes nothing when its elements are missing
  }

 private:
  static bool IsContainer(const Ref<ITestElement>& node) {
    return static_cast<bool>(QueryInterface<ITestContainer>(node));
  }

  Expected InDefinition(const String& tag) {
    if (tag == "TestElement") currentNode_ = nodes_.at(definitionNodes_++);
    const char* node = IsContainer(currentNode_) ? kContainerSource : kElementSource;
    if (tag == "TestElement" || tag == "PlugIn") return {err::kElementSave, node, ""};
    if (tag == "ExpectedResult") return {err::kUnexpected, node, "VelkoSimulator.ElementLimits"};
    const String& writer = kDefinitionWriters.at(tag);
    // A standard passes its limits' error on; the collection wraps it.
    if (tag == "Limit" || tag == "Reference") {
      return {err::kUnexpected, "VelkoCore.CStandardColl", writer};
    }
    return {err::kUnexpected, node, writer};
  }

  Expected InResults(const String& tag) {
    if (tag == "ResultItem") currentResultNode_ = nodes_.at(resultNodes_++);
    const Ref<ITestElement>& node = currentResultNode_;
    const char* source = IsContainer(node) ? kContainerSource : kElementSource;
    // A container without a result object writes an element of its own.
    if (tag == "ResultItem" && IsContainer(node) && !node->Result()) {
      return {err::kElementSave, kContainerSource, ""};
    }
    // The simulator's result writers raise when the document gives no element; the node's save
    // wraps that once.
    const char* writer =
        tag == "ResultItem" ? "VelkoSimulator.StepResult" : "VelkoSimulator.SimMeasurement";
    return {err::kUnexpected, source, writer};
  }

  Expected InSetup(const String& tag) {
    if (tag == "Setup") return {err::kSetupSave, kSetupSource, ""};
    if (tag == "PlugInData") {
      return {err::kUnexpected, kSetupSource, "VelkoSimulator.SimulatorDutData"};
    }
    if (tag == "MTIData") inInstrument_ = true;
    // An instrument wraps the errors of its custom data; the selections have no handler of
    // their own, so the setup wraps theirs.
    const bool custom = inInstrument_ && (tag == "ItemCollection" || tag == "Item");
    return {err::kUnexpected, custom ? "VelkoCore.CMTIData" : kSetupSource, kSetupWriters.at(tag)};
  }

  std::vector<Ref<ITestElement>> nodes_;
  Long definitionEnd_;
  Long resultsEnd_;
  Long setupEnd_;
  std::size_t definitionNodes_ = 0;
  std::size_t resultNodes_ = 0;
  Ref<ITestElement> currentNode_;
  Ref<ITestElement> currentResultNode_;
  bool inInstrument_ = false;
};

class SaveFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    auto log = MakeRef<CollectingLog>();
    test::BuildPerformedRecord(record, log);
    ASSERT_TRUE(log->Entries().empty()) << log->Entries().front().message;
  }

  test::SimulatorCore core;
  test::TestRecord record;
};

TEST_F(SaveFaults, EachFailingElementGivesTheWritersErrorAndLeavesTheRecordUnchanged) {
  const String before = record.Text();
  for (const char* part : {"<Filter>", "<ServiceEvents>", "<Reference ", "<Measurement ", "<DUT>",
                           "<Links>", "<PlugInData ", "<TestInstruments>", "<TestData>"}) {
    ASSERT_NE(before.find(part), String::npos) << "the record has no " << part;
  }

  // The calls of a working save, part by part.
  auto counter = MakeRef<test::FailingXmlDocument>(test::TestRecord::NewRecordFile()->Document());
  record.Root()->Save(counter, kSaveDefinition);
  const Long definitionCalls = counter->CreateElementCalls();
  record.Root()->Save(counter, kSaveResults);
  const Long resultCalls = counter->CreateElementCalls() - definitionCalls;
  record.Setup()->Save(counter);
  const Long setupCalls = counter->CreateElementCalls() - definitionCalls - resultCalls;
  record.Setup()->Status()->Save(counter);
  const std::vector<String> tags = counter->RequestedTags();
  SaveExpectations expectations(record, definitionCalls, resultCalls, setupCalls);

  std::map<Long, int> outcomes;
  for (Long n = 1; n <= static_cast<Long>(tags.size()); ++n) {
    const String& tag = tags[n - 1];
    const Expected expected = expectations.For(n, tag);
    auto document =
        MakeRef<test::FailingXmlDocument>(test::TestRecord::NewRecordFile()->Document());
    document->FailAtCall(n);
    Long number = 0;
    try {
      record.SaveInto(document);
    } catch (const Error& e) {
      number = e.Number();
      EXPECT_EQ(e.Source(), expected.source) << "call " << n << " " << tag;
      if (!expected.wrapped.empty()) {
        EXPECT_NE(e.Description().find("(" + expected.wrapped + ")"), String::npos)
            << "call " << n << " " << tag << ": " << e.Description();
      }
    }
    EXPECT_EQ(number, expected.number) << "call " << n << " " << tag;
    EXPECT_EQ(document->FailedCalls(), 1) << "call " << n << " " << tag;
    ++outcomes[number];
    ASSERT_EQ(record.Text(), before) << "the record changed after call " << n << " " << tag;
  }
  // Every kind of outcome was met.
  for (const Long number :
       std::vector<Long>{0, err::kElementSave, err::kUnexpected, err::kSetupSave}) {
    EXPECT_GT(outcomes[number], 0) << number;
  }
}

// A save that fails part way may leave a half-filled document; the same document with the fault
// gone saves the whole record again.
TEST_F(SaveFaults, ADocumentThatFailsFromSomeCallOnRecoversWhenTheFaultGoes) {
  const String before = record.Text();
  const Ref<IXmlFile> file = test::TestRecord::NewRecordFile();
  auto document = MakeRef<test::FailingXmlDocument>(file->Document());
  document->FailFromCall(40);
  EXPECT_NE(test::ErrorNumberOf([&] { record.SaveInto(document); }), 0);
  document->FailNever();
  const Ref<IXmlFile> fresh = test::TestRecord::NewRecordFile();
  record.SaveInto(MakeRef<test::FailingXmlDocument>(fresh->Document()));
  EXPECT_EQ(fresh->SaveToText(), before);
}

// Data nodes carry the rich-text procedures that a save keeps as rich text; a document that does
// not create them fails the save of the element's information.
TEST_F(SaveFaults, AMissingDataNodeFailsTheInfoOfItsElement) {
  auto document = MakeRef<test::FailingXmlDocument>(test::TestRecord::NewRecordFile()->Document());
  document->FailDataNodes();
  const Error e =
      test::CaughtError([&] { record.Root()->Save(document, kSaveDefinition | kSaveKeepRtf); });
  EXPECT_EQ(e.Number(), err::kUnexpected);
  EXPECT_NE(e.Description().find("(VelkoCore.CElementInfo)"), String::npos) << e.Description();
  EXPECT_EQ(document->CreateDataNodeCalls(), 1);
}

}  // namespace
}  // namespace velko
