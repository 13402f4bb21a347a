#include "bench_report.hpp"

#include <sys/utsname.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>
#include <sstream>

namespace velko::bench {
namespace {

constexpr const char* kBegin = "<!-- figures:begin -->";
constexpr const char* kEnd = "<!-- figures:end -->";
constexpr double kMaxGrowth = 11.0;
constexpr double kMinEvaluationsPerSecond = 40e6;
constexpr double kMaxMemoryRatio = 0.7;

struct Comparison {
  const char* operation;
  const char* bench;
  const char* floorText;
  const char* floorBench;
  double maxRatio;                      // 0: no target, the ratio is shown for information
  const char* measured = nullptr;       // the measured functions of the instruction profile
  const char* floorMeasured = nullptr;  // (none: the comparison is not profiled)
};

const Comparison kComparisons[] = {
    {"Load a definition", "LoadDefinition", "pugixml parses the file into its DOM",
     "PugixmlParseDefinition", 2.5, "LoadDefinition", "Parse"},
    {"Load results", "LoadResults", "pugixml parses the results file", "PugixmlParseResults", 0},
    {"Save a definition", "SaveDefinition", "pugixml writes the same DOM to memory",
     "PugixmlWriteDefinition", 2.5, "SaveDefinition", "WriteDefinition"},
    {"Save results", "SaveResults", "pugixml writes the same DOM to memory", "PugixmlWriteResults",
     3.0, "SaveResults", "WriteResults"},
    {"Load a definition", "LoadDefinition",
     "pugixml parses the file and copies every tag, attribute and text",
     "PugixmlParseReadDefinition", 0},
    {"Save a definition", "SaveDefinition",
     "pugixml builds the same DOM node by node and writes it", "PugixmlBuildWriteDefinition", 0},
    {"Save results", "SaveResults", "pugixml builds the same DOM node by node and writes it",
     "PugixmlBuildWriteResults", 0},
    {"Print the tree (HtmlReport)", "PrintReport", "saving the definition", "SaveDefinition", 1.5,
     "PrintReport", "SaveDefinition"},
    {"UpdateReferences", "UpdateReferences", "visiting every node once", "WalkTree", 0},
};

std::string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string Duration(double seconds) {
  if (seconds >= 1.0) return Fixed(seconds, 2) + " s";
  if (seconds >= 1e-3) return Fixed(seconds * 1e3, seconds >= 0.1 ? 0 : 2) + " ms";
  if (seconds >= 1e-6) return Fixed(seconds * 1e6, 1) + " µs";
  return Fixed(seconds * 1e9, 1) + " ns";
}

std::string Bytes(long long bytes) {
  const double b = static_cast<double>(bytes);
  if (b >= 1024.0 * 1024.0) return Fixed(b / (1024.0 * 1024.0), 1) + " MiB";
  if (b >= 1024.0) return Fixed(b / 1024.0, 1) + " KiB";
  return std::to_string(bytes) + " B";
}

std::string Grouped(long long n) {
  std::string digits = std::to_string(n);
  for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
    digits.insert(static_cast<std::size_t>(at), ",");
  return digits;
}

std::string Ratio(double ratio) {
  return (ratio == static_cast<int>(ratio) ? Fixed(ratio, 0) : Fixed(ratio, 1)) + "x";
}

std::string Verdict(bool met) {
  return met ? "yes" : "**no**";
}

std::string FirstLineWith(const char* path, const std::string& prefix) {
  std::ifstream file(path);
  for (std::string line; std::getline(file, line);) {
    if (line.rfind(prefix, 0) == 0) {
      const std::size_t colon = line.find(':');
      return colon == std::string::npos ? line
                                        : line.substr(line.find_first_not_of(" \t", colon + 1));
    }
  }
  return "unknown";
}

std::string Machine() {
  utsname name{};
  uname(&name);
  std::ostringstream out;
  out << FirstLineWith("/proc/cpuinfo", "model name") << ", " << sysconf(_SC_NPROCESSORS_ONLN)
      << " cores, " << FirstLineWith("/proc/meminfo", "MemTotal") << " memory, " << name.sysname
      << " " << name.release;
  return out.str();
}

std::string UtcNow() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", &utc);
  return text;
}

class Figures {
 public:
  explicit Figures(const RunFigures& run) : run_(run) {}

  // Seconds per iteration of "<bench>/<steps>", or a negative number when it did not run.
  double Time(const std::string& bench, int steps) const {
    return Time(bench + "/" + std::to_string(steps));
  }
  double Time(const std::string& name) const {
    const auto found = run_.runs.find(name);
    return found == run_.runs.end() ? -1.0 : found->second.seconds;
  }

  bool allMet = true;

  void Require(bool met, const std::string& what) {
    if (met) return;
    allMet = false;
    std::cerr << "target missed: " << what << "\n";
  }

 private:
  const RunFigures& run_;
};

void WriteSequences(std::ostream& out, const RunFigures& run) {
  out << "| Steps | Groups | Limits | Relative limits | Definition file | Results file |\n"
      << "|---:|---:|---:|---:|---:|---:|\n";
  for (const GeneratedSequence& s : run.sequences) {
    out << "| " << Grouped(s.steps) << " | " << Grouped(s.groups) << " | " << Grouped(s.limits)
        << " | " << Grouped(s.relativeLimits) << " | "
        << Bytes(static_cast<long long>(s.definitionBytes)) << " | "
        << Bytes(static_cast<long long>(s.resultsBytes)) << " |\n";
  }
}

void WriteComparisons(std::ostream& out, const RunFigures& run, Figures& figures) {
  out << "| Operation | Steps | VelkoCore | Floor | Floor time | Ratio | Target | Met |\n"
      << "|---|---:|---:|---|---:|---:|---:|:---:|\n";
  for (const Comparison& c : kComparisons) {
    for (const GeneratedSequence& s : run.sequences) {
      const double ours = figures.Time(c.bench, s.steps);
      const double floor = figures.Time(c.floorBench, s.steps);
      if (ours < 0 || floor <= 0) continue;
      const double ratio = ours / floor;
      out << "| " << c.operation << " | " << Grouped(s.steps) << " | " << Duration(ours) << " | "
          << c.floorText << " | " << Duration(floor) << " | " << Fixed(ratio, 2) << "x | ";
      if (c.maxRatio > 0) {
        const bool met = ratio <= c.maxRatio;
        figures.Require(met, std::string(c.operation) + " at " + std::to_string(s.steps) +
                                 " steps: " + Fixed(ratio, 2) + "x");
        out << "≤ " << Ratio(c.maxRatio) << " | " << Verdict(met) << " |\n";
      } else {
        out << "- | - |\n";
      }
    }
  }
}

void WriteInstructions(std::ostream& out, const RunFigures& run, Figures& figures) {
  if (run.instructions.empty()) {
    out << "(not measured: the run was given no instruction profile)\n";
    return;
  }
  const auto count = [&](const char* name) {
    const auto found = run.instructions.find(name);
    return found == run.instructions.end() ? -1.0 : found->second;
  };
  out << "Instructions of one operation on the sequence of " << Grouped(run.instructionSteps)
      << " steps, counted by callgrind in one run of `velko_bench --instructions`.\n\n"
      << "| Operation | VelkoCore | Floor | Floor instructions | Ratio | Target | Met |\n"
      << "|---|---:|---|---:|---:|---:|:---:|\n";
  for (const Comparison& c : kComparisons) {
    if (c.measured == nullptr) continue;
    const double ours = count(c.measured);
    const double floor = count(c.floorMeasured);
    if (ours < 0 || floor <= 0) continue;
    const double ratio = ours / floor;
    const bool met = ratio <= c.maxRatio;
    figures.Require(met, std::string(c.operation) + " in instructions: " + Fixed(ratio, 2) + "x");
    out << "| " << c.operation << " | " << Fixed(ours / 1e6, 1) << " M | " << c.floorText << " | "
        << Fixed(floor / 1e6, 1) << " M | " << Fixed(ratio, 2) << "x | ≤ " << Ratio(c.maxRatio)
        << " | " << Verdict(met) << " |\n";
  }
  if (const double judged = count("TestLimits"); judged > 0 && run.instructionJudgements > 0) {
    out << "| TestLimits, one limit per key (per call) | "
        << Fixed(judged / static_cast<double>(run.instructionJudgements), 0)
        << " | - | - | - | - | - |\n";
  }
}

void WriteGrowth(std::ostream& out, const RunFigures& run, Figures& figures) {
  const GeneratedSequence* small = nullptr;
  const GeneratedSequence* large = nullptr;
  for (const GeneratedSequence& s : run.sequences) {
    if (s.steps == 10000) small = &s;
    if (s.steps == 100000) large = &s;
  }
  if (small == nullptr || large == nullptr) {
    out << "(not measured: the run had no sequences of 10,000 and 100,000 steps)\n";
    return;
  }
  out << "| Figure | 10,000 steps | 100,000 steps | Growth | Target | Met |\n"
      << "|---|---:|---:|---:|---:|:---:|\n";
  const char* benches[] = {
      "LoadDefinition", "LoadResults",      "SaveDefinition",         "SaveResults",
      "PrintReport",    "UpdateReferences", "PugixmlParseDefinition", "PugixmlWriteDefinition",
      "WalkTree"};
  for (const char* bench : benches) {
    const double a = figures.Time(bench, small->steps);
    const double b = figures.Time(bench, large->steps);
    if (a <= 0 || b < 0) continue;
    const double growth = b / a;
    const bool ours =
        std::string(bench).rfind("Pugixml", 0) != 0 && std::string(bench) != "WalkTree";
    out << "| " << bench << " | " << Duration(a) << " | " << Duration(b) << " | "
        << Fixed(growth, 1) << "x | ";
    if (ours) {
      const bool met = growth <= kMaxGrowth;
      figures.Require(met, std::string(bench) + " grows " + Fixed(growth, 1) + "x");
      out << "≤ 11x | " << Verdict(met) << " |\n";
    } else {
      out << "(floor) | - |\n";
    }
  }
  const auto memory = [&](int steps) -> const MemoryFigures* {
    for (const MemoryFigures& m : run.memory) {
      if (m.steps == steps) return &m;
    }
    return nullptr;
  };
  if (const MemoryFigures* a = memory(small->steps), *b = memory(large->steps); a && b) {
    const double growth = static_cast<double>(b->treeBytes) / static_cast<double>(a->treeBytes);
    const bool met = growth <= kMaxGrowth;
    figures.Require(met, "memory grows " + Fixed(growth, 1) + "x");
    out << "| Memory of the loaded tree | " << Bytes(a->treeBytes) << " | " << Bytes(b->treeBytes)
        << " | " << Fixed(growth, 1) << "x | ≤ 11x | " << Verdict(met) << " |\n";
  }
}

void WriteReferences(std::ostream& out, const RunFigures& run, Figures& figures) {
  out << "| Steps | Relative limits k | UpdateReferences | per relative limit | per node |\n"
      << "|---:|---:|---:|---:|---:|\n";
  for (const GeneratedSequence& s : run.sequences) {
    const double t = figures.Time("UpdateReferences", s.steps);
    if (t < 0) continue;
    const int nodes = 1 + s.groups + s.steps;
    out << "| " << Grouped(s.steps) << " | " << Grouped(s.relativeLimits) << " | " << Duration(t)
        << " | " << Duration(t / s.relativeLimits) << " | " << Duration(t / nodes) << " |\n";
  }
}

void WriteLimits(std::ostream& out, Figures& figures) {
  out << "| Benchmark | Time per call | Limit evaluations per second | Target | Met |\n"
      << "|---|---:|---:|---:|:---:|\n";
  struct Row {
    const char* name;
    const char* text;
    int calls;        // per iteration of the benchmark
    int evaluations;  // per call
    bool target;
  };
  const Row rows[] = {
      {"TestLimits/TenLimitsOfOneKey", "TestLimits, ten limits of the measured key", 1000, 10,
       true},
      {"TestLimits/OneLimitPerKey", "TestLimits, ten limits of ten keys (one judged)", 1000, 1,
       true},
      {"CompareNumbers/TenBands", "floor: ten bands compared as plain numbers", 1, 10, false},
  };
  for (const Row& row : rows) {
    const double t = figures.Time(row.name) / row.calls;
    if (t <= 0) continue;
    const double rate = row.evaluations / t;
    out << "| " << row.text << " | " << Duration(t) << " | " << Fixed(rate / 1e6, 1) << " M | ";
    if (row.target) {
      const bool met = rate >= kMinEvaluationsPerSecond;
      figures.Require(met, std::string(row.name) + ": " + Fixed(rate / 1e6, 1) + " M/s");
      out << "≥ " << Fixed(kMinEvaluationsPerSecond / 1e6, 0) << " M | " << Verdict(met) << " |\n";
    } else {
      out << "- | - |\n";
    }
  }
}

void WriteStartUp(std::ostream& out, Figures& figures) {
  const double core = figures.Time("StartCore/TenPlugIns");
  const double floor = figures.Time("CreatePlugIns/TenPlugIns");
  if (core < 0) return;
  out << "| Operation | Time | Floor | Floor time | Ratio |\n|---|---:|---|---:|---:|\n"
      << "| InitCore + PlugInManager.Initialize + ShutDownCore, ten registered plug-ins | "
      << Duration(core) << " | the ten plug-ins created by ProgID and initialised directly | "
      << (floor > 0 ? Duration(floor) : "-") << " | "
      << (floor > 0 ? Fixed(core / floor, 2) + "x" : "-") << " |\n";
}

void WriteMemory(std::ostream& out, const RunFigures& run, Figures& figures) {
  out << "| Steps | Loaded tree | Peak while loading | pugixml DOM of the file | Tree / DOM | "
         "Target | Met |\n|---:|---:|---:|---:|---:|---:|:---:|\n";
  for (const MemoryFigures& m : run.memory) {
    const double ratio = static_cast<double>(m.treeBytes) / static_cast<double>(m.domBytes);
    const bool target = &m == &run.memory.back();  // the largest sequence measured
    out << "| " << Grouped(m.steps) << " | " << Bytes(m.treeBytes) << " | "
        << Bytes(m.loadPeakBytes) << " | " << Bytes(m.domBytes) << " | " << Fixed(ratio, 2)
        << "x | ";
    if (target) {
      const bool met = ratio <= kMaxMemoryRatio;
      figures.Require(met, "memory of the loaded sequence: " + Fixed(ratio, 2) + "x the DOM");
      out << "≤ " << Ratio(kMaxMemoryRatio) << " | " << Verdict(met) << " |\n";
    } else {
      out << "- | - |\n";
    }
  }
  out << "\nPeak resident set of the whole benchmark process: " << Bytes(run.peakRssKiB * 1024)
      << ".\n";
}

std::string FiguresSection(const RunFigures& run, bool& allMet) {
  Figures figures(run);
  std::ostringstream out;
  out << kBegin << "\n"
      << "<!-- Generated by bench/velko_bench; edit outside the markers. -->\n\n"
      << "## Figures of the last run\n\n"
      << "- Machine: " << Machine() << "\n"
      << "- Compiler: " << VELKO_BENCH_COMPILER << ", " << VELKO_BENCH_BUILD_TYPE << " build\n"
      << "- Date: " << UtcNow() << "\n"
      << "- Reproduce: `" << (run.command.empty() ? "make bench" : run.command) << "`\n\n"
      << "Times are the CPU time of the benchmark thread per operation (the mean of the "
         "iterations), so that other work on the machine does not count; all figures come from "
         "one run of one single-threaded process.\n\n"
      << "### Sequences\n\n";
  WriteSequences(out, run);
  out << "\n### The library beside its floor\n\n";
  WriteComparisons(out, run, figures);
  out << "\n### Instructions\n\n";
  WriteInstructions(out, run, figures);
  out << "\n### From 10,000 to 100,000 steps\n\n";
  WriteGrowth(out, run, figures);
  out << "\n### Reference updates\n\n"
      << "k relative limits in n nodes. A reference names a step anywhere in the sequence "
         "(almost always in another group), so most are resolved by the root after their own "
         "group missed.\n\n";
  WriteReferences(out, run, figures);
  out << "\n### Limit evaluation\n\n";
  WriteLimits(out, figures);
  out << "\n### Start-up\n\n";
  WriteStartUp(out, figures);
  out << "\n### Memory\n\n"
      << "Bytes counted by the benchmark program's allocation counters (a counting operator new "
         "for the library, pugixml's allocation hooks for its DOM).\n\n";
  WriteMemory(out, run, figures);
  out << "\n"
      << (figures.allMet ? "All targets met." : "**Some targets are missed** (see above).") << "\n"
      << kEnd << "\n";
  allMet = figures.allMet;
  return out.str();
}

}  // namespace

void ReadInstructionProfile(const std::filesystem::path& file, RunFigures& figures) {
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    if (std::sscanf(line.c_str(), "steps %d, judgements %lld", &figures.instructionSteps,
                    &figures.instructionJudgements) == 2) {
      continue;
    }
    // "  1,234,567 (12.34%)  file.cpp:velko::bench::(anonymous namespace)::MeasuredLoad...(...)"
    const std::size_t at = line.find("::Measured");
    if (at == std::string::npos) continue;
    const std::size_t nameStart = at + std::string("::Measured").size();
    const std::string name = line.substr(nameStart, line.find('(', nameStart) - nameStart);
    std::string digits;
    for (const char c : line.substr(0, line.find_first_of("(", line.find_first_not_of(' ')))) {
      if (c >= '0' && c <= '9') digits += c;
    }
    if (!digits.empty() && !figures.instructions.count(name)) {
      figures.instructions[name] = std::stod(digits);
    }
  }
}

bool WritePerformanceReport(const std::filesystem::path& file, const RunFigures& figures) {
  bool allMet = true;
  const std::string section = FiguresSection(figures, allMet);
  std::string text;
  {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
  }
  const std::size_t begin = text.find(kBegin);
  const std::size_t end = text.find(kEnd);
  if (begin != std::string::npos && end != std::string::npos && end > begin) {
    std::size_t after = end + std::string(kEnd).size();
    if (after < text.size() && text[after] == '\n') ++after;
    text.replace(begin, after - begin, section);
  } else {
    if (text.empty()) text = "# Performance\n\n";
    if (text.back() != '\n') text += '\n';
    text += "\n" + section;
  }
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out) {
    std::cerr << "cannot write " << file << "\n";
    return false;
  }
  std::cout << "figures written to " << file << "\n";
  return allMet;
}

}  // namespace velko::bench
