// CStandard: a named set of limits that judges measurements, with its XML form and its block of
// the limits table.
#pragma once

#include <string_view>

#include "velko/frame/class_table.hpp"
#include "velko/limits/limit_coll.hpp"
#include "velko/typelib/report.hpp"

namespace velko {

class CStandard : public IStandard {
 public:
  VELKO_CLASS_IDS("{5BDBAB3F-DF36-486A-8644-E0F6EDE0ECFA}",
                  "{CA4D7EC9-93FE-474A-9C99-7889DB912BC1}");

  // IStandard
  String AlphaName() override;
  String CompleteName() override;
  Long StandardType() override;       // starts as 1 (user-defined)
  Ref<ILimitColl> Limits() override;  // none while the standard has no limits
  void Initialize(const String& alphaName, const String& completeName, Long type) override;
  Ref<IStandard> Clone() override;
  void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) override;
  Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) override;
  void AddLimit(const Ref<ILimit>& limit) override;
  // 2 when a limit of that key fails, 1 when one judged, 3 when none applies. Never raises.
  Long TestLimits(const String& key, Single measured, const Variant& reference) override;

  // Appends, or inserts before `before` / after `after` (before wins). Ends silently on failure.
  void AddLimit2(const Ref<ILimit>& limit, Long before = 0, Long after = 0);
  // Moves every limit with that key to the given place; a place that does not exist leaves the
  // limit where it was. Ends silently on failure.
  void MoveLimit(const String& key, Long before = 0, Long after = 0);

  // For the library's own classes: each limit's UpdateReference in turn (its failure ignored),
  // without the call for the library's own limits that have nothing to resolve.
  void UpdateLimitReferences(const Ref<ITestElement>& element);
  // For the library's own classes: the names without a copy, and a deep copy of `source`
  // (names, type, cloned limits).
  std::string_view AlphaNameView() const { return alphaName_; }
  std::string_view CompleteNameView() const { return completeName_; }
  void CopyFrom(const Ref<IStandard>& source);
  // For the library's own classes: the heading row and one row per limit of the limits table;
  // "" without report or limits. Never raises.
  String ReportText(const Ref<IReport>& report, const Variant& measurementInfo);

 private:
  CLimitColl& EnsureLimits();
  void LoadLimits(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log);

  String alphaName_;
  String completeName_;
  Long standardType_ = kStandardUserDefined;
  Ref<CLimitColl> limits_;
};

}  // namespace velko
