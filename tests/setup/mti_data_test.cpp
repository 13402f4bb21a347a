#include "velko/setup/mti_data.hpp"

#include <gtest/gtest.h>

#include "support/error_helpers.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/outside/progress_log.hpp"
#include "velko/outside/registry.hpp"
#include "velko/outside/xml.hpp"
#include "velko/setup/dut_info.hpp"

namespace velko {
namespace {

Ref<CMTIData> Instrument(const String& plugIn, Long number) {
  auto i = MakeRef<CMTIData>();
  i->Initialize(plugIn, number);
  return i;
}

std::vector<String> Keys(IMTIDataColl& c) {
  std::vector<String> keys;
  for (Long i = 1; i <= c.Count(); ++i) {
    keys.push_back(c.Item(i)->PlugInID() + "::" + std::to_string(c.Item(i)->MTIID()));
  }
  return keys;
}

TEST(MTIData, SaveLoadRoundTripKeepsTheCalibrationDate) {
  auto a = Instrument("Sim", 1);
  a->StoreMTIData("SA-1", "42", "2.1");
  a->SetCalDate("2026-03-01");
  a->AddCustomData("Probe", "P7");
  const Ref<IXmlElement> saved = a->Save(CreateXmlDocument());
  ASSERT_TRUE(saved);
  const Ref<IXmlElementList> children = saved->ChildNodes();
  std::vector<String> tags;
  for (Long i = 0; i < children->NodeCount(); ++i) {
    tags.push_back(QueryInterface<IXmlElement>(children->NodeAt(i))->TagName());
  }
  EXPECT_EQ(tags, (std::vector<String>{"Type", "SerialNumber", "Version", "CalibrationDate",
                                       "PlugInData"}));
  auto back = MakeRef<CMTIData>();
  back->Load(saved, nullptr);
  EXPECT_EQ(back->CalDate(), "2026-03-01");
  EXPECT_TRUE(back->CalDateExists());
  EXPECT_EQ(back->MTIType(), "SA-1");
  EXPECT_EQ(back->CustomData()->Item(0, "Probe")->Data(), "P7");

  auto without = Instrument("Sim", 2);
  back->Load(without->Save(CreateXmlDocument()), nullptr);
  EXPECT_FALSE(back->CalDateExists());  // the flag follows the instrument loaded last
  EXPECT_FALSE(back->CustomData());
}

TEST(MTIData, InstrumentsWithoutPlugInOrNumberAreNotSaved) {
  EXPECT_FALSE(Instrument("", 1)->Save(CreateXmlDocument()));
  EXPECT_FALSE(Instrument("Sim", 0)->Save(CreateXmlDocument()));
  EXPECT_EQ(test::ErrorNumberOf([] { Instrument("Sim", 1)->AddCustomData("", "x"); }),
            err::kItemNoName);
}

TEST(MTIDataColl, LoadSkipsInstrumentsWithoutPlugInAndNumber) {
  const auto doc = ParseXmlDocument(
      "<TestInstruments>"
      "<MTIData PlugIn='A' ID='1'><Type>T</Type></MTIData>"
      "<MTIData ID='0'/>"
      "<MTIData/>"
      "<MTIData PlugIn='B' ID='2'/>"
      "</TestInstruments>");
  auto log = MakeRef<CollectingLog>();
  const Ref<IMTIDataColl> c = CreateMTIDataColl();
  c->Load(doc->DocumentElement(), log);
  EXPECT_EQ(Keys(*c), (std::vector<String>{"A::1", "B::2"}));
  ASSERT_EQ(log->Entries().size(), 2u);
  EXPECT_EQ(log->Entries()[0].errNo, err::kMtiLoad);
  EXPECT_EQ(log->Entries()[0].messageKey.substr(0, 6), "5076::");
  EXPECT_TRUE(log->AllSectionsClosed());
}

TEST(MTIDataColl, AddErrorsAndDuplicates) {
  const Ref<IMTIDataColl> c = CreateMTIDataColl();
  EXPECT_EQ(c->Count(), 0);
  EXPECT_FALSE(c->Item(1));
  EXPECT_EQ(test::ErrorNumberOf([&] { c->Add(Instrument("", 1)); }), err::kMtiNoPlugIn);
  EXPECT_EQ(test::ErrorNumberOf([&] { c->Add(Instrument("X", 0)); }), err::kMtiNoNumber);
  c->Add(Instrument("X", 2));
  EXPECT_EQ(test::ErrorNumberOf([&] { c->Add(Instrument("X", 2)); }), err::kUnexpected);
  // An "MTIData" with only a number loads, but cannot be added: the whole load fails, wrapped
  // once by the collection's load.
  const auto doc = ParseXmlDocument("<t><MTIData ID='3'/></t>");
  auto log = MakeRef<CollectingLog>();
  EXPECT_EQ(test::ErrorNumberOf([&] { c->Load(doc->DocumentElement(), log); }), err::kUnexpected);
  EXPECT_TRUE(log->AllSectionsClosed());
}

TEST(MTIDataColl, RemoveByPlugInKeepsTheOthersInOrder) {
  const Ref<IMTIDataColl> c = CreateMTIDataColl();
  for (auto [p, n] : std::vector<std::pair<String, Long>>{{"X", 1}, {"Y", 1}, {"X", 2}, {"Z", 5}}) {
    c->Add(Instrument(p, n));
  }
  EXPECT_EQ(c->FindItem("Y", 1)->PlugInID(), "Y");
  EXPECT_FALSE(c->FindItem("y", 1));
  c->Remove("X", 0);
  EXPECT_EQ(Keys(*c), (std::vector<String>{"Y::1", "Z::5"}));
  c->Remove("Z", 5);
  c->Remove("Q", 1);
  c->Remove("", 0);
  EXPECT_EQ(Keys(*c), (std::vector<String>{"Y::1"}));
  c->Remove("Y", 1);
  EXPECT_FALSE(c->Save(CreateXmlDocument()));
}

TEST(DutInfo, StartsWithTheRegistryDefaultsAndLoadsInItsOwnSection) {
  UseInMemoryRegistry();
  Ref<IRegistryKey> key = CreateRegistryKey();
  const String root = RegistryPaths()->KeyPath(kRegPathProduct) + "\\Test record\\DUT Info";
  key->CreateKey(kHKeyLocalMachine, root + "\\Serial");
  key->SetValue(Variant("Ord"), Long{2});
  key->CreateKey(kHKeyLocalMachine, root + "\\Model");
  key->SetValue(Variant("Ord"), Long{1});
  const Ref<IItemCollection> dut = CreateDutInfo();
  ASSERT_EQ(dut->Count(), 2);
  EXPECT_EQ(dut->Item(1)->Name(), "Model");

  auto log = MakeRef<CollectingLog>();
  dut->Load(ParseXmlDocument("<DUT><Item Name='Owner'>Ward 3</Item></DUT>")->DocumentElement(),
            log);
  EXPECT_EQ(dut->Count(), 1);
  ASSERT_FALSE(log->Sections().empty());
  EXPECT_EQ(log->Sections()[0].contextKey, "E5070::Loading DUT info");
  EXPECT_TRUE(log->AllSectionsClosed());
  UseDefaultRegistry();
}

}  // namespace
}  // namespace velko
