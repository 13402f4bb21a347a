// Named pieces of descriptive data (a field of the device-under-test information, a document
// link, an instrument's custom datum) and their ordered, name-keyed collection.
//
//   <ItemCollection>
//     <Item Name="Model" Ord="2" Caption="471::Model" Required="True" Key="True">X-200</Item>
//   </ItemCollection>
#pragma once

#include "velko/frame/class_table.hpp"
#include "velko/frame/keyed_collection.hpp"
#include "velko/typelib/service.hpp"

namespace velko {

// VelkoCore.CDataItem (creatable).
class CDataItem : public IDataItem {
 public:
  VELKO_CLASS_IDS("{2C8A4E61-9B3D-4F70-8E12-6A7B8C9D0E21}",
                  "{2C8A4E61-9B3D-4F70-8E12-6A7B8C9D0E22}");

  String Name() override { return name_; }
  void SetName(const String& name) override { name_ = name; }
  Integer Order() override { return order_; }
  void SetOrder(Integer order) override { order_ = order; }
  // The caption, or the name when the caption is empty.
  String Caption() override { return caption_.empty() ? name_ : caption_; }
  void SetCaption(const String& caption) override { caption_ = caption; }
  String Data() override { return data_; }
  void SetData(const String& data) override { data_ = data; }
  Boolean Required() override { return required_; }
  void SetRequired(Boolean required) override { required_ = required; }
  Boolean IsKey() override { return isKey_; }
  void SetIsKey(Boolean isKey) override { isKey_ = isKey; }
  Ref<IDataItem> Clone() override;
  // Reads an "Item" element (0x8004A6A6 for another tag, 0x8004A6A8 without "Name").
  void Load(const Ref<IXmlElement>& in) override;
  // An "Item" element; none without a name (0x8004A6A7 when the document gives no element).
  Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) override;

 private:
  String name_;
  Integer order_ = 0;
  String caption_;  // as stored (Caption() falls back to the name)
  String data_;
  Boolean required_ = false;
  Boolean isKey_ = false;
};

// VelkoCore.CItemCollection (creatable): data items in order under their names (compared without
// regard to case).
class CItemCollection : public IItemCollection {
 public:
  VELKO_CLASS_IDS("{2C8A4E61-9B3D-4F70-8E12-6A7B8C9D0E31}",
                  "{2C8A4E61-9B3D-4F70-8E12-6A7B8C9D0E32}");

  Long Count() override { return items_.Count(); }
  // None when the collection is empty; 0x8004A69D when there is no such item, 0x8004A69E for a
  // position below 1 with an empty name.
  Ref<IDataItem> Item(Long index, const String& name = String()) override;
  // Under the item's name, before `before` (found by name) when given, else after `after`, else
  // at the end. 0x8004A69E without a name, 0x8004A69F for a name present, 0x8004A69D for a
  // neighbour that is not there.
  void Add(const Ref<IDataItem>& item, const Ref<IDataItem>& before = nullptr,
           const Ref<IDataItem>& after = nullptr) override;
  void Remove(const Ref<IDataItem>& item) override;
  Ref<IItemCollection> Clone() override;
  // Replaces the content from the "Item" children (the element's own tag is not examined); an
  // item without a name is logged and skipped; a repeated name fails the whole load.
  void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) override;
  // An "ItemCollection" element; none when the collection is empty.
  Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) override;
  // Replaces the content with one default item per sub-key of the registry key: items with an
  // "Ord" first in ascending order, then the others in registry order.
  void LoadRegDefaults(const String& plugInId, Long hive, const String& keyPath) override;
  Ref<IEnumVariant> NewEnum() override;

 private:
  void Place(const Ref<IDataItem>& item);
  KeyedCollection<Ref<IDataItem>> items_;
};

}  // namespace velko
