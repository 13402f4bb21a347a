#include "velko/limits/limit_coll.hpp"

#include <typeinfo>

#include "velko/core/error_module.hpp"
#include "velko/limits/limit.hpp"

namespace velko {
namespace {

constexpr ErrorPolicy kCentral{"VelkoCore.CLimitColl"};
constexpr std::size_t kFirstCapacity = 4;

// The library's own limit behind `limit`, when it is exactly a CLimit (a derived class may
// answer differently). The exact type is asked first: no cross-cast for any limit.
CLimit* OwnLimit(const Ref<ILimit>& limit) {
  ILimit* const p = limit.get();
  return p != nullptr && typeid(*p) == typeid(CLimit) ? static_cast<CLimit*>(p) : nullptr;
}

}  // namespace

Ref<CLimitColl> CreateLimitColl() {
  return MakeRef<CLimitColl>();
}

Long CLimitColl::Count() {
  return static_cast<Long>(limits_.size());
}

Ref<ILimit> CLimitColl::Item(Long index) {
  if (index < 1 || index > Count()) return nullptr;
  return limits_[static_cast<std::size_t>(index - 1)].limit;
}

void CLimitColl::Add(const Ref<ILimit>& limit) {
  InsertLimit(limit, 0, 0);
}

void CLimitColl::Clear() {
  limits_.clear();
}

void CLimitColl::Remove(Long index) {
  if (index < 1 || index > Count()) return;
  limits_.erase(limits_.begin() + (index - 1));
}

Ref<IEnumVariant> CLimitColl::NewEnum() {
  return QuietlyOr(Ref<IEnumVariant>(), [&] {
    VariantArray items;
    items.reserve(limits_.size());
    for (const Entry& entry : limits_)
      items.emplace_back(entry.limit);
    return MakeEnumerator(std::move(items));
  });
}

void CLimitColl::InsertLimit(const Ref<ILimit>& limit, Long before, Long after) {
  Guarded(kCentral, [&] {
    if (!limit) return;           // a none entry would only trip every later walk over the limits
    Long position = Count() + 1;  // 1-based position the limit will take
    if (before >= 1) {
      if (before > Count()) RaiseRuntimeError(rt::kSubscriptOutOfRange);
      position = before;
    } else if (after >= 1) {
      if (after > Count()) RaiseRuntimeError(rt::kSubscriptOutOfRange);
      position = after + 1;
    }
    // A standard holds a handful of limits: room for four at once instead of growing 1, 2, 4.
    if (limits_.capacity() == 0) limits_.reserve(kFirstCapacity);
    limits_.insert(limits_.begin() + (position - 1), Entry{limit, OwnLimit(limit)});
  });
}

Ref<ILimitColl> CLimitColl::Clone() {
  return Guarded(kCentral, [&] {
    auto copy = CreateLimitColl();
    for (const Entry& entry : limits_) {
      if (auto cloned = entry.limit->Clone()) copy->limits_.push_back({cloned, OwnLimit(cloned)});
    }
    return Ref<ILimitColl>(copy);
  });
}

}  // namespace velko
