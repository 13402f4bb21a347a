#include "velko/limits/standard_coll.hpp"

#include <algorithm>
#include <typeinfo>

#include "velko/core/error_module.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/core/log_section.hpp"
#include "velko/core/xml_walk.hpp"
#include "velko/frame/text.hpp"
#include "velko/limits/standard.hpp"

namespace velko {

VELKO_PUBLIC_CLASS(CStandardColl, velko::Instancing::kCreatable, IStandardColl, IStandardColl2);

namespace {

constexpr const char* kSource = "VelkoCore.CStandardColl";
constexpr ErrorPolicy kCentral{kSource};
constexpr ErrorPolicy kAddPolicy{kSource, {}, err::kStandardPresent};
constexpr ErrorPolicy kRemovePolicy{kSource, {}, 0, err::kStandardNotFound};
constexpr ErrorPolicy kSavePolicy{kSource, {err::kStandardSave}};

constexpr const char* kDuplicateWarning =
    "5057::A standard occurred twice in this limit data. The second standard cannot be loaded.";

// Width of the fixed columns of the limits table: 560 + 2240 + 560.
constexpr Long kFixedColumns = 3360;

// The library's own standard behind `standard` (nearly always), or null for another class.
CStandard* OwnStandard(const Ref<IStandard>& standard) {
  IStandard* const p = standard.get();
  return p != nullptr && typeid(*p) == typeid(CStandard) ? static_cast<CStandard*>(p) : nullptr;
}

String KeyOfStandard(const Ref<IStandard>& standard) {
  // The library's own standard hands its names over without copies.
  if (const CStandard* own = OwnStandard(standard)) {
    return CStandardColl::KeyOf(own->AlphaNameView(), own->CompleteNameView());
  }
  return CStandardColl::KeyOf(standard->AlphaName(), standard->CompleteName());
}

}  // namespace

String CStandardColl::KeyOf(std::string_view alphaName, std::string_view completeName) {
  // Folded part by part, which is the folding of the whole: the separator is plain ASCII.
  String key;
  key.reserve(alphaName.size() + 2 + completeName.size());
  AppendFoldedCase(key, alphaName);
  key += "::";
  AppendFoldedCase(key, completeName);
  return key;
}

Ref<IStandard> CStandardColl::Find(const String& key) const {
  const Ref<IStandard>* found = standards_.Find(key);
  return found ? *found : nullptr;
}

void CStandardColl::Insert(KeyedCollection<Ref<IStandard>>& standards,
                           const Ref<IStandard>& standard) {
  standards.Add(KeyOfStandard(standard), standard);
}

// ---- list operations ------------------------------------------------------------------------

Long CStandardColl::Count() {
  return standards_.Count();
}

Ref<IStandard> CStandardColl::Item(Long position, const String& alphaName,
                                   const String& completeName) {
  return QuietlyOr(Ref<IStandard>(), [&]() -> Ref<IStandard> {
    if (position >= 1) {
      if (position > Count()) return nullptr;
      return standards_.Item(position);
    }
    return Find(KeyOf(alphaName, completeName));
  });
}

void CStandardColl::Add(const Ref<IStandard>& standard) {
  Guarded(kAddPolicy, [&] {
    if (standard) Insert(standards_, standard);
  });
}

void CStandardColl::Clear() {
  standards_.Clear();
}

void CStandardColl::Remove(const String& alphaName, const String& completeName) {
  Guarded(kRemovePolicy, [&] { standards_.Remove(KeyOf(alphaName, completeName)); });
}

Ref<IEnumVariant> CStandardColl::NewEnum() {
  return QuietlyOr(Ref<IEnumVariant>(), [&] {
    VariantArray items;
    items.reserve(static_cast<std::size_t>(standards_.Count()));
    for (const Ref<IStandard>& standard : standards_)
      items.emplace_back(standard);
    return MakeEnumerator(std::move(items));
  });
}

Ref<IStandardColl> CStandardColl::Clone() {
  return Guarded(kCentral, [&] {
    auto copy = MakeRef<CStandardColl>();
    for (const Ref<IStandard>& standard : standards_) {
      if (auto cloned = standard->Clone()) Insert(copy->standards_, cloned);
    }
    return Ref<IStandardColl>(copy);
  });
}

// ---- selection and judging ------------------------------------------------------------------

std::vector<Ref<IStandard>> CStandardColl::Matching(const Ref<IStandardColl>& selection) const {
  std::vector<Ref<IStandard>> matches;
  const Long count = QuietlyOr<Long>(0, [&] { return selection->Count(); });
  for (Long i = 1; i <= count; ++i) {
    Quietly([&] {
      const Ref<IStandard> wanted = selection->Item(i);
      if (!wanted) return;
      if (auto own = Find(KeyOfStandard(wanted))) matches.push_back(own);
    });
  }
  return matches;
}

Ref<IStandardColl> CStandardColl::Select(const Ref<IStandardColl>& selection) {
  return QuietlyOr(Ref<IStandardColl>(), [&]() -> Ref<IStandardColl> {
    if (!selection || standards_.Empty() || selection->Count() == 0) return nullptr;
    auto result = MakeRef<CStandardColl>();
    for (const auto& standard : Matching(selection)) {
      Quietly([&] { Insert(result->standards_, standard); });
    }
    return result;
  });
}

Ref<IStandardColl> CStandardColl::FindFailedStandards(const Ref<IMeasurement>& measurement,
                                                      const Ref<IStandardColl>& selection) {
  return QuietlyOr(Ref<IStandardColl>(), [&]() -> Ref<IStandardColl> {
    if (!measurement || standards_.Empty() || !selection) return nullptr;
    const auto judging = QueryInterface<IStandardMeasurement>(measurement);
    auto failed = MakeRef<CStandardColl>();
    for (const auto& standard : Matching(selection)) {
      const Long verdict = QuietlyOr<Long>(kStatusNotApplicable, [&] {
        if (judging) return judging->StandardStatus(standard);
        return standard->TestLimits(measurement->Key(), measurement->Value().ToSingle(),
                                    measurement->PresetValue());
      });
      if (verdict == kStatusFailed) Quietly([&] { Insert(failed->standards_, standard); });
    }
    if (failed->standards_.Empty()) return nullptr;
    return failed;
  });
}

void CStandardColl::UpdateReferences(const Ref<ITestElement>& element) {
  for (const Ref<IStandard>& standard : standards_) {
    Quietly([&] {
      if (CStandard* own = OwnStandard(standard)) return own->UpdateLimitReferences(element);
      const Ref<ILimitColl> limits = standard->Limits();
      if (!limits) return;
      const Long count = limits->Count();
      for (Long i = 1; i <= count; ++i) {
        Quietly([&] { limits->Item(i)->UpdateReference(element); });
      }
    });
  }
}

// ---- XML ------------------------------------------------------------------------------------

void CStandardColl::Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) {
  Guarded(kCentral, [&] {
    ScopedLogSection section(log, String(), String());
    // Loaded aside and taken over only when the whole load succeeds: a failing file loses
    // nothing of what the collection held.
    KeyedCollection<Ref<IStandard>> loaded(KeyCase::kSensitive);
    ForEachChildElement(in, [&](const Ref<IXmlElement>& child) {
      if (!HasTagName(child, "Standard")) return;
      auto standard = MakeRef<CStandard>();
      try {
        standard->Load(child, log);
      } catch (const Error& e) {
        if (e.Number() == err::kStandardWrongTag) return;
        throw;
      }
      if (!loaded.TryAdd(KeyOfStandard(standard), standard)) {
        section.LogError(err::kStandardPresent, kLevelData, kDuplicateWarning);
      }
    });
    standards_ = std::move(loaded);
  });
}

Ref<IXmlElement> CStandardColl::Save(const Ref<IXmlDocument>& owner) {
  return Guarded(kSavePolicy, [&]() -> Ref<IXmlElement> {
    if (standards_.Empty()) return nullptr;
    const Ref<IXmlElement> standards = owner->CreateElement("Standards");
    if (!standards) RaiseError(err::kStandardSave, kSource, kLevelSave);
    for (const Ref<IStandard>& standard : standards_) {
      if (const Ref<IXmlElement> element = standard->Save(owner)) standards->AppendChild(element);
    }
    return standards;
  });
}

// ---- report ---------------------------------------------------------------------------------

std::pair<String, String> CStandardColl::TableHeader(const Ref<IReport>& report) {
  const Variant noParams{VariantArray{}};
  String heading;
  for (const char* key : {"320::Limits:", "321::High value", "322::Low value", "234::Unit"}) {
    heading += "|{\\i\\b " + report->Translate(String(), key, noParams) + "}";
  }
  heading += ";";
  const String c = std::to_string((report->PageWidth(10) - kFixedColumns) / 4);
  const String format = "<560|<+2240|>+" + c + "|>+" + c + "|^+" + c + "|<!" + c + "|<+560;";
  return {format, heading};
}

String CStandardColl::TableBody(const Ref<IReport>& report, const Ref<IStandardColl>& selection,
                                const Variant& measurementInfo) {
  std::vector<Ref<IStandard>> standards;
  const bool all = !selection || QuietlyOr<Long>(0, [&] { return selection->Count(); }) == 0;
  if (all) {
    for (const Ref<IStandard>& standard : standards_)
      standards.push_back(standard);
  } else {
    standards = Matching(selection);
  }
  String body;
  for (const auto& standard : standards) {
    if (auto own = QueryInterface<CStandard>(standard)) {
      body += own->ReportText(report, measurementInfo);
    }
  }
  return body;
}

void CStandardColl::PrintReport(const Ref<IReport>& report, const Ref<IStandardColl>& selection,
                                const Variant& measurementInfo) {
  if (!report || standards_.Empty()) return;
  Quietly([&] {
    const String body = TableBody(report, selection, measurementInfo);
    if (body.empty()) return;
    const auto [format, heading] = TableHeader(report);
    report->SetStyle(10);
    report->SetTableStyle(0);
    report->SetTableMode(1);
    report->PrintTable(format, heading, body, 0, 0, 0);
  });
}

}  // namespace velko
