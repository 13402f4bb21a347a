// The benchmark program: the library's XML work beside pugixml doing the same on the same
// documents, printing, reference updates, limit evaluation and start-up, on generated sequences
// of 1,000, 10,000 and 100,000 test steps. Run by `make bench`, which writes the figures to
// docs/performance.md.
//
// Own options (before Google Benchmark's): --sizes=1000,10000,100000  --report=<file>
// --command=<how this run was started>; no --report, no file is written. --instructions runs each
// operation once on the first size for a callgrind profile; --instruction-profile=<file> reads
// callgrind_annotate's inclusive listing of that profile into the figures.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <pugixml.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "alloc_counter.hpp"
#include "bench_report.hpp"
#include "sequence_generator.hpp"
#include "velko/core/initialize.hpp"
#include "velko/frame/runtime.hpp"
#include "velko/limits/limit.hpp"
#include "velko/limits/standard.hpp"
#include "velko/outside/html_report.hpp"
#include "velko/outside/registry.hpp"
#include "velko/outside/xml.hpp"
#include "velko/sequence/test_container.hpp"
#include "velko/typelib/enums.hpp"

namespace velko::bench {
namespace {

constexpr int kPlugInCount = 10;
constexpr Long kPrintOptions =
    kReportConfiguration | kReportLimits | kReportResult | kReportProcedureText;

// ---------------------------------------------------------------------------------------------
// The host's side: the core started on this thread with the benchmark plug-ins registered.

void StartCore() {
  GInitialize::Instance()->InitCore();
  GInitialize::Instance()->PlugInManager()->Initialize(nullptr);
}

// A registry file as a fresh installation has it (the shipped default), in the run's folder,
// with the benchmark plug-ins registered into it.
void PrepareThread(const std::filesystem::path& folder) {
  const std::filesystem::path registry = folder / "registry.reg";
  std::filesystem::copy_file(VELKO_BENCH_REGISTRY_SEED, registry);
  UseRegistryFile(registry.string());
  RegisterServer(VELKO_BENCH_PLUGIN_PATH);
  StartCore();
}

// Breaks every parent cycle of a tree, as a host discarding it must.
void TerminateTree(const Ref<ITestElement>& root) {
  std::vector<Ref<ITestElement>> pending{root};
  while (!pending.empty()) {
    Ref<ITestElement> node = std::move(pending.back());
    pending.pop_back();
    if (const Ref<ITestContainer> group = QueryInterface<ITestContainer>(node)) {
      for (Long i = 1, n = group->Count(); i <= n; ++i)
        pending.push_back(group->Item(i));
    }
    node->Terminate();
  }
}

// Reads a document through the library's XML service and loads it into `root`.
void LoadInto(const Ref<ITestElement>& root, const std::filesystem::path& path) {
  const Ref<IXmlFile> file = CreateXmlFile();
  file->Open(path.string());
  root->Load(file->Document()->DocumentElement(), nullptr);
}

Ref<ITestElement> LoadDefinition(const std::filesystem::path& path) {
  Ref<ITestElement> root = MakeRef<CTestContainer>();
  LoadInto(root, path);
  return root;
}

long CountNodes(const Ref<ITestElement>& root) {
  long count = 0;
  std::vector<Ref<ITestElement>> pending{root};
  while (!pending.empty()) {
    Ref<ITestElement> node = std::move(pending.back());
    pending.pop_back();
    ++count;
    if (const Ref<ITestContainer> group = QueryInterface<ITestContainer>(node)) {
      for (Long i = 1, n = group->Count(); i <= n; ++i)
        pending.push_back(group->Item(i));
    }
  }
  return count;
}

// The sequence whose tree the benchmarks of one size share: definition loaded, references
// updated, results loaded.
struct SharedTree {
  int steps = 0;
  Ref<ITestElement> root;
};

SharedTree& Shared() {
  static SharedTree tree;
  return tree;
}

const Ref<ITestElement>& TreeOf(const GeneratedSequence& sequence) {
  SharedTree& shared = Shared();
  if (shared.steps != sequence.steps) {
    if (shared.root) TerminateTree(shared.root);
    // As a host does: definition, references, then the results of a run.
    shared.root = LoadDefinition(sequence.definitionPath);
    shared.root->UpdateReferences();
    LoadInto(shared.root, sequence.resultsPath);
    shared.steps = sequence.steps;
  }
  return shared.root;
}

void ReleaseSharedTree() {
  if (Shared().root) TerminateTree(Shared().root);
  Shared() = {};
}

String SaveToText(const Ref<ITestElement>& root, Long mode) {
  const Ref<IXmlFile> file = CreateXmlFile();
  const Ref<IXmlDocument> document = file->Document();
  document->SetDocumentElement(root->Save(document, mode));
  return file->SaveToText();
}

class StringWriter final : public pugi::xml_writer {
 public:
  explicit StringWriter(std::string& out) : out_(out) {}
  void write(const void* data, std::size_t size) override {
    out_.append(static_cast<const char*>(data), size);
  }

 private:
  std::string& out_;
};

std::size_t WriteDom(const pugi::xml_document& document) {
  std::string out;
  StringWriter writer(out);
  document.save(writer, "  ", pugi::format_indent, pugi::encoding_utf8);
  return out.size();
}

// ---------------------------------------------------------------------------------------------
// The measured operations, each a function of its own that the compiler neither inlines nor
// merges with a twin, so that a callgrind profile of a run with --instructions names the
// instructions of each (see CountInstructions).

#define VELKO_MEASURED [[gnu::noipa]]

// A load as every host does it: the definition, then its references resolved.
VELKO_MEASURED Ref<ITestElement> MeasuredLoadDefinition(const std::filesystem::path& path) {
  Ref<ITestElement> root = LoadDefinition(path);
  root->UpdateReferences();
  return root;
}
VELKO_MEASURED bool MeasuredParse(pugi::xml_document& document, const std::filesystem::path& path) {
  return static_cast<bool>(document.load_file(path.c_str()));
}
VELKO_MEASURED String MeasuredSaveDefinition(const Ref<ITestElement>& root) {
  return SaveToText(root, kSaveDefinition);
}
VELKO_MEASURED String MeasuredSaveResults(const Ref<ITestElement>& root) {
  return SaveToText(root, kSaveResults);
}
VELKO_MEASURED std::size_t MeasuredWriteDefinition(const pugi::xml_document& document) {
  return WriteDom(document);
}
VELKO_MEASURED std::size_t MeasuredWriteResults(const pugi::xml_document& document) {
  return WriteDom(document);
}
std::size_t PrintTree(const Ref<ITestElement>& root) {
  auto report = MakeRef<HtmlReport>("Annual safety inspection");
  report->SetReportLevel(kReportLevelDetailed);
  report->SetReportOptions(kPrintOptions);
  root->PrintReport(report, nullptr);
  return report->Html().size();
}
VELKO_MEASURED std::size_t MeasuredPrintReport(const Ref<ITestElement>& root) {
  return PrintTree(root);
}

String MeasuredSave(const Ref<ITestElement>& root, Long mode) {
  return mode == kSaveResults ? MeasuredSaveResults(root) : MeasuredSaveDefinition(root);
}
std::size_t MeasuredWrite(const pugi::xml_document& document, Long mode) {
  return mode == kSaveResults ? MeasuredWriteResults(document) : MeasuredWriteDefinition(document);
}

// ---------------------------------------------------------------------------------------------
// The benchmarks of one sequence size, each beside its floor.

void LoadDefinitionBench(benchmark::State& state, const GeneratedSequence* sequence) {
  ReleaseSharedTree();
  for (auto _ : state) {
    Ref<ITestElement> root = MeasuredLoadDefinition(sequence->definitionPath);
    state.PauseTiming();
    TerminateTree(root);
    root.Reset();
    state.ResumeTiming();
  }
}

void ParseWithPugixml(benchmark::State& state, std::filesystem::path path) {
  for (auto _ : state) {
    pugi::xml_document document;
    if (!MeasuredParse(document, path)) state.SkipWithError("the file does not parse");
    benchmark::DoNotOptimize(document.first_child());
    state.PauseTiming();
    document.reset();
    state.ResumeTiming();
  }
}

void LoadResultsBench(benchmark::State& state, const GeneratedSequence* sequence) {
  const Ref<ITestElement>& root = TreeOf(*sequence);
  for (auto _ : state)
    LoadInto(root, sequence->resultsPath);
}

void SaveBench(benchmark::State& state, const GeneratedSequence* sequence, Long mode) {
  const Ref<ITestElement>& root = TreeOf(*sequence);
  std::size_t bytes = 0;
  for (auto _ : state) {
    const String text = MeasuredSave(root, mode);
    bytes = text.size();
  }
  state.SetBytesProcessed(static_cast<long long>(bytes) * state.iterations());
}

// pugixml writing to memory the DOM of exactly the text that the library saves.
void WriteWithPugixml(benchmark::State& state, const GeneratedSequence* sequence, Long mode) {
  pugi::xml_document document;
  {
    const String text = SaveToText(TreeOf(*sequence), mode);
    if (!document.load_string(text.c_str())) state.SkipWithError("the saved text does not parse");
  }
  std::size_t bytes = 0;
  for (auto _ : state)
    bytes = MeasuredWrite(document, mode);
  state.SetBytesProcessed(static_cast<long long>(bytes) * state.iterations());
}

// Appends to `to` a copy of the children of `from`, node by node through pugixml's own API (an
// element, each attribute, each text): what any saver that builds a DOM has to do at least.
void CopyChildren(pugi::xml_node to, pugi::xml_node from) {
  for (pugi::xml_node c = from.first_child(); c; c = c.next_sibling()) {
    if (c.type() == pugi::node_element) {
      pugi::xml_node element = to.append_child(c.name());
      for (pugi::xml_attribute a = c.first_attribute(); a; a = a.next_attribute())
        element.append_attribute(a.name()).set_value(a.value());
      CopyChildren(element, c);
    } else if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata) {
      to.append_child(c.type()).set_value(c.value());
    }
  }
}

// pugixml building the DOM of exactly the text that the library saves, node by node, and writing
// it to memory: the least that a saver building a DOM can cost.
void BuildAndWriteWithPugixml(benchmark::State& state, const GeneratedSequence* sequence,
                              Long mode) {
  pugi::xml_document saved;
  {
    const String text = SaveToText(TreeOf(*sequence), mode);
    if (!saved.load_string(text.c_str())) state.SkipWithError("the saved text does not parse");
  }
  for (auto _ : state) {
    pugi::xml_document document;
    CopyChildren(document, saved);
    std::string out;
    StringWriter writer(out);
    document.save(writer, "  ", pugi::format_indent, pugi::encoding_utf8);
    benchmark::DoNotOptimize(out.data());
    state.PauseTiming();
    document.reset();
    state.ResumeTiming();
  }
}

// Reads every tag, attribute and text of a parsed DOM into strings: the least that a loader
// that keeps the data it reads can cost beyond the parse.
std::size_t ReadEveryValue(pugi::xml_node from, std::vector<std::string>& texts) {
  std::size_t nodes = 0;
  for (pugi::xml_node c = from.first_child(); c; c = c.next_sibling()) {
    ++nodes;
    texts.emplace_back(c.type() == pugi::node_element ? c.name() : c.value());
    for (pugi::xml_attribute a = c.first_attribute(); a; a = a.next_attribute())
      texts.emplace_back(a.value());
    nodes += ReadEveryValue(c, texts);
  }
  return nodes;
}

void ParseAndReadWithPugixml(benchmark::State& state, std::filesystem::path path) {
  for (auto _ : state) {
    pugi::xml_document document;
    const pugi::xml_parse_result result = document.load_file(path.c_str());
    if (!result) state.SkipWithError(result.description());
    std::vector<std::string> texts;
    benchmark::DoNotOptimize(ReadEveryValue(document, texts));
    state.PauseTiming();
    document.reset();
    texts = {};
    state.ResumeTiming();
  }
}

void PrintBench(benchmark::State& state, const GeneratedSequence* sequence) {
  const Ref<ITestElement>& root = TreeOf(*sequence);
  std::size_t bytes = 0;
  for (auto _ : state)
    bytes = MeasuredPrintReport(root);
  state.SetBytesProcessed(static_cast<long long>(bytes) * state.iterations());
}

void UpdateReferencesBench(benchmark::State& state, const GeneratedSequence* sequence) {
  const Ref<ITestElement>& root = TreeOf(*sequence);
  for (auto _ : state)
    root->UpdateReferences();
  state.SetItemsProcessed(static_cast<long long>(sequence->relativeLimits) * state.iterations());
}

// The floor of a walk over the whole tree: every node visited once through its interfaces.
void WalkTreeBench(benchmark::State& state, const GeneratedSequence* sequence) {
  const Ref<ITestElement>& root = TreeOf(*sequence);
  for (auto _ : state)
    benchmark::DoNotOptimize(CountNodes(root));
}

// A standard of ten limits. `sameKey`: all ten judge the key "I_EQ", so that one TestLimits call
// evaluates ten limits; otherwise one limit per key "K0".."K9" and a call judges one of them.
Ref<CStandard> TenLimitStandard(bool sameKey) {
  auto standard = MakeRef<CStandard>();
  standard->Initialize("IEC 62353", "Recurrent test", kStandardPredefined);
  for (int i = 0; i < 10; ++i) {
    auto limit = MakeRef<CLimit>();
    const String key = sameKey ? String("I_EQ") : "K" + std::to_string(i);
    limit->Initialize(key, "mA", std::to_string(10 + i), i % 3 == 0 ? "" : "0.1");
    standard->AddLimit(limit);
  }
  return standard;
}

std::vector<String> MeasuredKeys(bool sameKey) {
  std::vector<String> keys;
  for (int i = 0; i < 10; ++i)
    keys.push_back(sameKey ? String("I_EQ") : "K" + std::to_string(i));
  return keys;
}

// `calls` judgements of measured values that walk through the bands, the keys in turn.
VELKO_MEASURED Long MeasuredTestLimits(const Ref<IStandard>& judged,
                                       const std::vector<String>& keys, long long calls) {
  const Variant noReference;
  Single measured = 0.5f;
  std::size_t k = 0;
  Long failed = 0;
  for (long long call = 0; call < calls; ++call) {
    failed += judged->TestLimits(keys[k], measured, noReference) == kStatusFailed;
    k = k == keys.size() - 1 ? 0 : k + 1;
    measured += 0.25f;
    if (measured > 12.0f) measured = 0.5f;
  }
  return failed;
}

void TestLimitsBench(benchmark::State& state, bool sameKey) {
  const Ref<IStandard> judged = TenLimitStandard(sameKey);
  const std::vector<String> keys = MeasuredKeys(sameKey);
  for (auto _ : state)
    benchmark::DoNotOptimize(MeasuredTestLimits(judged, keys, 1000));
  state.SetItemsProcessed(state.iterations() * 1000 * (sameKey ? 10 : 1));
}

// The floor of limit evaluation: the same comparisons on plain numbers.
void CompareNumbersBench(benchmark::State& state) {
  struct Band {
    float high, low;
    bool lowDefined;
  };
  std::vector<Band> bands;
  for (int i = 0; i < 10; ++i)
    bands.push_back({10.0f + static_cast<float>(i), 0.1f, i % 3 != 0});
  float measured = 0.5f;
  for (auto _ : state) {
    long verdict = 3;
    for (const Band& band : bands) {
      const bool pass = measured <= band.high && (!band.lowDefined || measured >= band.low);
      verdict = pass ? (verdict == 2 ? 2 : 1) : 2;
    }
    benchmark::DoNotOptimize(verdict);
    measured += 0.25f;
    if (measured > 12.0f) measured = 0.5f;
  }
  state.SetItemsProcessed(state.iterations() * 10);
}

void StartCoreBench(benchmark::State& state) {
  for (auto _ : state) {
    StartCore();
    benchmark::DoNotOptimize(GInitialize::Instance()->PlugInManager()->Count());
    GInitialize::Instance()->ShutDownCore();
  }
  StartCore();
}

// The floor of start-up: the ten plug-in objects created and initialised directly.
void CreatePlugInsBench(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<Ref<IPlugIn>> plugIns;
    for (int i = 0; i < kPlugInCount; ++i) {
      plugIns.push_back(CreateObjectAs<IPlugIn>("VelkoBench.CBench" + std::to_string(i)));
      plugIns.back()->Initialize(nullptr);
    }
    benchmark::DoNotOptimize(plugIns.data());
  }
}

// ---------------------------------------------------------------------------------------------
// Memory of a loaded sequence beside pugixml's DOM of its file.

MemoryFigures MeasureMemory(const GeneratedSequence& sequence) {
  ReleaseSharedTree();
  MemoryFigures figures;
  figures.steps = sequence.steps;
  CountAllocations(true);
  {
    const long long before = PugixmlAllocations().liveBytes + CxxAllocations().liveBytes;
    pugi::xml_document document;
    document.load_file(sequence.definitionPath.c_str());
    figures.domBytes = PugixmlAllocations().liveBytes + CxxAllocations().liveBytes - before;
  }
  {
    ResetPeaks();
    const AllocationCounts cxx = CxxAllocations();
    const AllocationCounts pugi = PugixmlAllocations();
    Ref<ITestElement> root = LoadDefinition(sequence.definitionPath);
    figures.treeBytes = CxxAllocations().liveBytes - cxx.liveBytes +
                        PugixmlAllocations().liveBytes - pugi.liveBytes;
    figures.loadPeakBytes = CxxAllocations().peakBytes - cxx.liveBytes +
                            PugixmlAllocations().peakBytes - pugi.liveBytes;
    TerminateTree(root);
  }
  CountAllocations(false);
  return figures;
}

// ---------------------------------------------------------------------------------------------
// Each measured operation once on a warm tree, for a callgrind profile (make bench runs it as
// `valgrind --tool=callgrind velko_bench --instructions`): the inclusive instructions of each
// Measured function are then those of one operation. Every code path is warmed first by a call
// that is not measured, so that first-use work does not count.

constexpr long long kCountedJudgements = 100000;

void CountInstructions(const GeneratedSequence& sequence) {
  const Ref<ITestElement>& tree = TreeOf(sequence);
  TerminateTree(MeasuredLoadDefinition(sequence.definitionPath));
  for (const Long mode : {kSaveDefinition, kSaveResults}) {
    pugi::xml_document document;
    document.load_string(SaveToText(tree, mode).c_str());
    benchmark::DoNotOptimize(MeasuredSave(tree, mode).size());
    benchmark::DoNotOptimize(MeasuredWrite(document, mode));
  }
  {
    pugi::xml_document document;
    benchmark::DoNotOptimize(MeasuredParse(document, sequence.definitionPath));
  }
  // The first print reads what every later one finds ready (report texts, formats).
  benchmark::DoNotOptimize(PrintTree(tree));
  benchmark::DoNotOptimize(MeasuredPrintReport(tree));
  const Ref<IStandard> judged = TenLimitStandard(false);
  benchmark::DoNotOptimize(MeasuredTestLimits(judged, MeasuredKeys(false), kCountedJudgements));
  std::cout << "steps " << sequence.steps << ", judgements " << kCountedJudgements << "\n";
}

// ---------------------------------------------------------------------------------------------

class CollectingReporter final : public benchmark::ConsoleReporter {
 public:
  explicit CollectingReporter(RunFigures& figures) : figures_(figures) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0) continue;
      Measured& measured = figures_.runs[run.benchmark_name()];
      measured.seconds = run.cpu_accumulated_time / static_cast<double>(run.iterations);
      measured.iterations = run.iterations;
    }
    ConsoleReporter::ReportRuns(runs);
  }

 private:
  RunFigures& figures_;
};

struct Options {
  std::vector<int> sizes{1000, 10000, 100000};
  std::filesystem::path report;
  std::string command;
  bool instructions = false;      // run each operation once for callgrind, nothing else
  std::filesystem::path profile;  // callgrind_annotate's inclusive listing of such a run
};

// Takes this program's own options out of argv; the rest is Google Benchmark's.
Options TakeOptions(int& argc, char** argv) {
  Options options;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--sizes=", 0) == 0) {
      options.sizes.clear();
      std::stringstream list(arg.substr(8));
      for (std::string item; std::getline(list, item, ',');)
        options.sizes.push_back(std::stoi(item));
    } else if (arg.rfind("--report=", 0) == 0) {
      options.report = arg.substr(9);
    } else if (arg.rfind("--command=", 0) == 0) {
      options.command = arg.substr(10);
    } else if (arg == "--instructions") {
      options.instructions = true;
    } else if (arg.rfind("--instruction-profile=", 0) == 0) {
      options.profile = arg.substr(22);
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  return options;
}

void RegisterSizeBenchmarks(const GeneratedSequence& s) {
  const std::string n = "/" + std::to_string(s.steps);
  const GeneratedSequence* p = &s;
  const auto ms = benchmark::kMillisecond;
  benchmark::RegisterBenchmark(("LoadDefinition" + n).c_str(), LoadDefinitionBench, p)->Unit(ms);
  benchmark::RegisterBenchmark(("PugixmlParseDefinition" + n).c_str(), ParseWithPugixml,
                               s.definitionPath)
      ->Unit(ms);
  benchmark::RegisterBenchmark(("PugixmlParseReadDefinition" + n).c_str(), ParseAndReadWithPugixml,
                               s.definitionPath)
      ->Unit(ms);
  benchmark::RegisterBenchmark(("LoadResults" + n).c_str(), LoadResultsBench, p)->Unit(ms);
  benchmark::RegisterBenchmark(("PugixmlParseResults" + n).c_str(), ParseWithPugixml, s.resultsPath)
      ->Unit(ms);
  benchmark::RegisterBenchmark(("SaveDefinition" + n).c_str(), SaveBench, p, kSaveDefinition)
      ->Unit(ms);
  benchmark::RegisterBenchmark(("PugixmlWriteDefinition" + n).c_str(), WriteWithPugixml, p,
                               kSaveDefinition)
      ->Unit(ms);
  benchmark::RegisterBenchmark(("PugixmlBuildWriteDefinition" + n).c_str(),
                               BuildAndWriteWithPugixml, p, kSaveDefinition)
      ->Unit(ms);
  benchmark::RegisterBenchmark(("SaveResults" + n).c_str(), SaveBench, p, kSaveResults)->Unit(ms);
  benchmark::RegisterBenchmark(("PugixmlWriteResults" + n).c_str(), WriteWithPugixml, p,
                               kSaveResults)
      ->Unit(ms);
  benchmark::RegisterBenchmark(("PugixmlBuildWriteResults" + n).c_str(), BuildAndWriteWithPugixml,
                               p, kSaveResults)
      ->Unit(ms);
  benchmark::RegisterBenchmark(("PrintReport" + n).c_str(), PrintBench, p)->Unit(ms);
  benchmark::RegisterBenchmark(("UpdateReferences" + n).c_str(), UpdateReferencesBench, p)
      ->Unit(ms);
  benchmark::RegisterBenchmark(("WalkTree" + n).c_str(), WalkTreeBench, p)->Unit(ms);
}

void CheckSequence(const GeneratedSequence& s) {
  Ref<ITestElement> root = LoadDefinition(s.definitionPath);
  const long nodes = CountNodes(root);
  TerminateTree(root);
  const long expected = 1 + s.groups + s.steps;
  if (nodes != expected) {
    std::cerr << "the generated sequence of " << s.steps << " steps loads as " << nodes
              << " nodes instead of " << expected << " (is the plug-in registered?)\n";
    std::exit(2);
  }
}

long long PeakRssKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace
}  // namespace velko::bench

int main(int argc, char** argv) {
  using namespace velko::bench;
  CountPugixmlAllocations();
  const Options options = TakeOptions(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("velko-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  int status = 0;
  try {
    PrepareThread(folder);
    RunFigures figures;
    figures.command = options.command;
    for (int steps : options.sizes)
      figures.sequences.push_back(WriteSequence(folder, steps));
    if (options.instructions) {
      CountInstructions(figures.sequences.front());
      ReleaseSharedTree();
      velko::GInitialize::Instance()->ShutDownCore();
      std::filesystem::remove_all(folder);
      return 0;
    }
    if (!options.profile.empty()) ReadInstructionProfile(options.profile, figures);
    for (const GeneratedSequence& s : figures.sequences) {
      CheckSequence(s);
      RegisterSizeBenchmarks(s);
    }
    benchmark::RegisterBenchmark("TestLimits/TenLimitsOfOneKey", TestLimitsBench, true);
    benchmark::RegisterBenchmark("TestLimits/OneLimitPerKey", TestLimitsBench, false);
    benchmark::RegisterBenchmark("CompareNumbers/TenBands", CompareNumbersBench);
    benchmark::RegisterBenchmark("StartCore/TenPlugIns", StartCoreBench)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("CreatePlugIns/TenPlugIns", CreatePlugInsBench)
        ->Unit(benchmark::kMicrosecond);

    CollectingReporter reporter(figures);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    ReleaseSharedTree();

    for (const GeneratedSequence& s : figures.sequences) {
      if (s.steps >= 10000) figures.memory.push_back(MeasureMemory(s));
    }
    figures.peakRssKiB = PeakRssKiB();
    // A missed target is reported (on stderr and in the file), not a failure of the run.
    if (!options.report.empty()) WritePerformanceReport(options.report, figures);
  } catch (const std::exception& e) {
    std::cerr << "benchmark run failed: " << e.what() << "\n";
    status = 1;
  }
  velko::GInitialize::Instance()->ShutDownCore();
  std::filesystem::remove_all(folder);
  benchmark::Shutdown();
  return status;
}
