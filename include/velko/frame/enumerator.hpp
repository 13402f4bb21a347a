// Enumerators (NewEnum) and the range-for support of the library's collections.
#pragma once

#include "velko/frame/variant.hpp"

namespace velko {

// IEnumVARIANT: walks the items of a collection as Variants.
class IEnumVariant : public virtual IUnknown {
 public:
  // The next item into `item`; false (and `item` unchanged) at the end.
  virtual bool Next(Variant& item) = 0;
  virtual void Skip(Long count) = 0;
  virtual void Reset() = 0;
  virtual Ref<IEnumVariant> Clone() = 0;
};

// An enumerator over a snapshot of items taken when it is made: changing the collection while it
// is being enumerated never invalidates the walk.
Ref<IEnumVariant> MakeEnumerator(VariantArray items);

// Range-for over an enumerator, yielding every item as interface T (items that are not T are
// yielded as none).
template <class T>
class EnumRange {
 public:
  explicit EnumRange(Ref<IEnumVariant> e) : enum_(std::move(e)) {}
  class iterator {
   public:
    iterator() = default;
    explicit iterator(IEnumVariant* e) : enum_(e) { ++*this; }
    Ref<T> operator*() const { return current_.template ToObjectAs<T>(); }
    iterator& operator++() {
      if (enum_ && !enum_->Next(current_)) enum_ = nullptr;
      return *this;
    }
    bool operator==(const iterator& other) const { return enum_ == other.enum_; }

   private:
    IEnumVariant* enum_ = nullptr;
    Variant current_;
  };
  iterator begin() const { return enum_ ? iterator(enum_.get()) : iterator(); }
  iterator end() const { return iterator(); }

 private:
  Ref<IEnumVariant> enum_;
};

}  // namespace velko
