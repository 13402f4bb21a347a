#include "velko/limits/standard.hpp"

#include <algorithm>

#include "velko/core/error_module.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/core/log_section.hpp"
#include "velko/core/xml_walk.hpp"
#include "velko/limits/limit.hpp"

namespace velko {

VELKO_PUBLIC_CLASS(CStandard, velko::Instancing::kCreatable, IStandard);

namespace {

constexpr const char* kSource = "VelkoCore.CStandard";
constexpr ErrorPolicy kCentral{kSource};
constexpr ErrorPolicy kLoadPolicy{kSource, {err::kStandardWrongTag, err::kStandardNoName}};
constexpr ErrorPolicy kSavePolicy{kSource, {err::kStandardSave, err::kLimitSave}};

constexpr const char* kNoNameWarning =
    "5066::A standard could not be loaded because a required name atribute was missing.";

// A limit collection of the library's own kind holding the items of any ILimitColl.
Ref<CLimitColl> OwnCollection(const Ref<ILimitColl>& limits) {
  if (!limits) return nullptr;
  if (auto own = QueryInterface<CLimitColl>(limits)) return own;
  auto copy = CreateLimitColl();
  for (Long i = 1; i <= limits->Count(); ++i)
    copy->Add(limits->Item(i));
  return copy;
}

}  // namespace

String CStandard::AlphaName() {
  return alphaName_;
}
String CStandard::CompleteName() {
  return completeName_;
}
Long CStandard::StandardType() {
  return standardType_;
}
Ref<ILimitColl> CStandard::Limits() {
  return limits_;
}

void CStandard::UpdateLimitReferences(const Ref<ITestElement>& element) {
  const Ref<CLimitColl> limits = limits_;  // held: an update may change the standard
  if (!limits) return;
  const std::size_t count = limits->Entries().size();
  for (std::size_t i = 0; i < count && i < limits->Entries().size(); ++i) {
    const CLimitColl::Entry& entry = limits->Entries()[i];
    if (entry.own != nullptr && !entry.own->ResolvesReference()) continue;
    const Ref<ILimit> limit = entry.limit;
    Quietly([&] { limit->UpdateReference(element); });
  }
}

void CStandard::Initialize(const String& alphaName, const String& completeName, Long type) {
  alphaName_ = alphaName;
  completeName_ = completeName;
  standardType_ = type;
}

CLimitColl& CStandard::EnsureLimits() {
  if (!limits_) limits_ = CreateLimitColl();
  return *limits_;
}

void CStandard::AddLimit(const Ref<ILimit>& limit) {
  if (!limit) return;
  Quietly([&] { EnsureLimits().Add(limit); });
}

void CStandard::AddLimit2(const Ref<ILimit>& limit, Long before, Long after) {
  if (!limit) return;
  Quietly([&] { EnsureLimits().InsertLimit(limit, before, after); });
}

void CStandard::MoveLimit(const String& key, Long before, Long after) {
  if (!limits_) return;
  Quietly([&] {
    const Long count = limits_->Count();
    for (Long position = 1; position <= count; ++position) {
      const Ref<ILimit> limit = limits_->Item(position);
      if (!limit || limit->Key() != key) continue;
      limits_->Remove(position);
      try {
        limits_->InsertLimit(limit, before, after);
      } catch (...) {
        // No such place: the limit goes back where it was rather than being lost.
        if (position <= limits_->Count()) {
          limits_->InsertLimit(limit, position, 0);
        } else {
          limits_->Add(limit);
        }
        return;
      }
    }
  });
}

Long CStandard::TestLimits(const String& key, Single measured, const Variant& reference) {
  Long verdict = kStatusNotApplicable;
  if (!limits_) return verdict;
  Quietly([&] {
    // Held from the first limit whose judging may run plug-in code, which could change this
    // standard; until then nothing but the library runs and the collection stays as it is.
    Ref<CLimitColl> held;
    const auto& entries = limits_->Entries();
    const std::size_t count = entries.size();
    std::size_t end = count;  // shrinks when plug-in code removed limits
    for (std::size_t i = 0; i < end; ++i) {
      // The library's own limits are matched in place; only a match is judged.
      CLimit* const own = entries[i].own;
      if (own != nullptr && !own->HasKey(key)) continue;
      Long result = kStatusNotApplicable;
      if (own != nullptr && own->JudgesInPlace()) {
        result = own->CLimit::TestValue(measured, reference);
      } else {
        if (!held) held = limits_;
        const Ref<ILimit> limit = entries[i].limit;
        const bool matches =
            limit && (own != nullptr || QuietlyOr(String(), [&] { return limit->Key(); }) == key);
        if (matches) {
          result = QuietlyOr<Long>(kStatusNotApplicable,
                                   [&] { return limit->TestValue(measured, reference); });
        }
        end = std::min(count, entries.size());
        if (!matches) continue;
      }
      if (result == kStatusFailed) {
        verdict = kStatusFailed;
        return;
      }
      verdict = kStatusPassed;  // no verdict from one limit counts as passed
    }
  });
  return verdict;
}

void CStandard::CopyFrom(const Ref<IStandard>& source) {
  alphaName_ = source->AlphaName();
  completeName_ = source->CompleteName();
  standardType_ = source->StandardType();
  const Ref<ILimitColl> limits = source->Limits();
  limits_ = limits ? OwnCollection(limits->Clone()) : nullptr;
}

Ref<IStandard> CStandard::Clone() {
  return Guarded(kCentral, [&] {
    auto copy = MakeRef<CStandard>();
    copy->CopyFrom(RefToSelf<IStandard>(this));
    return Ref<IStandard>(copy);
  });
}

void CStandard::Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) {
  Guarded(kLoadPolicy, [&] {
    ScopedLogSection section(log, String(), String());
    if (!HasTagName(in, "Standard")) RaiseError(err::kStandardWrongTag, kSource, kLevelItem);
    String storage;
    alphaName_ = String(AttributeView(in, "AlphaName", storage));
    completeName_ = String(AttributeView(in, "CompleteName", storage));
    standardType_ = AttributeView(in, "Type", storage) == "Predefined" ? kStandardPredefined
                                                                       : kStandardUserDefined;
    if (alphaName_.empty() && completeName_.empty()) {
      section.LogError(err::kStandardNoName, kLevelData, kNoNameWarning);
      section.Close();
      RaiseError(err::kStandardNoName, kSource, kLevelData);
    }
    LoadLimits(in, log);
  });
}

void CStandard::LoadLimits(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) {
  auto limits = CreateLimitColl();
  ForEachChildElement(in, [&](const Ref<IXmlElement>& child) {
    if (!HasTagName(child, "Limit")) return;
    auto limit = MakeRef<CLimit>();
    try {
      limit->Load(child, log);
    } catch (const Error& e) {
      if (e.Number() == err::kLimitLoad) return;  // that limit is dropped, the others load
      throw;
    }
    limits->Add(limit);
  });
  limits_ = limits->Count() > 0 ? limits : nullptr;
}

Ref<IXmlElement> CStandard::Save(const Ref<IXmlDocument>& owner) {
  return Guarded(kSavePolicy, [&] {
    const Ref<IXmlElement> standard = owner->CreateElement("Standard");
    if (!standard) RaiseError(err::kStandardSave, kSource, kLevelSave);
    standard->SetAttribute("AlphaName", alphaName_);
    standard->SetAttribute("CompleteName", completeName_);
    if (standardType_ == kStandardPredefined) standard->SetAttribute("Type", "Predefined");
    if (limits_) {
      const Long count = limits_->Count();
      for (Long position = 1; position <= count; ++position) {
        const Ref<ILimit> limit = limits_->Item(position);
        if (!limit) continue;
        if (const Ref<IXmlElement> element = limit->Save(owner)) standard->AppendChild(element);
      }
    }
    return standard;
  });
}

String CStandard::ReportText(const Ref<IReport>& report, const Variant& measurementInfo) {
  if (!report || !limits_ || limits_->Count() == 0) return {};
  return QuietlyOr(String(), [&] {
    String heading = alphaName_ + " - " + completeName_;
    Quietly([&] { heading = report->ReplaceChars(heading, "|;{}", " ,()"); });
    String text = "|{\\i " + ("      " + heading) + "};";
    const Ref<IStandard> self = RefToSelf<IStandard>(this);
    const Long count = limits_->Count();
    for (Long position = 1; position <= count; ++position) {
      const Ref<ILimit> limit = limits_->Item(position);
      if (auto own = QueryInterface<CLimit>(limit)) {
        text += own->ReportRow(report, measurementInfo, self);
      }
    }
    return text;
  });
}

}  // namespace velko
