#include "velko/setup/test_status.hpp"

#include "velko/core/error_module.hpp"
#include "velko/limits/quarto_xml.hpp"
#include "velko/outside/user_interface.hpp"
#include "velko/outside/value_formatter.hpp"
#include "velko/outside/xml.hpp"
#include "velko/typelib/report.hpp"
#include "velko/typelib/xml.hpp"

namespace velko {
namespace {

constexpr const char* kStatusWords[] = {"Not Performed", "Passed", "Failed", "NA", "Cancelled"};

const char* VerdictKey(Long status) {
  switch (status) {
    case 1:
      return "480::TEST PASSED";
    case 2:
      return "481::TEST FAILED";
    case 4:
      return "482::TEST ABORTED";
    default:
      return "483::TEST NOT PERFORMED";
  }
}

Long StatusFromWord(const String& word) {
  for (Long code = 1; code < 5; ++code) {
    if (word == kStatusWords[code]) return code;
  }
  return 0;
}

}  // namespace

String TestStatusWord(Long status) {
  return status >= 0 && status <= 4 ? String(kStatusWords[status]) : String();
}

CTestStatus::CTestStatus() : testDate_(Date::Now()) {}

void CTestStatus::Load(const Ref<IXmlElement>& in) {
  Quietly([&] {
    if (!in || in->TagName() != "TestData") return;
    const Ref<IXmlElement> status = in->FindChild("Status", 0);
    status_ = status ? StatusFromWord(status->ElementText()) : 0;
    const Ref<IXmlElement> date = in->FindChild("Date", 0);
    if (!date) return;
    Variant loaded;
    LoadDateElement(date, loaded);
    if (!loaded.IsNull()) testDate_ = loaded.ToDate();
  });
}

Ref<IXmlElement> CTestStatus::Save(const Ref<IXmlDocument>& owner) {
  return QuietlyOr(Ref<IXmlElement>(), [&] {
    Ref<IXmlElement> data = owner->CreateElement("TestData");
    if (!data) return data;
    const String word = TestStatusWord(status_);
    Quietly([&] {
      if (!word.empty()) AppendTextChild(data, "Status", word);
    });
    Quietly([&] {
      if (Ref<IXmlElement> date = SaveDateElement(owner, testDate_)) data->AppendChild(date);
    });
    return data;
  });
}

void CTestStatus::PrintReport(const Ref<IReport>& report) {
  Quietly([&] {
    const String text = report->Translate(String(), VerdictKey(status_), Variant(VariantArray{}));
    report->SetStyle(4);
    report->SetOption(1);
    const Long width = report->PageWidth(-1);
    report->PrintTable("^+" + FormatValue(Variant(width)), text, String(), kReportLightGrey, 0, 0);
  });
}

void CTestStatus::SetTestStatus(Long status) {
  if (status >= 0 && status <= 4) status_ = status;
}

void CTestStatus::Register(const Ref<ITestElement>& element) {
  Quietly([&] {
    if (!element) return;
    const Long id = element->ID();
    if (id <= 0) return;
    const String key = FormatValue(Variant(id));
    CElementStatusItem* entry = entries_.Find(key);
    if (!entry) {
      entries_.Add(key, CElementStatusItem{id, 0});
      entry = entries_.Find(key);
    }
    const Ref<IResult> result = element->Result();
    if (!result) {
      entry->Status = 0;
      return;
    }
    const Long status = result->Status();
    entry->Status = status == 2 && IsOverridden(element) ? 1 : status;
  });
}

void CTestStatus::Reset() {
  testDate_ = Date::Now();
}

void CTestStatus::UpdateStatus(Boolean& aborted) {
  if (aborted) {
    status_ = 4;
    return;
  }
  bool passed = false;
  bool notApplicable = false;
  for (const CElementStatusItem& entry : entries_) {
    if (entry.Status == 2) {
      status_ = 2;
      return;
    }
    passed = passed || entry.Status == 1;
    notApplicable = notApplicable || entry.Status == 3;
  }
  status_ = passed ? 1 : notApplicable ? 3 : 0;
}

void CTestStatus::AddOverrideID(Long id) {
  const String key = std::to_string(id);
  if (overrides_.Contains(key)) overrides_.Remove(key);
  overrides_.Add(key, id);
}

void CTestStatus::RemoveOverrideID(Long id) {
  const String key = std::to_string(id);
  if (overrides_.Contains(key)) overrides_.Remove(key);
}

Boolean CTestStatus::IsOverridden(const Ref<ITestElement>& element) {
  if (overrides_.Empty()) return false;
  String members;
  for (Long id : overrides_)
    members += "|" + std::to_string(id) + "|";
  Ref<ITestElement> current = element;
  while (current) {
    if (members.find("|" + std::to_string(current->ID()) + "|") != String::npos) return true;
    UserInterface()->DoEvents();
    current = current->Parent();
  }
  return false;
}

}  // namespace velko
