#include "velko/core/error_module.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/core/log_section.hpp"
#include "velko/frame/numeric.hpp"
#include "velko/limits/limit_coll.hpp"
#include "velko/outside/value_formatter.hpp"
#include "velko/outside/xml.hpp"

namespace velko {
namespace {

constexpr const char* kSource = "VelkoCore.CLimitReference";
constexpr ErrorPolicy kCentral{kSource};
constexpr ErrorPolicy kLoadPolicy{kSource, {err::kLimitLoad}};
constexpr ErrorPolicy kSavePolicy{kSource, {err::kLimitSave}};
constexpr ErrorPolicy kUpdatePolicy{kSource, {err::kReferenceUnresolved}};
constexpr ErrorPolicy kRetrievePolicy{
    kSource, {err::kReferenceUnresolved, err::kReferenceValueType, err::kReferenceNoValue}};

// A parent chain longer than this is taken for a loop: the walk ends unresolved.
constexpr int kMaxAncestors = 100000;

[[noreturn]] void RaiseReference(Long number) {
  RaiseError(number, kSource, kLevelItem);
}

Ref<ITestElement> FindInAncestors(const Ref<ITestElement>& element, Long id) {
  Ref<ITestElement> current = element;
  for (int depth = 0; depth < kMaxAncestors; ++depth) {
    Ref<ITestElement> parent = current->Parent();
    if (!parent) return nullptr;
    if (const auto container = QueryInterface<ITestContainer>(parent)) {
      if (auto found = container->FindElement(id)) return found;
    }
    current = std::move(parent);
  }
  return nullptr;
}

}  // namespace

Ref<CLimitReference> CreateLimitReference() {
  return MakeRef<CLimitReference>();
}

Long CLimitReference::TestID() {
  return testId_;
}
void CLimitReference::SetTestID(Long id) {
  testId_ = id;
}
String CLimitReference::MeasKey() {
  return measKey_;
}
void CLimitReference::SetMeasKey(const String& key) {
  measKey_ = key;
}
Long CLimitReference::ValType() {
  return kValueNone;
}
void CLimitReference::SetValType(Long /*type*/) {}
Ref<ITestElement> CLimitReference::Test() {
  return test_;
}

Ref<ILimitReference> CLimitReference::Clone() {
  return Guarded(kCentral, [&] {
    auto copy = CreateLimitReference();
    copy->testId_ = testId_;
    copy->measKey_ = measKey_;
    return Ref<ILimitReference>(copy);
  });
}

void CLimitReference::UpdateReference(const Ref<ITestElement>& element) {
  Guarded(kUpdatePolicy, [&] {
    test_ = nullptr;
    if (testId_ == 0) RaiseReference(err::kReferenceUnresolved);
    Ref<ITestElement> found;
    try {
      found = FindInAncestors(element, testId_);
    } catch (...) {  // any failure during the walk means: not resolved
    }
    if (!found) RaiseReference(err::kReferenceUnresolved);
    test_ = found;
  });
}

Single CLimitReference::RetrieveValue() {
  return Guarded(kRetrievePolicy, [&] {
    if (!test_) RaiseReference(err::kReferenceUnresolved);
    const Ref<IResult> result = test_->Result();
    if (!result) RaiseReference(err::kReferenceNoValue);
    const Long status = result->Status();
    if (status != kStatusPassed && status != kStatusFailed) RaiseReference(err::kReferenceNoValue);
    const Ref<IMeasurement> measurement = result->Measurement(measKey_);
    if (!measurement) RaiseReference(err::kReferenceNoValue);
    const Long type = measurement->ValueType();
    if (type != kValueFloat && type != kValueInteger) RaiseReference(err::kReferenceValueType);
    return measurement->Value().ToSingle();
  });
}

void CLimitReference::Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) {
  Guarded(kLoadPolicy, [&] {
    ScopedLogSection section(log, String(), String());
    if (!HasTagName(in, "Reference")) RaiseError(err::kLimitLoad, kSource, kLevelItem);
    testId_ = 0;
    measKey_.clear();
    String storage;
    const std::string_view id = AttributeView(in, "ElementID", storage);
    if (!id.empty()) testId_ = ParseLong(id);
    measKey_ = String(AttributeView(in, "Key", storage));
  });
}

Ref<IXmlElement> CLimitReference::Save(const Ref<IXmlDocument>& owner) {
  return Guarded(kSavePolicy, [&] {
    const Ref<IXmlElement> reference = owner->CreateElement("Reference");
    if (!reference) RaiseError(err::kLimitSave, kSource, kLevelSave);
    reference->SetAttribute("ElementID", FormatValue(Variant(testId_)));
    reference->SetAttribute("Key", measKey_);
    return reference;
  });
}

}  // namespace velko
