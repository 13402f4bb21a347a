#include <gtest/gtest.h>

#include "support/error_helpers.hpp"
#include "support/failing_xml.hpp"
#include "support/fake_language_set.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/outside/progress_log.hpp"
#include "velko/outside/registry.hpp"
#include "velko/outside/xml.hpp"
#include "velko/service/data_item.hpp"

namespace velko {
namespace {

Ref<IDataItem> Item(const String& name, Integer order = 0) {
  auto item = MakeRef<CDataItem>();
  item->SetName(name);
  item->SetOrder(order);
  return item;
}

std::vector<String> Names(IItemCollection& c) {
  std::vector<String> names;
  for (Long i = 1; i <= c.Count(); ++i)
    names.push_back(c.Item(i)->Name());
  return names;
}

TEST(DataItem, CaptionFallsBackToTheNameAndIsSavedOnlyWhenSet) {
  auto item = Item("Model", 2);
  EXPECT_EQ(item->Caption(), "Model");
  item->SetRequired(true);
  item->SetData("X-200");
  const Ref<IXmlElement> saved = item->Save(CreateXmlDocument());
  EXPECT_EQ(saved->GetAttribute("Caption"), "");
  EXPECT_EQ(saved->GetAttribute("Ord"), "2");
  EXPECT_EQ(saved->GetAttribute("Required"), "True");
  EXPECT_EQ(saved->GetAttribute("Key"), "");
  EXPECT_EQ(saved->ElementText(), "X-200");
  auto back = MakeRef<CDataItem>();
  back->Load(saved);
  EXPECT_EQ(back->Name(), "Model");
  EXPECT_EQ(back->Order(), 2);
  EXPECT_TRUE(back->Required());
  EXPECT_FALSE(back->IsKey());
  EXPECT_EQ(back->Data(), "X-200");
}

TEST(DataItem, LoadErrors) {
  const auto doc =
      ParseXmlDocument("<r><Other Name='x'/><Item/><Item Name='n' Ord='abc' Required='true'/></r>");
  const auto list = doc->DocumentElement()->ChildNodes();
  auto item = MakeRef<CDataItem>();
  EXPECT_EQ(test::ErrorNumberOf([&] { item->Load(QueryInterface<IXmlElement>(list->NodeAt(0))); }),
            err::kDataItemWrongTag);
  EXPECT_EQ(test::ErrorNumberOf([&] { item->Load(QueryInterface<IXmlElement>(list->NodeAt(1))); }),
            err::kDataItemNoName);
  item->SetOrder(5);
  item->Load(QueryInterface<IXmlElement>(list->NodeAt(2)));
  EXPECT_EQ(item->Order(), 5);     // not a number: the order stays
  EXPECT_FALSE(item->Required());  // only the exact text "True" sets a flag
  auto failing = MakeRef<test::FailingXmlDocument>();
  failing->FailAlways();
  EXPECT_EQ(test::ErrorNumberOf([&] { item->Save(failing); }), err::kDataItemSave);
}

TEST(ItemCollection, AddPositionsAndErrors) {
  CItemCollection c;
  EXPECT_FALSE(c.Item(1));  // empty: no object, no error
  c.Add(Item("A"));
  c.Add(Item("C"));
  c.Add(Item("B"), c.Item(0, "C"));
  c.Add(Item("D"), nullptr, c.Item(0, "A"));
  c.Add(Item("E"), c.Item(0, "A"), c.Item(0, "C"));  // before wins over after
  EXPECT_EQ(Names(c), (std::vector<String>{"E", "A", "D", "B", "C"}));
  EXPECT_EQ(test::ErrorNumberOf([&] { c.Add(Item("a")); }), err::kItemPresent);
  EXPECT_EQ(test::ErrorNumberOf([&] { c.Add(Item("")); }), err::kItemNoName);
  EXPECT_EQ(test::ErrorNumberOf([&] { c.Add(Item("F"), Item("nope")); }), err::kItemNotFound);
  EXPECT_EQ(test::ErrorNumberOf([&] { c.Item(9); }), err::kItemNotFound);
  EXPECT_EQ(test::ErrorNumberOf([&] { c.Item(0, "nope"); }), err::kItemNotFound);
  EXPECT_EQ(test::ErrorNumberOf([&] { c.Item(0, ""); }), err::kItemNoName);
  EXPECT_EQ(test::ErrorNumberOf([&] { c.Remove(Item("nope")); }), err::kItemNotFound);
  for (const char* n : {"A", "B", "C", "D", "E"})
    c.Remove(Item(n));
  EXPECT_EQ(c.Count(), 0);
  EXPECT_FALSE(c.Save(CreateXmlDocument()));
}

TEST(ItemCollection, LoadSkipsNamelessItemsWithOneLogEntryAndFailsOnRepeatedNames) {
  const auto doc = ParseXmlDocument(
      "<Links><Item Name='a'>1</Item><Item>x</Item><Note/><Item Name='b'/></Links>");
  auto log = MakeRef<CollectingLog>();
  CItemCollection c;
  c.Load(doc->DocumentElement(), log);
  EXPECT_EQ(Names(c), (std::vector<String>{"a", "b"}));
  ASSERT_EQ(log->Entries().size(), 1u);
  EXPECT_EQ(log->Entries()[0].errNo, err::kDataItemNoName);
  EXPECT_EQ(log->Entries()[0].level, 2);
  EXPECT_TRUE(log->AllSectionsClosed());

  const auto twice = ParseXmlDocument("<c><Item Name='a'/><Item Name='A'/></c>");
  EXPECT_EQ(test::ErrorNumberOf([&] { c.Load(twice->DocumentElement(), log); }), err::kUnexpected);
  EXPECT_TRUE(log->AllSectionsClosed());
}

TEST(ItemCollection, SaveLoadRoundTrip) {
  CItemCollection c;
  c.Add(Item("Model", 1));
  c.Item(1)->SetData("M1");
  c.Add(Item("Serial"));
  const Ref<IXmlElement> saved = c.Save(CreateXmlDocument());
  EXPECT_EQ(saved->TagName(), "ItemCollection");
  CItemCollection back;
  back.Load(saved, nullptr);
  EXPECT_EQ(Names(back), (std::vector<String>{"Model", "Serial"}));
  EXPECT_EQ(back.Item(0, "model")->Data(), "M1");
  const Ref<IItemCollection> clone = back.Clone();
  clone->Item(1)->SetData("changed");
  EXPECT_EQ(back.Item(1)->Data(), "M1");
}

class RegistryDefaultsTest : public ::testing::Test {
 protected:
  void SetUp() override { UseInMemoryRegistry(); }
  void TearDown() override { UseDefaultRegistry(); }
  static void Write(const String& path, const String& name, const Variant& value) {
    Ref<IRegistryKey> key = CreateRegistryKey();
    key->CreateKey(kHKeyLocalMachine, path);
    key->SetValue(Variant(name), value);
  }
};

TEST_F(RegistryDefaultsTest, ItemsWithAnOrderComeFirstInAscendingOrder) {
  const String root = "Software\\Test\\Items";
  Write(root + "\\A", "Ord", Long{2});
  Write(root + "\\B", "Caption", "471::Model");
  Write(root + "\\C", "Ord", Long{1});
  Write(root + "\\C", "Required", Long{1});
  Write(root + "\\Hidden", "Visible", Long{0});
  Write(root + "\\D", "Ord", "3");  // not a 32-bit number: no order
  // Value names in any case, as the registry compares them.
  Write(root + "\\E", "ORD", Long{4});
  Write(root + "\\E", "caption", "Plain");
  Write(root + "\\E", "rEQUIRED", Long{1});
  Write(root + "\\E", "KEY", Long{1});
  Write(root + "\\AlsoHidden", "VISIBLE", Long{0});
  test::EchoLanguageGuard language;
  CItemCollection c;
  c.LoadRegDefaults("P", kHKeyLocalMachine, root);
  EXPECT_EQ(Names(c), (std::vector<String>{"C", "A", "E", "B", "D"}));
  EXPECT_TRUE(c.Item(0, "C")->Required());
  EXPECT_FALSE(c.Item(0, "A")->Required());
  EXPECT_FALSE(c.Item(0, "A")->IsKey());
  EXPECT_EQ(c.Item(0, "E")->Caption(), "Plain");
  EXPECT_TRUE(c.Item(0, "E")->Required());
  EXPECT_TRUE(c.Item(0, "E")->IsKey());
  EXPECT_EQ(c.Item(0, "B")->Caption(), "P|471::Model|");
  EXPECT_EQ(c.Item(0, "D")->Order(), 0);
  EXPECT_EQ(
      test::ErrorNumberOf([&] { c.LoadRegDefaults("", kHKeyLocalMachine, "Software\\None"); }),
      err::kRegistryKeyMissing);
}

}  // namespace
}  // namespace velko
