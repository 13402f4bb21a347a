#include "velko/service/data_item.hpp"

#include <algorithm>

#include "velko/core/error_module.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/core/log_section.hpp"
#include "velko/core/translation.hpp"
#include "velko/core/xml_walk.hpp"
#include "velko/frame/numeric.hpp"
#include "velko/frame/text.hpp"
#include "velko/outside/registry.hpp"
#include "velko/outside/value_formatter.hpp"
#include "velko/typelib/xml.hpp"

namespace velko {
namespace {

constexpr const char* kItemSource = "VelkoCore.CDataItem";
constexpr const char* kCollectionSource = "VelkoCore.CItemCollection";
constexpr ErrorPolicy kItemPolicy(kItemSource, {err::kDataItemWrongTag, err::kDataItemSave,
                                                err::kDataItemNoName});
constexpr ErrorPolicy kCollectionPolicy(kCollectionSource,
                                        {err::kItemNotFound, err::kItemNoName, err::kItemPresent,
                                         err::kDataItemSave},
                                        err::kItemPresent, err::kItemNotFound);
constexpr ErrorPolicy kLoadPolicy(kCollectionSource);
constexpr ErrorPolicy kRegDefaultsPolicy(kCollectionSource, {err::kRegistryKeyMissing});

// A registry value as a 32-bit number, or nullopt when it is missing or of another kind.
std::optional<Long> RegistryNumber(const Ref<IRegistryKey>& key, const char* name) {
  return QuietlyOr(std::optional<Long>(), [&]() -> std::optional<Long> {
    const Variant value = key->Value(Variant(name));
    if (value.GetType() != Variant::Type::kLong) return std::nullopt;
    return value.ToLong();
  });
}

// The value names of a registry key, read once, so that an optional value the key does not
// have is skipped rather than read, raised as missing and caught. Where the names cannot be read,
// every value is tried as before.
class ValueNames {
 public:
  explicit ValueNames(const Ref<IRegistryKey>& key)
      : folded_(QuietlyOr(std::optional<std::vector<String>>(), [&] {
          std::vector<String> names;
          const Long count = key->ValueCount();
          for (Long i = 1; i <= count; ++i)
            names.push_back(FoldCase(key->ValueName(i)));
          return std::optional<std::vector<String>>(std::move(names));
        })) {}

  // Whether reading the value `name` may find it (names compare as the registry compares them).
  bool MayHave(std::string_view name) const {
    return !folded_ || std::ranges::find(*folded_, FoldCase(name)) != folded_->end();
  }

 private:
  std::optional<std::vector<String>> folded_;
};

// A default item made from one registry sub-key, or none when it is hidden ("Visible" = 0).
Ref<IDataItem> ItemFromRegistry(const Ref<IRegistryKey>& key, const String& plugInId) {
  const ValueNames names(key);
  const auto number = [&](const char* name) {
    return names.MayHave(name) ? RegistryNumber(key, name) : std::nullopt;
  };
  auto item = MakeRef<CDataItem>();
  Quietly([&] { item->SetName(key->KeyName()); });
  if (names.MayHave("Caption")) {
    Quietly([&] {
      const String caption = key->Value(Variant("Caption")).ToString();
      item->SetCaption(caption.find("::") != String::npos ? TranslateText(plugInId, caption)
                                                          : caption);
    });
  }
  if (auto isKey = number("Key")) item->SetIsKey(*isKey != 0);
  if (auto required = number("Required")) item->SetRequired(*required != 0);
  if (auto order = number("Ord")) {
    Quietly([&] { item->SetOrder(RoundToInteger(*order)); });
  }
  const bool hidden = names.MayHave("Visible") && QuietlyOr(false, [&] {
                        return key->Value(Variant("Visible")).ToDouble() == 0;
                      });
  return hidden ? Ref<IDataItem>() : Ref<IDataItem>(item);
}

}  // namespace

VELKO_PUBLIC_CLASS(CDataItem, Instancing::kCreatable, IDataItem);
VELKO_PUBLIC_CLASS(CItemCollection, Instancing::kCreatable, IItemCollection);

// --- CDataItem -----------------------------------------------------------------------------------

Ref<IDataItem> CDataItem::Clone() {
  return Guarded(kItemPolicy, [&] {
    auto copy = MakeRef<CDataItem>(*this);
    return Ref<IDataItem>(copy);
  });
}

void CDataItem::Load(const Ref<IXmlElement>& in) {
  Guarded(kItemPolicy, [&] {
    if (in->TagName() != "Item") RaiseError(err::kDataItemWrongTag, kItemSource, kLevelFatal);
    name_ = in->GetAttribute("Name");
    if (name_.empty()) RaiseError(err::kDataItemNoName, kItemSource, kLevelItem, {Variant("Name")});
    const String order = in->GetAttribute("Ord");
    if (!order.empty()) {
      Quietly([&] { order_ = Variant(order).ToInteger(); });  // not a number: the order stays
    }
    caption_ = in->GetAttribute("Caption");
    required_ = in->GetAttribute("Required") == "True";
    isKey_ = in->GetAttribute("Key") == "True";
    data_ = in->ElementText();
  });
}

Ref<IXmlElement> CDataItem::Save(const Ref<IXmlDocument>& owner) {
  return Guarded(kItemPolicy, [&] {
    if (name_.empty()) return Ref<IXmlElement>();
    Ref<IXmlElement> element = owner->CreateElement("Item");
    if (!element) RaiseError(err::kDataItemSave, kItemSource, kLevelSave);
    element->SetAttribute("Name", name_);
    if (order_ > 0) element->SetAttribute("Ord", FormatValue(Variant(order_)));
    if (!caption_.empty()) element->SetAttribute("Caption", caption_);
    if (required_) element->SetAttribute("Required", "True");
    if (isKey_) element->SetAttribute("Key", "True");
    if (!data_.empty()) element->SetElementText(data_);
    return element;
  });
}

// --- CItemCollection -----------------------------------------------------------------------------

Ref<IDataItem> CItemCollection::Item(Long index, const String& name) {
  return Guarded(kCollectionPolicy, [&] {
    if (items_.Empty()) return Ref<IDataItem>();
    if (index >= 1) return items_.Item(index);
    if (name.empty()) RaiseError(err::kItemNoName, kCollectionSource, kLevelFatal);
    return items_.Item(name);
  });
}

void CItemCollection::Add(const Ref<IDataItem>& item, const Ref<IDataItem>& before,
                          const Ref<IDataItem>& after) {
  Guarded(kCollectionPolicy, [&] {
    if (!item) return;
    const String name = item->Name();
    if (name.empty()) RaiseError(err::kItemNoName, kCollectionSource, kLevelItem);
    if (before) {
      const Long at = items_.IndexOf(before->Name());
      if (at == 0) RaiseError(err::kItemNotFound, kCollectionSource, kLevelItem);
      items_.Insert(at, name, item);
    } else if (after) {
      const Long at = items_.IndexOf(after->Name());
      if (at == 0) RaiseError(err::kItemNotFound, kCollectionSource, kLevelItem);
      items_.Insert(at + 1, name, item);
    } else {
      items_.Add(name, item);
    }
  });
}

void CItemCollection::Remove(const Ref<IDataItem>& item) {
  Guarded(kCollectionPolicy, [&] { items_.Remove(item->Name()); });
}

Ref<IItemCollection> CItemCollection::Clone() {
  return Guarded(kCollectionPolicy, [&] {
    auto copy = MakeRef<CItemCollection>();
    for (const Ref<IDataItem>& item : items_)
      copy->Add(item->Clone());
    return Ref<IItemCollection>(copy);
  });
}

void CItemCollection::Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) {
  ScopedLogSection section(log, String(), String());
  Guarded(kLoadPolicy, [&] {
    items_.Clear();
    ForEachChildElement(in, [&](const Ref<IXmlElement>& child) {
      if (child->TagName() != "Item") return;
      auto item = MakeRef<CDataItem>();
      try {
        item->Load(child);
      } catch (const Error& e) {
        if (e.Number() != err::kDataItemNoName) throw;
        section.LogError(err::kDataItemNoName, kLevelData,
                         "5060::A data item cannot be loaded due to empty Name attribute.");
        return;
      }
      items_.Add(item->Name(), item);
    });
  });
}

Ref<IXmlElement> CItemCollection::Save(const Ref<IXmlDocument>& owner) {
  return Guarded(kCollectionPolicy, [&] {
    if (items_.Empty()) return Ref<IXmlElement>();
    Ref<IXmlElement> element = owner->CreateElement("ItemCollection");
    if (!element) RaiseError(err::kDataItemSave, kCollectionSource, kLevelSave);
    for (const Ref<IDataItem>& item : items_)
      AppendIfSome(element, item->Save(owner));
    return element;
  });
}

void CItemCollection::Place(const Ref<IDataItem>& item) {
  const Integer order = item->Order();
  if (!items_.Empty() && order > 0) {
    for (Long p = 1; p <= items_.Count(); ++p) {
      const Integer other = items_.Item(p)->Order();
      if (other == 0 || other > order) {
        items_.Insert(p, item->Name(), item);
        return;
      }
    }
  }
  items_.Add(item->Name(), item);
}

void CItemCollection::LoadRegDefaults(const String& plugInId, Long hive, const String& keyPath) {
  Guarded(kRegDefaultsPolicy, [&] {
    Ref<IRegistryKey> key = CreateRegistryKey();
    key->OpenKey(hive, keyPath);
    items_.Clear();
    const Long count = key->SubKeyCount();
    for (Long i = 1; i <= count; ++i) {
      Quietly([&] {
        const Ref<IDataItem> item = ItemFromRegistry(key->SubKey(i), plugInId);
        if (item && !item->Name().empty()) Place(item);
      });
    }
  });
}

Ref<IEnumVariant> CItemCollection::NewEnum() {
  VariantArray items;
  for (const Ref<IDataItem>& item : items_)
    items.emplace_back(item);
  return MakeEnumerator(std::move(items));
}

}  // namespace velko
