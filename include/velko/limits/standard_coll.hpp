// CStandardColl: standards keyed by "AlphaName::CompleteName" (letter case ignored), with
// selection, failed-standard search, reference resolution, XML form and the limits table.
#pragma once

#include <string_view>
#include <utility>
#include <vector>

#include "velko/frame/class_table.hpp"
#include "velko/frame/keyed_collection.hpp"
#include "velko/typelib/limits.hpp"
#include "velko/typelib/progress.hpp"
#include "velko/typelib/report.hpp"
#include "velko/typelib/sequence.hpp"
#include "velko/typelib/xml.hpp"

namespace velko {

class CStandardColl : public IStandardColl, public IStandardColl2 {
 public:
  VELKO_CLASS_IDS("{6D3273C9-29D8-494E-92CD-0AA903050BCA}",
                  "{096D5192-0E06-438B-96B8-EBE5B421A59D}");

  // IStandardColl
  Long Count() override;
  Ref<IStandard> Item(Long position, const String& alphaName = String(),
                      const String& completeName = String()) override;
  Ref<IStandardColl> Clone() override;
  // Loads every "Standard" child; a duplicate is logged (5057) and dropped. A failing load
  // leaves the collection as it was.
  void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) override;
  // None (and nothing written) for an empty collection.
  Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) override;
  void Add(const Ref<IStandard>& standard) override;
  void Clear() override;
  void Remove(const String& alphaName, const String& completeName) override;
  // This collection's own standards (shared, not copied) that `selection` names, in its order;
  // none when either side is none or empty.
  Ref<IStandardColl> Select(const Ref<IStandardColl>& selection) override;
  void UpdateReferences(const Ref<ITestElement>& element) override;
  void PrintReport(const Ref<IReport>& report, const Ref<IStandardColl>& selection,
                   const Variant& measurementInfo) override;
  Ref<IEnumVariant> NewEnum() override;

  // IStandardColl2: the standards of `selection` that the measurement fails; none when none.
  Ref<IStandardColl> FindFailedStandards(const Ref<IMeasurement>& measurement,
                                         const Ref<IStandardColl>& selection) override;

  // The collection key of a pair of names: folded "alpha::complete".
  static String KeyOf(std::string_view alphaName, std::string_view completeName);
  // For the library's own classes: the format and the heading row of the limits table.
  static std::pair<String, String> TableHeader(const Ref<IReport>& report);
  // For the library's own classes: the rows of the limits table (all standards, or those that
  // `selection` names, in its order).
  String TableBody(const Ref<IReport>& report, const Ref<IStandardColl>& selection,
                   const Variant& measurementInfo);

 private:
  Ref<IStandard> Find(const String& key) const;
  // This collection's standards matched by the standards of `selection`, in selection order.
  std::vector<Ref<IStandard>> Matching(const Ref<IStandardColl>& selection) const;
  // Appends under the standard's key; raises 457 when the key is present.
  static void Insert(KeyedCollection<Ref<IStandard>>& standards, const Ref<IStandard>& standard);

  // Keys reach the collection folded (KeyOf), so it compares them as they are.
  KeyedCollection<Ref<IStandard>> standards_{KeyCase::kSensitive};
};

// Visits every limit of the standards whose key is `key`, with its standard, in order; standards
// and limits that are none are skipped.
template <typename Visit>
void ForEachLimitOf(const Ref<IStandardColl>& standards, const String& key, Visit&& visit) {
  if (!standards) return;
  for (Long s = 1; s <= standards->Count(); ++s) {
    const Ref<IStandard> standard = standards->Item(s);
    const Ref<ILimitColl> limits = standard ? standard->Limits() : nullptr;
    if (!limits) continue;
    for (Long l = 1; l <= limits->Count(); ++l) {
      const Ref<ILimit> limit = limits->Item(l);
      if (limit && limit->Key() == key) visit(standard, limit);
    }
  }
}

}  // namespace velko
