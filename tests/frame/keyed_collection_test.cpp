#include "velko/frame/keyed_collection.hpp"

#include <gtest/gtest.h>

#include <functional>

#include "support/error_helpers.hpp"

namespace velko {
namespace {

std::vector<String> Keys(const KeyedCollection<int>& c) {
  std::vector<String> keys;
  for (const auto& entry : c.Entries())
    keys.push_back(entry.key);
  return keys;
}

TEST(KeyedCollection, OrderPositionsAndLookupsStayInStepThroughInsertAndRemove) {
  KeyedCollection<int> c;
  c.Add("a", 1);
  c.Add("c", 3);
  c.Insert(2, "b", 2);
  c.Insert(1, "z", 0);
  EXPECT_EQ(Keys(c), (std::vector<String>{"z", "a", "b", "c"}));
  EXPECT_EQ(c.IndexOf("c"), 4);
  c.Remove(2);
  c.Remove("z");
  EXPECT_EQ(Keys(c), (std::vector<String>{"b", "c"}));
  EXPECT_EQ(c.IndexOf("b"), 1);
  EXPECT_EQ(c.IndexOf("c"), 2);
  EXPECT_EQ(c.IndexOf("a"), 0);
  EXPECT_EQ(c.Item("c"), 3);
  EXPECT_EQ(c.Item(1), 2);
  std::vector<int> items(c.begin(), c.end());
  EXPECT_EQ(items, (std::vector<int>{2, 3}));
}

TEST(KeyedCollection, KeysFoldCaseUnlessCaseSensitive) {
  KeyedCollection<int> folded;
  folded.Add("Ärger", 1);
  EXPECT_TRUE(folded.Contains("äRGER"));
  EXPECT_EQ(folded.KeyAt(1), "Ärger");  // kept as given
  EXPECT_EQ(test::ErrorNumberOf([&] { folded.Add("ÄRGER", 2); }), rt::kKeyAlreadyPresent);

  KeyedCollection<int> exact(KeyCase::kSensitive);
  exact.Add("Key", 1);
  exact.Add("KEY", 2);
  EXPECT_EQ(exact.Count(), 2);
  EXPECT_EQ(exact.Find("key"), nullptr);
}

TEST(KeyedCollection, RaisesTheRuntimeCollectionErrors) {
  KeyedCollection<int> c;
  c.Add("a", 1);
  struct Case {
    const char* what;
    std::function<void()> call;
    Long number;
  };
  const Case cases[] = {
      {"duplicate key", [&] { c.Add("A", 2); }, rt::kKeyAlreadyPresent},
      {"missing key", [&] { (void)c.Item("b"); }, rt::kInvalidCall},
      {"remove missing key", [&] { c.Remove("b"); }, rt::kInvalidCall},
      {"position 0", [&] { (void)c.Item(0); }, rt::kSubscriptOutOfRange},
      {"position past the end", [&] { c.Remove(2); }, rt::kSubscriptOutOfRange},
      {"insert outside", [&] { c.Insert(3, "x", 0); }, rt::kInvalidCall},
  };
  for (const Case& k : cases)
    EXPECT_EQ(test::ErrorNumberOf(k.call), k.number) << k.what;
  EXPECT_EQ(Keys(c), (std::vector<String>{"a"}));  // failures change nothing
}

// Small collections compare keys one by one, large ones keep a hash index: inserting at the
// front, adding, removing and looking up must agree with a plain list on both sides of the
// change, whether letter case counts or not.
TEST(KeyedCollection, LookupsAgreeWithAPlainListAtEverySize) {
  for (const KeyCase keyCase : {KeyCase::kIgnore, KeyCase::kSensitive}) {
    SCOPED_TRACE(keyCase == KeyCase::kIgnore ? "case ignored" : "case sensitive");
    const bool ignoreCase = keyCase == KeyCase::kIgnore;
    // The key as another caller writes it: in capitals where letter case is ignored.
    const auto spelled = [&](const String& key) { return ignoreCase ? "K" + key.substr(1) : key; };
    KeyedCollection<int> c(keyCase);
    std::vector<String> model;
    const auto check = [&] {
      ASSERT_EQ(Keys(c), model);
      for (std::size_t i = 0; i < model.size(); ++i) {
        ASSERT_EQ(c.IndexOf(spelled(model[i])), static_cast<Long>(i) + 1) << model[i];
      }
      EXPECT_EQ(c.Find("missing"), nullptr);
      if (!ignoreCase && !model.empty()) {
        EXPECT_EQ(c.Find("K" + model[0].substr(1)), nullptr);
      }
    };
    for (int i = 0; i < 40; ++i) {
      const String key = "k" + std::to_string(i);
      if (i % 3 == 0) {
        c.Insert(1, key, i);
        model.insert(model.begin(), key);
      } else if (i % 3 == 1) {
        c.Add(key, i);
        model.push_back(key);
      } else {
        EXPECT_TRUE(c.TryAdd(key, i));
        model.push_back(key);
      }
      check();
      EXPECT_EQ(test::ErrorNumberOf([&] { c.Add(spelled(key), 0); }), rt::kKeyAlreadyPresent);
      EXPECT_FALSE(c.TryAdd(spelled(key), -1));  // the first item under the key stays
      EXPECT_EQ(*c.Find(key), i);
    }
    while (model.size() > 3) {
      c.Remove(spelled(model[model.size() / 2]));
      model.erase(model.begin() + static_cast<std::ptrdiff_t>(model.size() / 2));
      check();
    }
    c.Clear();
    model.clear();
    check();
    c.Add("again", 1);
    EXPECT_EQ(c.IndexOf(ignoreCase ? "AGAIN" : "again"), 1);
  }
}

}  // namespace
}  // namespace velko
