// The benchmark plug-in library "VelkoBench": ten instrument plug-ins (IDs "Bench0" to "Bench9")
// whose test elements look like those of a real safety analyser: limits made of the library's
// standards, a result with measurements, and a small configuration. The benchmarks create
// every element of their sequences through the plug-in manager, as a host loading a test
// sequence would.
//
// Test numbers from 1000 on are groups (containers); lower numbers are single test steps.
// Registering the library adds the ten plug-ins to the plug-in list.
#include <vector>

#include "velko/core/error_module.hpp"
#include "velko/core/translation.hpp"
#include "velko/frame/module.hpp"
#include "velko/frame/numeric.hpp"
#include "velko/limits/limit.hpp"
#include "velko/limits/standard.hpp"
#include "velko/limits/standard_coll.hpp"
#include "velko/outside/registry.hpp"
#include "velko/outside/value_formatter.hpp"
#include "velko/sequence/general_measurement.hpp"
#include "velko/sequence/test_container.hpp"
#include "velko/sequence/test_element.hpp"
#include "velko/typelib/plugin.hpp"

namespace velko::bench {
namespace {

constexpr Long kFirstGroupTest = 1000;

// "ExpectedResult" holding the "Standards" of the library's standard collection.
class BenchLimits final : public IElementLimits {
 public:
  BenchLimits() : standards_(MakeRef<CStandardColl>()) {}
  explicit BenchLimits(Ref<IStandardColl> standards) : standards_(std::move(standards)) {}

  Ref<IStandardColl> Standards() override { return standards_; }
  Ref<IElementLimits> Clone() override { return MakeRef<BenchLimits>(standards_->Clone()); }
  void AddStandard(const String& alphaName, const String& completeName) override {
    auto standard = MakeRef<CStandard>();
    standard->Initialize(alphaName, completeName, kStandardPredefined);
    standards_->Add(standard);
  }
  void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& log) override {
    standards_->Clear();
    if (Ref<IXmlElement> standards = in->FindChild("Standards")) standards_->Load(standards, log);
  }
  Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) override {
    Ref<IXmlElement> expected = owner->CreateElement("ExpectedResult");
    if (Ref<IXmlElement> standards = standards_->Save(owner)) expected->AppendChild(standards);
    return expected;
  }
  void PrintReport(const Ref<IReport>& report, const Ref<ITestSetup>& /*setup*/) override {
    standards_->PrintReport(report, nullptr, Variant());
  }

 private:
  Ref<IStandardColl> standards_;
};

// "ResultItem" with "Status" and "Comment" and one "Measurement" ("Key", "Value", "Unit") per
// measured value; values are numbers, so that relative limits can use them.
class BenchResult final : public IResult {
 public:
  String Comment() override { return comment_; }
  Long Status() override { return status_; }

  void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& /*log*/) override {
    status_ = RoundToLong(ParseNumber(in->GetAttribute("Status")));
    comment_ = in->GetAttribute("Comment");
    measurements_.clear();
    const Ref<IXmlElementList> children = in->ChildNodes();
    const Long count = children->NodeCount();
    for (Long i = 0; i < count; ++i) {
      const Ref<IXmlElement> child = QueryInterface<IXmlElement>(children->NodeAt(i));
      if (!child || child->TagName() != "Measurement") continue;
      auto measurement = MakeRef<CGeneralMeasurement>();
      const String key = child->GetAttribute("Key");
      measurement->Initialize(
          key, key, child->GetAttribute("Unit"), kValueFloat,
          Variant(static_cast<Single>(ParseNumber(child->GetAttribute("Value")))));
      measurements_.push_back(measurement);
    }
  }

  Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) override {
    Ref<IXmlElement> item = owner->CreateElement("ResultItem");
    item->SetAttribute("Status", FormatValue(Variant(status_)));
    item->SetAttribute("Comment", comment_);
    for (const auto& measurement : measurements_) {
      Ref<IXmlElement> child = owner->CreateElement("Measurement");
      child->SetAttribute("Key", measurement->Key());
      child->SetAttribute("Value", FormatValue(measurement->Value()));
      child->SetAttribute("Unit", measurement->Unit());
      item->AppendChild(child);
    }
    return item;
  }

  void PrintReport(const Ref<IReport>& report, const Ref<ITestSetup>& /*setup*/) override {
    String body;
    for (const auto& measurement : measurements_)
      body += measurement->CreateTableBody();
    report->SetTableStyle(3);
    report->PrintTable("<3000|>1400|<1000|>1400|>1400|<1800;", "", body, 0, 0, 0);
  }

  Ref<IMeasurement> Measurement(const String& key) override {
    for (const auto& measurement : measurements_) {
      if (measurement->Key() == key) return measurement;
    }
    return nullptr;
  }
  Ref<IServiceRecord> ServiceRecord() override { return nullptr; }

 private:
  Long status_ = kStatusNotPerformed;
  String comment_;
  std::vector<Ref<CGeneralMeasurement>> measurements_;
};

// "PlugInData" with the measuring range and the test duration.
class BenchConfig final : public IConfigData {
 public:
  Boolean HasDialog() override { return false; }
  Ref<IConfigData> Clone() override {
    auto copy = MakeRef<BenchConfig>();
    copy->range_ = range_;
    copy->duration_ = duration_;
    return copy;
  }
  Ref<IUnknown> CreateDialog() override { return nullptr; }
  void Load(const Ref<IXmlElement>& in, const Ref<IProgressLog>& /*log*/) override {
    range_ = in->GetAttribute("Range");
    duration_ = in->GetAttribute("Duration");
  }
  Ref<IXmlElement> Save(const Ref<IXmlDocument>& owner) override {
    Ref<IXmlElement> data = owner->CreateElement("PlugInData");
    data->SetAttribute("Range", range_);
    data->SetAttribute("Duration", duration_);
    return data;
  }
  void PrintReport(const Ref<IReport>& report) override {
    report->SetTableStyle(4);
    report->PrintTable("<2000|<3000|<2000|<3000;", "",
                       "Range|" + range_ + "|Duration|" + duration_ + ";", 0, 0, 0);
  }

 private:
  String range_;
  String duration_;
};

// A test step of the analyser: a plain element whose relative limits find their referenced
// measurements when the sequence updates its references.
class BenchStep final : public CTestElement {
 public:
  void UpdateReferences() override {
    Quietly([&] {
      if (!limits_) return;
      if (const Ref<IStandardColl> standards = limits_->Standards()) {
        standards->UpdateReferences(RefToSelf<ITestElement>(this));
      }
    });
  }
};

// The standards a new step starts with before a sequence's own replace them, as an analyser
// offers them: two standards of three limits each.
Ref<IStandardColl> DefaultStandards() {
  struct LimitFacts {
    const char *key, *unit, *high, *low;
  };
  static constexpr LimitFacts kLimits[] = {
      {"I_EQ", "mA", "0.5", ""}, {"I_EQ_REV", "mA", "0.5", ""}, {"U_MAINS", "V", "253", "207"}};
  auto standards = MakeRef<CStandardColl>();
  for (const char* alpha : {"IEC 62353", "VDE 0751-1"}) {
    auto standard = MakeRef<CStandard>();
    standard->Initialize(alpha, "Recurrent test", kStandardPredefined);
    for (const LimitFacts& facts : kLimits) {
      auto limit = MakeRef<CLimit>();
      limit->Initialize(facts.key, facts.unit, facts.high, facts.low);
      standard->AddLimit(limit);
    }
    standards->Add(standard);
  }
  return standards;
}

// Each new element is named through the language set as an analyser names its tests (this
// plug-in has no catalogue, so the key's own text is the name).
template <class Node>
Ref<ITestElement> MakeNode(const String& plugInId, Long testId, Long id) {
  auto node = MakeRef<Node>();
  node->Initialize(plugInId, testId, id);
  const bool group = testId >= kFirstGroupTest;
  node->SetLimits(group ? MakeRef<BenchLimits>() : MakeRef<BenchLimits>(DefaultStandards()));
  node->Info()->SetName(
      TranslateText(plugInId, group ? "111::Test group" : "121::Protective earth resistance"));
  node->SetConfiguration(MakeRef<BenchConfig>());
  node->SetResult(MakeRef<BenchResult>());
  return node;
}

Ref<ITestElement> MakeElement(const String& plugInId, Long testId, Long id) {
  if (testId >= kFirstGroupTest) return MakeNode<CTestContainer>(plugInId, testId, id);
  return MakeNode<BenchStep>(plugInId, testId, id);
}

// One plug-in: its offered tests are one group of ten steps.
class BenchPlugIn : public IPlugIn {
 public:
  explicit BenchPlugIn(String id) : id_(std::move(id)) {
    auto group = MakeElement(id_, kFirstGroupTest, 1);
    offered_.push_back(group);
    elements_ = QueryInterface<ITestContainer>(group);
    for (Long test = 1; test <= 10; ++test) {
      offered_.push_back(MakeElement(id_, test, test + 1));
      offered_.back()->Info()->SetName("Offered test " + std::to_string(test));
      elements_->Add(offered_.back());
    }
  }
  // Breaks the parent cycles of the offered tests.
  ~BenchPlugIn() override {
    for (const auto& node : offered_)
      node->Terminate();
  }
  BenchPlugIn(const BenchPlugIn&) = delete;
  BenchPlugIn& operator=(const BenchPlugIn&) = delete;

  String ID() override { return id_; }
  String Name() override { return "Benchmark analyser " + id_; }
  String Description() override { return "Simulated safety analyser for the benchmarks"; }
  String Manufacturer() override { return "Brenn"; }
  String HelpFile() override { return {}; }
  Ref<ICallBack> CallBack() override { return nullptr; }
  Ref<ITestContainer> Elements() override { return elements_; }
  String Version() override { return "1.0.0"; }
  String ConfigurationFile() override { return {}; }
  void Initialize(const Ref<IProgressLog>& /*log*/) override {}
  Ref<ITestElement> CreateTestElement(Long testId) override { return MakeElement(id_, testId, 0); }
  Ref<IConfigData> CreateConfigData() override { return MakeRef<BenchConfig>(); }

 private:
  String id_;
  std::vector<Ref<ITestElement>> offered_;
  Ref<ITestContainer> elements_;
};

}  // namespace

#define VELKO_BENCH_PLUGIN(Class, clsid, iid, id) \
  class Class final : public BenchPlugIn {        \
   public:                                        \
    VELKO_CLASS_IDS(clsid, iid);                  \
    Class() : BenchPlugIn(id) {}                  \
  };                                              \
  VELKO_PUBLIC_CLASS(Class, Instancing::kCreatable, IPlugIn)

VELKO_BENCH_PLUGIN(CBench0, "{4E2B9A10-7C3D-4F61-9B2A-5D0C1E2F3A00}",
                   "{4E2B9A10-7C3D-4F61-9B2A-5D0C1E2F3B00}", "Bench0");
VELKO_BENCH_PLUGIN(CBench1, "{4E2B9A10-7C3D-4F61-9B2A-5D0C1E2F3A01}",
                   "{4E2B9A10-7C3D-4F61-9B2A-5D0C1E2F3B01}", "Bench1");
VELKO_BENCH_PLUGIN(CBench2, "{4E2B9A10-7C3D-4F61-9B2A-5D0C1E2F3A02}",
                   "{4E2B9A10-7C3D-4F61-9B2A-5D0C1E2F3B02}", "Bench2");
VELKO_BENCH_PLUGIN(CBench3, "{4E2B9A10-7C3D-4F61-9B2A-5D0C1E2F3A03}",
                   "{4E2B9A10-7C3D-4F61-9B2A-5D0C1E2F3B03}", "Bench3");
VELKO_BENCH_PLUGIN(CBench4, "{4E2B9A10-7C3D-4F61-9B2A-5D0C1E2F3A04}",
                   "{4E2B9A10-7C3D-4F61-9B2A-5D0C1E2F3B04}", "Bench4");
VELKO_BENCH_PLUGIN(CBench5, "{4E2B9A10-7C3D-4F61-9B2A-5D0C1E2F3A05}",
                   "{4E2B9A10-7C3D-4F61-9B2A-5D0C1E2F3B05}", "Bench5");
VELKO_BENCH_PLUGIN(CBench6, "{4E2B9A10-7C3D-4F61-9B2A-5D0C1E2F3A06}",
                   "{4E2B9A10-7C3D-4F61-9B2A-5D0C1E2F3B06}", "Bench6");
VELKO_BENCH_PLUGIN(CBench7, "{4E2B9A10-7C3D-4F61-9B2A-5D0C1E2F3A07}",
                   "{4E2B9A10-7C3D-4F61-9B2A-5D0C1E2F3B07}", "Bench7");
VELKO_BENCH_PLUGIN(CBench8, "{4E2B9A10-7C3D-4F61-9B2A-5D0C1E2F3A08}",
                   "{4E2B9A10-7C3D-4F61-9B2A-5D0C1E2F3B08}", "Bench8");
VELKO_BENCH_PLUGIN(CBench9, "{4E2B9A10-7C3D-4F61-9B2A-5D0C1E2F3A09}",
                   "{4E2B9A10-7C3D-4F61-9B2A-5D0C1E2F3B09}", "Bench9");

namespace {

constexpr int kPlugInCount = 10;

String PlugInId(int i) {
  return "Bench" + std::to_string(i);
}

void RegisterPlugIns() {
  Ref<IRegistryKey> key = CreateRegistryKey();
  key->CreateKey(kHKeyLocalMachine, RegistryPaths()->KeyPath(kRegPathPlugIns));
  for (int i = 0; i < kPlugInCount; ++i)
    key->SetValue(Variant(PlugInId(i)), Variant("VelkoBench.CBench" + std::to_string(i)));
}

void UnregisterPlugIns() {
  Ref<IRegistryKey> key = CreateRegistryKey();
  key->OpenKey(kHKeyLocalMachine, RegistryPaths()->KeyPath(kRegPathPlugIns));
  for (int i = 0; i < kPlugInCount; ++i)
    key->DeleteValue(PlugInId(i));
}

const ModuleInfo kBenchModule{"VelkoBench",
                              "velko Benchmark Plug-in Library",
                              MakeGuid("{4E2B9A10-7C3D-4F61-9B2A-5D0C1E2F3F00}"),
                              "1.0",
                              &RegisterPlugIns,
                              &UnregisterPlugIns};

}  // namespace
}  // namespace velko::bench

namespace velko {
using bench::kBenchModule;
}

VELKO_MODULE(kBenchModule)
