// Variant: the automation value type with the automation runtime's conversions.
#pragma once

#include <initializer_list>
#include <memory>
#include <variant>
#include <vector>

#include "velko/frame/date.hpp"
#include "velko/frame/types.hpp"
#include "velko/frame/unknown.hpp"

namespace velko {

class Variant;
// Arrays are 0-based; a two-dimensional array is an array of row arrays.
using VariantArray = std::vector<Variant>;

class Variant {
 public:
  enum class Type { kEmpty, kNull, kMissing, kBoolean, kInteger, kLong, kSingle, kDouble, kDate,
                    kString, kObject, kArray };

  Variant() = default;
  Variant(bool v) : value_(v) {}                   // NOLINT(google-explicit-constructor)
  Variant(Integer v) : value_(v) {}                // NOLINT
  Variant(Long v) : value_(v) {}                   // NOLINT
  Variant(Single v) : value_(v) {}                 // NOLINT
  Variant(Double v) : value_(v) {}                 // NOLINT
  Variant(Date v) : value_(v) {}                   // NOLINT
  Variant(String v) : value_(std::move(v)) {}      // NOLINT
  Variant(const char* v) : value_(String(v)) {}    // NOLINT
  Variant(VariantArray v) : value_(ArrayBox(std::move(v))) {}  // NOLINT
  template <class T>
  Variant(const Ref<T>& object) : value_(Ref<IUnknown>(object)) {}  // NOLINT

  static Variant Null();
  static Variant Missing();
  static Variant Array(std::initializer_list<Variant> items) { return VariantArray(items); }

  Type GetType() const;
  bool IsEmpty() const { return GetType() == Type::kEmpty; }
  bool IsNull() const { return GetType() == Type::kNull; }
  bool IsMissing() const { return GetType() == Type::kMissing; }
  bool IsObject() const { return GetType() == Type::kObject; }
  bool IsArray() const { return GetType() == Type::kArray; }
  bool IsString() const { return GetType() == Type::kString; }
  bool IsNumeric() const;  // Boolean, Integer, Long, Single, Double, Date

  // Conversions as the runtime does them: numbers to Long and Integer with halves to the even
  // neighbour, overflow raises 6, an unconvertible value 13, Null 94.
  Boolean ToBoolean() const;
  Integer ToInteger() const;
  Long ToLong() const;
  Single ToSingle() const;
  Double ToDouble() const;
  velko::Date ToDate() const;
  String ToString() const;
  // The object held (none for Empty, Null and Missing); other values raise 13.
  Ref<IUnknown> ToObject() const;
  template <class T>
  Ref<T> ToObjectAs() const {
    return QueryInterface<T>(ToObject());
  }

  // The elements of an array; raises 13 for other values.
  const VariantArray& Elements() const;
  VariantArray& Elements();
  // Upper bound of an array (-1 when empty); -1 for values that are not arrays.
  Long UBound() const;

 private:
  struct MissingTag {
    friend bool operator==(MissingTag, MissingTag) = default;
  };
  struct NullTag {
    friend bool operator==(NullTag, NullTag) = default;
  };
  // Arrays are values: copying a Variant copies its array.
  class ArrayBox {
   public:
    explicit ArrayBox(VariantArray items) : items_(std::make_unique<VariantArray>(std::move(items))) {}
    ArrayBox(const ArrayBox& other) : items_(std::make_unique<VariantArray>(*other.items_)) {}
    ArrayBox(ArrayBox&&) noexcept = default;
    ArrayBox& operator=(const ArrayBox& other) {
      items_ = std::make_unique<VariantArray>(*other.items_);
      return *this;
    }
    ArrayBox& operator=(ArrayBox&&) noexcept = default;
    VariantArray& items() const { return *items_; }

   private:
    std::unique_ptr<VariantArray> items_;
  };

  using Storage = std::variant<std::monostate, NullTag, MissingTag, bool, Integer, Long, Single,
                               Double, velko::Date, String, Ref<IUnknown>, ArrayBox>;
  Storage value_;
};

}  // namespace velko
