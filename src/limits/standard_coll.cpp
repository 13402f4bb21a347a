#include "velko/limits/standard_coll.hpp"

#include <algorithm>

#include "velko/core/log_section.hpp"
#include "velko/core/xml_walk.hpp"
#include "velko/core/error_module.hpp"
#include "velko/core/error_numbers.hpp"
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

String KeyOfStandard(const Ref<IStandard>& standard) {
  return CStandardColl::KeyOf(standard->AlphaName(), standard->CompleteName());
}

}  // namespace

String CStandardColl::KeyOf(const String& alphaName, const String& completeName) {
  return FoldCase(alphaName + "::" + completeName);
}

Ref<IStandard> CStandardColl::Find(const String& key) const {
  const auto it =
      std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.key == key; });
  return it == entries_.end() ? nullptr : it->standard;
}

void CStandardColl::Insert(std::vector<Entry>& entries, const Ref<IStandard>& standard) {
  String key = KeyOfStandard(standard);
  for (const Entry& e : entries) {
    if (e.key == key) RaiseRuntimeError(rt::kKeyAlreadyPresent);
  }
  entries.push_back({std::move(key), standard});
}

// ---- list operations ------------------------------------------------------------------------

Long CStandardColl::Count() {
  return static_cast<Long>(entries_.size());
}

Ref<IStandard> CStandardColl::Item(Long position, const String& alphaName,
                                   const String& completeName) {
  return QuietlyOr(Ref<IStandard>(), [&]() -> Ref<IStandard> {
    if (position >= 1) {
      if (position > Count()) return nullptr;
      return entries_[static_cast<std::size_t>(position - 1)].standard;
    }
    return Find(KeyOf(alphaName, completeName));
  });
}

void CStandardColl::Add(const Ref<IStandard>& standard) {
  Guarded(kAddPolicy, [&] {
    if (standard) Insert(entries_, standard);
  });
}

void CStandardColl::Clear() {
  entries_.clear();
}

void CStandardColl::Remove(const String& alphaName, const String& completeName) {
  Guarded(kRemovePolicy, [&] {
    const String key = KeyOf(alphaName, completeName);
    const auto it = std::find_if(entries_.begin(), entries_.end(),
                                 [&](const Entry& e) { return e.key == key; });
    if (it == entries_.end()) RaiseRuntimeError(rt::kInvalidCall);
    entries_.erase(it);
  });
}

Ref<IEnumVariant> CStandardColl::NewEnum() {
  return QuietlyOr(Ref<IEnumVariant>(), [&] {
    VariantArray items;
    items.reserve(entries_.size());
    for (const Entry& e : entries_)
      items.emplace_back(e.standard);
    return MakeEnumerator(std::move(items));
  });
}

Ref<IStandardColl> CStandardColl::Clone() {
  return Guarded(kCentral, [&] {
    auto copy = MakeRef<CStandardColl>();
    for (const Entry& e : entries_) {
      if (auto cloned = e.standard->Clone()) copy->Insert(copy->entries_, cloned);
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
    if (!selection || entries_.empty() || selection->Count() == 0) return nullptr;
    auto result = MakeRef<CStandardColl>();
    for (const auto& standard : Matching(selection)) {
      Quietly([&] { result->Insert(result->entries_, standard); });
    }
    return result;
  });
}

Ref<IStandardColl> CStandardColl::FindFailedStandards(const Ref<IMeasurement>& measurement,
                                                      const Ref<IStandardColl>& selection) {
  return QuietlyOr(Ref<IStandardColl>(), [&]() -> Ref<IStandardColl> {
    if (!measurement || entries_.empty() || !selection) return nullptr;
    const auto judging = QueryInterface<IStandardMeasurement>(measurement);
    auto failed = MakeRef<CStandardColl>();
    for (const auto& standard : Matching(selection)) {
      const Long verdict = QuietlyOr<Long>(kStatusNotApplicable, [&] {
        if (judging) return judging->StandardStatus(standard);
        return standard->TestLimits(measurement->Key(), measurement->Value().ToSingle(),
                                    measurement->PresetValue());
      });
      if (verdict == kStatusFailed) Quietly([&] { failed->Insert(failed->entries_, standard); });
    }
    if (failed->entries_.empty()) return nullptr;
    return failed;
  });
}

void CStandardColl::UpdateReferences(const Ref<ITestElement>& element) {
  for (const Entry& e : entries_) {
    Quietly([&] {
      const Ref<ILimitColl> limits = e.standard->Limits();
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
    std::vector<Entry> loaded;
    ForEachChildElement(in, [&](const Ref<IXmlElement>& child) {
      if (child->TagName() != "Standard") return;
      auto standard = MakeRef<CStandard>();
      try {
        standard->Load(child, log);
      } catch (const Error& e) {
        if (e.Number() == err::kStandardWrongTag) return;
        throw;
      }
      const String key = KeyOfStandard(standard);
      const bool present =
          std::any_of(loaded.begin(), loaded.end(), [&](const Entry& e) { return e.key == key; });
      if (present) {
        section.LogError(err::kStandardPresent, kLevelData, kDuplicateWarning);
        return;
      }
      loaded.push_back({key, standard});
    });
    entries_ = std::move(loaded);
  });
}

Ref<IXmlElement> CStandardColl::Save(const Ref<IXmlDocument>& owner) {
  return Guarded(kSavePolicy, [&]() -> Ref<IXmlElement> {
    if (entries_.empty()) return nullptr;
    const Ref<IXmlElement> standards = owner->CreateElement("Standards");
    if (!standards) RaiseError(err::kStandardSave, kSource, kLevelSave);
    for (const Entry& e : entries_) {
      if (const Ref<IXmlElement> element = e.standard->Save(owner)) standards->AppendChild(element);
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
    for (const Entry& e : entries_)
      standards.push_back(e.standard);
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
  if (!report || entries_.empty()) return;
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
