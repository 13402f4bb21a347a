// The verdict of one test run: its date, one status for the whole run, and the latest result
// status of every registered element. Saved on its own as
//
//   <TestData><Status>Passed</Status><Date Year=".." Month=".." Day=".." Hour=".." Min=".."
//   Sec=".."/></TestData>
#pragma once

#include "velko/frame/keyed_collection.hpp"
#include "velko/typelib/sequence.hpp"
#include "velko/typelib/setup.hpp"

namespace velko {

// One registered element and the status last registered for it.
struct CElementStatusItem {
  Long ElementID = 0;
  Long Status = 0;
};

// The test status of a setup (an internal class, reachable through ITestStatus). No member
// raises: a failing step has no effect.
class CTestStatus : public ITestStatus {
 public:
  CTestStatus();

  Long PerformedCount() override { return entries_.Count(); }
  Date TestDate() override { return testDate_; }
  Long TestStatus() override { return status_; }
  Boolean TestAborted() override { return status_ == 4; }
  // Reads status and date from a "TestData" element; anything else changes nothing.
  void Load(const Ref<IXmlElement>& in) override;
  Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) override;
  // The verdict line: one full-width shaded cell.
  void PrintReport(const Ref<IReport>& report) override;
  // Records the element's current result status (passed when it failed under an override).
  void Register(const Ref<ITestElement>& element) override;
  // Re-dates the run; status and entries stay.
  void Reset() override;
  // Failed over passed over not applicable over not performed; aborted gives cancelled.
  void UpdateStatus(Boolean& aborted) override;
  // For the host: the verdict the run is kept with where it differs from what the entries give
  // (a run with steps that nobody judged is kept as not performed, never as passed). Codes outside
  // 0..4 change nothing.
  void SetTestStatus(Long status);

  // For the test setup: elements (and their descendants) whose failures count as passed.
  void AddOverrideID(Long id);
  void RemoveOverrideID(Long id);
  // True when the element or one of its ancestors is in the override set. Lets pending
  // user-interface events run once per element visited.
  Boolean IsOverridden(const Ref<ITestElement>& element);

  // The registered entries, in registration order.
  const KeyedCollection<CElementStatusItem>& Entries() const { return entries_; }

 private:
  Date testDate_;
  Long status_ = 0;
  KeyedCollection<CElementStatusItem> entries_;
  KeyedCollection<Long> overrides_;
};

// The XML word of a status code ("Not Performed", "Passed", "Failed", "NA", "Cancelled"); ""
// outside 0..4.
String TestStatusWord(Long status);

}  // namespace velko
