// TestNode: what every node of a test sequence holds (identity, info, filter, configuration,
// limits, result, parent) and the per-node steps that the leaf (CTestElement) and the container
// (CTestContainer) share. Not a class of its own in the class table.
#pragma once

#include "velko/typelib/progress.hpp"
#include "velko/typelib/report.hpp"
#include "velko/typelib/sequence.hpp"
#include "velko/typelib/xml.hpp"

namespace velko {

class TestNode : public ITestElement {
 public:
  Ref<IConfigData> Configuration() override { return configuration_; }
  void SetConfiguration(const Ref<IConfigData>& configuration) { configuration_ = configuration; }
  Ref<IElementLimits> Limits() override { return limits_; }
  void SetLimits(const Ref<IElementLimits>& limits) { limits_ = limits; }
  Ref<IResult> Result() override { return result_; }
  void SetResult(const Ref<IResult>& result) { result_ = result; }
  Ref<IElementInfo> Info() override { return info_; }
  Ref<IElementFilter> Filter() override { return filter_; }
  // The container that holds the node. A counted reference: container and child refer to each
  // other until Terminate breaks the cycle.
  Ref<ITestElement> Parent() override { return parent_; }
  void SetParent(const Ref<ITestElement>& parent) override { parent_ = parent; }
  String PlugInID() override { return plugInId_; }
  Long TestID() override { return testId_; }
  // The node's identity is its own: containers index their subtrees by it, so a subclass
  // cannot redefine it, and every change of it goes through SetID, Initialize or AssignId.
  Long ID() final { return id_; }
  void SetID(Long id) final { AssignId(id); }
  void Initialize(const String& plugInId, Long testId, Long id) override;

  // A plain node performs no test.
  void Perform(const Ref<IUnknown>& /*object*/) override {}
  Boolean QuerySetParent(const Ref<IUnknown>& /*parent*/) override { return true; }
  // A plain node offers no measurements: Empty.
  Variant GetMeasurementList() override { return {}; }

 protected:
  TestNode();

  // Reads one child of a "TestElement" that every node understands ("Info", "Filter",
  // "ExpectedResult" into the limits, "PlugInData" into the configuration); false for other
  // tags. Limits and configuration are never created here: their owner gives them beforehand.
  bool ReadCommonChild(const Ref<IXmlElement>& child, const Ref<IProgressLog>& log);
  // The node's "TestElement" definition: "ID", the "PlugIn" child, then what info, filter,
  // limits and configuration write. Raises 0x8004A2CD (level 3, `source`) when the document
  // gives no element.
  Ref<IXmlElement> WriteDefinition(const Ref<IXmlDocument>& owner, Long saveMode,
                                   const char* source);
  // Prints the node's own part of the report; never raises. `cutPetrelComment`: a "Petrel"
  // node prints its result comment without the print text after the comment separator.
  void PrintOwnReport(const Ref<IReport>& report, const Ref<ITestSetup>& setup,
                      bool cutPetrelComment);
  // Releases every object field, the parent included.
  void ReleaseFields();
  // Copies identity, filter, configuration and limits (cloned) to a new node.
  void CloneIdentityInto(TestNode& clone);

  // Sets the ID and tells the containers' look-ups that the tree changed.
  void AssignId(Long id);

  String plugInId_;
  Long testId_ = 0;
  Ref<IElementInfo> info_;
  Ref<IElementFilter> filter_;
  Ref<IConfigData> configuration_;
  Ref<IResult> result_;
  Ref<IElementLimits> limits_;
  Ref<ITestElement> parent_;

 private:
  Long id_ = 0;
};

// The deepest nesting of test containers that a walk of a tree (load, save, find, print,
// reference update) follows; a deeper document fails to load with 0x8004A2F8.
inline constexpr int kMaxTreeNesting = 512;

}  // namespace velko
