// CGeneralMeasurement and the empty shape IStepExe.
#include <gtest/gtest.h>

#include "velko/frame/runtime.hpp"
#include "velko/sequence/general_measurement.hpp"
#include "velko/sequence/step_exe.hpp"
#include "velko/sequence/test_container.hpp"

namespace velko::test {
namespace {

TEST(GeneralMeasurementTest, NewMeasurementGivesAnEmptyRow) {
  CGeneralMeasurement measurement;
  EXPECT_EQ(measurement.CreateTableBody(), "|   ||||;");  // six cells, all empty
  EXPECT_TRUE(measurement.Value().IsEmpty());
  EXPECT_EQ(measurement.ValueType(), kValueNone);
}

TEST(GeneralMeasurementTest, InitializeAndUpdateFillTheRow) {
  CGeneralMeasurement measurement;
  measurement.Initialize("PE", "Protective earth", "Ohm", kValueFloat, Variant(12.5));
  measurement.Update("Protective earth", "10", "0", "Ohm", 2);
  EXPECT_EQ(measurement.CreateTableBody(), "|   Protective earth|12.5|Ohm|10|0;");
  EXPECT_EQ(measurement.IconIndex(), 2);
  EXPECT_EQ(measurement.Key(), "PE");
  EXPECT_EQ(measurement.LimitKey(), "PE");
  measurement.SetKey("PE2");
  EXPECT_EQ(measurement.LimitKey(), "PE2");
  EXPECT_EQ(measurement.Status(), kStatusNotPerformed);
  EXPECT_TRUE(measurement.PresetValue().IsEmpty());
  EXPECT_TRUE(measurement.Save(nullptr) == nullptr);
}

TEST(GeneralMeasurementTest, ValuesWithoutTextGiveAnEmptyCell) {
  CGeneralMeasurement measurement;
  measurement.Initialize("K", "D", "U", kValueText, Variant::Null());
  EXPECT_EQ(measurement.CreateTableBody(), "|   D||U||;");
  measurement.Initialize("K", "D", "U", kValueText, Variant(MakeRef<CGeneralMeasurement>()));
  EXPECT_EQ(measurement.CreateTableBody(), "|   D||U||;");
}

TEST(StepExeTest, EveryMemberAcceptsAnythingAndReadsBackEmpty) {
  Ref<IStepExe> step = QueryInterface<IStepExe>(CreateObject("VelkoCore.IStepExe"));
  ASSERT_TRUE(step);
  step->SetRepeatTest(true);
  step->SetStepNumber(4);
  step->SetNoOfSteps(9);
  step->SetIsTestStarted(true);
  step->SetIsTestStopped(true);
  step->SetRoot(MakeRef<CTestContainer>());
  step->SetTemplateName("Annual check");
  step->SetMoveToFirstStep(true);
  step->SetMoveToSummaryWindow(true);
  EXPECT_FALSE(step->RepeatTest());
  EXPECT_EQ(step->StepNumber(), 0);
  EXPECT_EQ(step->NoOfSteps(), 0);
  EXPECT_FALSE(step->IsTestStarted());
  EXPECT_FALSE(step->IsTestStopped());
  EXPECT_TRUE(step->Root() == nullptr);
  EXPECT_EQ(step->TemplateName(), "");
  EXPECT_FALSE(step->MoveToFirstStep());
  EXPECT_FALSE(step->MoveToSummaryWindow());
}

TEST(SequenceClassesTest, PublicClassesAnswerTheirInterfaces) {
  EXPECT_TRUE(QueryInterface<ITestElement>(CreateObject("VelkoCore.CTestElement")));
  Ref<IUnknown> container = CreateObject("VelkoCore.CTestContainer");
  EXPECT_TRUE(QueryInterface<ITestElement>(container));
  EXPECT_TRUE(QueryInterface<ITestContainer>(container));
  EXPECT_TRUE(QueryInterface<IMeasurement>(CreateObject("VelkoCore.CGeneralMeasurement")));
}

}  // namespace
}  // namespace velko::test
