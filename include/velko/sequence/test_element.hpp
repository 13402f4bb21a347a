// CTestElement: the library's ready-made leaf node of a test sequence.
#pragma once

#include "velko/frame/class_table.hpp"
#include "velko/sequence/test_node.hpp"

namespace velko {

// Public, creatable (VelkoCore.CTestElement); test plug-ins build their steps on it. It reads and
// writes its definition
//
//   <TestElement ID="12">
//     <PlugIn Name="X" TestID="3"/>  <Info/> <Filter/> <ExpectedResult/> <PlugInData/>
//   </TestElement>
//
// and its result (the element the result writes, tagged "ResultItem", with "ElementID").
class CTestElement : public TestNode {
 public:
  VELKO_CLASS_IDS("{C40936F3-5887-4A1B-AE50-888050704AE4}",
                  "{3A1CCD94-5660-419A-93B4-5A4FBBF75714}");

  CTestElement() = default;

  // A deep copy without parent and result.
  Ref<ITestElement> Clone() override;
  // Clone with the given ID.
  Ref<ITestElement> Create(Long id);
  // "TestElement" reads the definition, "ResultItem" hands the element to the result; another
  // tag raises 0x8004A2C8. A missing "ID" raises 0x8004A2C0, a missing plug-in name 0x8004A2C1;
  // a "PlugIn" without "TestID" ends the load quietly (logged as 5093). With a log, one section
  // is opened and always closed again.
  void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) override;
  // Mode bit 1 writes the definition, else bit 2 the result, else nothing (none).
  Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner, Long saveMode) override;
  void PrintReport(const Ref<IReport>& report, const Ref<ITestSetup>& setup) override;
  void Terminate() override { ReleaseFields(); }
  // A plain element holds no references to update.
  void UpdateReferences() override {}

 private:
  void ReadDefinition(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log);
  void ClearCondorOperands();
};

}  // namespace velko
