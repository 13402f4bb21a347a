// The library's own limit collection and limit reference (internal classes, not registered).
// The classes are public here so that the library's own classes (standards, test elements) can
// use their extra operations; from outside they are reachable only through their interfaces.
#pragma once

#include <vector>

#include "velko/typelib/limits.hpp"
#include "velko/typelib/progress.hpp"
#include "velko/typelib/sequence.hpp"
#include "velko/typelib/xml.hpp"

namespace velko {

class CLimit;

// The ordered limits of one standard; positions are 1-based. None limits are never held.
class CLimitColl : public ILimitColl {
 public:
  Long Count() override;
  Ref<ILimit> Item(Long index) override;
  void Add(const Ref<ILimit>& limit) override;
  void Clear() override;
  Ref<ILimitColl> Clone() override;
  void Remove(Long index) override;
  Ref<IEnumVariant> NewEnum() override;

  // For the library's own classes: before >= 1 inserts before that position, otherwise
  // after >= 1 inserts after it, otherwise appends. A position outside 1..Count is an error
  // (wrapped as unexpected). The same limit may be held more than once.
  void InsertLimit(const Ref<ILimit>& limit, Long before, Long after);

  // For the library's own classes: the limits in order, each with the library's own CLimit
  // behind it when it is exactly one (null for limits of other classes), so that judging walks
  // reach keys and numbers without a virtual call or a copy.
  struct Entry {
    Ref<ILimit> limit;
    CLimit* own = nullptr;
  };
  const std::vector<Entry>& Entries() const { return limits_; }

 private:
  std::vector<Entry> limits_;
};

// Ties a relative limit to the measurement `MeasKey` of the element whose node ID is `TestID`.
class CLimitReference : public ILimitReference {
 public:
  Long TestID() override;
  void SetTestID(Long id) override;
  String MeasKey() override;
  void SetMeasKey(const String& key) override;
  Long ValType() override;  // always 0 (untyped); writes are ignored
  void SetValType(Long type) override;
  Ref<ITestElement> Test() override;
  Ref<ILimitReference> Clone() override;
  void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) override;
  Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) override;
  // The referenced measured value: 0x8004A4F9 unresolved, 0x8004A4FB no verdict or no such
  // measurement, 0x8004A4FA a measurement that is not a number.
  Single RetrieveValue() override;
  // Searches the ancestors of `element` (nearest first, each container's FindElement).
  void UpdateReference(const Ref<ITestElement>& element) override;

 private:
  String measKey_;
  Long testId_ = 0;
  Ref<ITestElement> test_;
};

// For the library's own classes.
Ref<CLimitColl> CreateLimitColl();
Ref<CLimitReference> CreateLimitReference();

}  // namespace velko
