#include "velko/setup/dut_info.hpp"

#include "velko/core/error_module.hpp"
#include "velko/core/log_section.hpp"
#include "velko/outside/registry.hpp"
#include "velko/service/data_item.hpp"

namespace velko {
namespace {

constexpr ErrorPolicy kLoadPolicy("VelkoCore.CDutInfo");

// Every member goes to the inner item collection; loading adds its own log section.
class CDutInfo final : public IItemCollection {
 public:
  CDutInfo() {
    Quietly([&] {
      inner_->LoadRegDefaults(
          String(), kHKeyLocalMachine,
          RegistryPaths()->KeyPath(kRegPathProduct) + "\\Test record\\DUT Info");
    });
  }

  Long Count() override { return inner_->Count(); }
  Ref<IDataItem> Item(Long index, const String& name) override { return inner_->Item(index, name); }
  void Add(const Ref<IDataItem>& item, const Ref<IDataItem>& before,
           const Ref<IDataItem>& after) override {
    inner_->Add(item, before, after);
  }
  void Remove(const Ref<IDataItem>& item) override { inner_->Remove(item); }
  Ref<IItemCollection> Clone() override { return inner_->Clone(); }
  void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) override {
    ScopedLogSection section(log, String(), "E5070::Loading DUT info");
    Guarded(kLoadPolicy, [&] { inner_->Load(in, log); });
  }
  Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) override { return inner_->Save(owner); }
  void LoadRegDefaults(const String& plugInId, Long hive, const String& keyPath) override {
    inner_->LoadRegDefaults(plugInId, hive, keyPath);
  }
  Ref<IEnumVariant> NewEnum() override { return inner_->NewEnum(); }

 private:
  Ref<IItemCollection> inner_ = MakeRef<CItemCollection>();
};

}  // namespace

Ref<IItemCollection> CreateDutInfo() {
  return MakeRef<CDutInfo>();
}

}  // namespace velko
