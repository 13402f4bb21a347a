#include "velko/frame/class_table.hpp"

#include "velko/frame/text.hpp"

namespace velko {
namespace {
constexpr Guid kIUnknownIid = MakeGuid("{00000000-0000-0000-C000-000000000046}");
constexpr Guid kIDispatchIid = MakeGuid("{00020400-0000-0000-C000-000000000046}");
}  // namespace

bool ClassInfo::Answers(const Guid& iid) const {
  if (iid == kIUnknownIid || iid == kIDispatchIid) return true;
  for (const auto& i : interfaces) {
    if (i.iid == iid) return true;
  }
  return false;
}

void ClassTable::Add(ClassInfo info) {
  classes_.push_back(std::move(info));
}

const ClassInfo* ClassTable::FindByName(std::string_view className) const {
  for (const auto& c : classes_) {
    if (EqualsIgnoreCase(c.name, className)) return &c;
  }
  return nullptr;
}

const ClassInfo* ClassTable::FindByClsid(const Guid& clsid) const {
  for (const auto& c : classes_) {
    if (c.clsid == clsid) return &c;
  }
  return nullptr;
}

}  // namespace velko
