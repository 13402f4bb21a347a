#include "velko/service/service_record.hpp"

#include <gtest/gtest.h>

#include "velko/outside/xml.hpp"

namespace velko {
namespace {

TEST(ServiceRecord, ParsesRecordTexts) {
  struct Case {
    const char* text;
    const char* id;
    const char* status;
    const char* value;
  };
  const Case cases[] = {{"R12:P/3.5", "R12", "P", "3.5"},
                        {"R12:NA", "R12", "NA", "NA"},
                        {"R12", "R12", "", ""},
                        {"R12/3.5", "R12", "", "3.5"},
                        {"R1:F/a/b", "R1", "F", "a/b"},
                        {":P", "", "P", ""},
                        {"", "", "", ""}};
  for (const auto& c : cases) {
    CServiceRecord r;
    r.SetCompleteRecord(c.text);
    EXPECT_EQ(r.ID(), c.id) << c.text;
    EXPECT_EQ(r.Status(), c.status) << c.text;
    EXPECT_EQ(r.Value(), c.value) << c.text;
  }
}

TEST(ServiceRecord, WritesRecordTexts) {
  CServiceRecord r;
  r.SetID("R1");
  r.SetStatus("P");
  r.SetValue("/12.5/");
  EXPECT_EQ(r.Value(), "12.5");
  EXPECT_EQ(r.CompleteRecord(), "R1:P/12.5");
  r.SetStatus("NA");
  EXPECT_EQ(r.Value(), "NA");
  r.SetStatus("");
  EXPECT_EQ(r.CompleteRecord(), "R1");
  r.SetID("");
  EXPECT_EQ(r.CompleteRecord(), "");
  EXPECT_FALSE(r.Save(CreateXmlDocument()));
}

TEST(ServiceRecord, InitializeWithoutFilterDefaultsTheStatus) {
  CServiceRecord r;
  r.Initialize(nullptr, "", "9");
  EXPECT_EQ(r.ID(), "");
  EXPECT_EQ(r.Status(), "P");
  EXPECT_EQ(r.Value(), "");
}

TEST(ServiceRecord, XmlRoundTripAndCloneIsIndependent) {
  auto r = MakeRef<CServiceRecord>();
  r->SetCompleteRecord("R7:F/2");
  const Ref<IXmlDocument> doc = CreateXmlDocument();
  const Ref<IXmlElement> saved = r->Save(doc);
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->TagName(), "ServiceRecord");
  EXPECT_EQ(saved->ElementText(), "R7:F/2");
  CServiceRecord back;
  back.Load(saved, nullptr);
  EXPECT_EQ(back.CompleteRecord(), "R7:F/2");
  // Another element is ignored.
  back.Load(doc->CreateElement("Other"), nullptr);
  EXPECT_EQ(back.CompleteRecord(), "R7:F/2");
  const Ref<IServiceRecord> copy = r->Clone();
  copy->SetStatus("P");
  EXPECT_EQ(r->Status(), "F");
}

}  // namespace
}  // namespace velko
