#include "velko/frame/enumerator.hpp"

namespace velko {
namespace {

class SnapshotEnumerator final : public IEnumVariant {
 public:
  explicit SnapshotEnumerator(std::shared_ptr<const VariantArray> items, std::size_t pos = 0)
      : items_(std::move(items)), pos_(pos) {}

  bool Next(Variant& item) override {
    if (pos_ >= items_->size()) return false;
    item = (*items_)[pos_++];
    return true;
  }
  void Skip(Long count) override {
    if (count > 0) pos_ = std::min(items_->size(), pos_ + static_cast<std::size_t>(count));
  }
  void Reset() override { pos_ = 0; }
  Ref<IEnumVariant> Clone() override { return MakeRef<SnapshotEnumerator>(items_, pos_); }

 private:
  std::shared_ptr<const VariantArray> items_;
  std::size_t pos_;
};

}  // namespace

Ref<IEnumVariant> MakeEnumerator(VariantArray items) {
  return MakeRef<SnapshotEnumerator>(std::make_shared<const VariantArray>(std::move(items)));
}

}  // namespace velko
