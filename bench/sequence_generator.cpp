#include "sequence_generator.hpp"

#include <array>
#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace velko::bench {
namespace {

constexpr int kStepsPerGroup = 10;
constexpr int kRelativeEvery = 10;  // one limit in ten is relative
constexpr int kSequenceTest = 1000;
constexpr int kGroupTest = 1001;

struct Quantity {
  const char* key;
  const char* unit;
  const char* high;
  const char* low;  // "" when the limit has no lower bound
  const char* measured;
};

struct StepKind {
  int testId;
  const char* type;
  const char* parameter;
  const char* name;
  const char* procedure;
  std::array<Quantity, 3> quantities;
};

// Five kinds of test step, used in turn.
const std::array<StepKind, 5> kKinds{{
    {10,
     "Protective earth resistance",
     "10 A, 5 s",
     "Protective earth resistance",
     "Connect the protective earth lead of the device under test to the analyser. Apply the test "
     "current for five seconds while flexing the power cord along its length.",
     {{{"R_PE", "Ohm", "0.3", "", "0.118"},
       {"R_PE_MAX", "Ohm", "0.5", "", "0.131"},
       {"I_TEST", "A", "10.5", "9.5", "10.02"}}}},
    {20,
     "Insulation resistance",
     "500 V DC",
     "Insulation mains to protective earth",
     "Switch the device under test on and apply the test voltage between the mains parts and "
     "protective earth. Read the insulation resistance after the value has settled.",
     {{{"R_ISO", "MOhm", "1000", "2", "312.5"},
       {"U_TEST", "V", "550", "500", "512.3"},
       {"T_SETTLE", "s", "10", "1", "4.2"}}}},
    {30,
     "Equipment leakage current",
     "Alternative method",
     "Equipment leakage current",
     "Measure the leakage current of the device under test with the alternative method, with "
     "the mains plug in normal and in reversed polarity.",
     {{{"I_EQ", "mA", "0.5", "", "0.087"},
       {"I_EQ_REV", "mA", "0.5", "", "0.091"},
       {"U_MAINS", "V", "253", "207", "229.8"}}}},
    {40,
     "Applied part leakage current",
     "Type BF",
     "Patient leakage current BF",
     "Connect all applied parts of the same function together and measure the leakage current "
     "from the applied parts to protective earth with mains on the applied parts.",
     {{{"I_AP", "mA", "5", "", "0.012"},
       {"I_AP_REV", "mA", "5", "", "0.013"},
       {"U_AP", "V", "253", "207", "230.1"}}}},
    {50,
     "Functional check",
     "Load 100 W",
     "Power consumption",
     "Operate the device under test at its rated load and record the power consumption and the "
     "current drawn from the mains.",
     {{{"P_LOAD", "W", "120", "80", "101.7"},
       {"I_LOAD", "A", "0.6", "0.3", "0.443"},
       {"PF", "", "1", "0.8", "0.96"}}}},
}};

struct StandardName {
  const char* alpha;
  const char* complete;
};

const std::array<StandardName, 2> kStandards{{
    {"IEC 62353", "Medical electrical equipment - Recurrent test and test after repair"},
    {"VDE 0751-1", "Repeat tests and tests before putting into service"},
}};

// A small, fixed random sequence: the documents are the same in every run.
class Lcg {
 public:
  std::uint32_t Next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::uint32_t>(state_ >> 33);
  }

 private:
  std::uint64_t state_ = 0x5EEDBEEFULL;
};

struct Step {
  int id;
  const StepKind* kind;
};

class Writer {
 public:
  void Open(int depth, const std::string& tag) {
    Indent(depth);
    text_ += '<';
    text_ += tag;
  }
  void Attribute(const char* name, const std::string& value) {
    text_ += ' ';
    text_ += name;
    text_ += "=\"";
    text_ += value;
    text_ += '"';
  }
  void EndOpen() { text_ += ">\n"; }
  void EndEmpty() { text_ += "/>\n"; }
  void Close(int depth, const char* tag) {
    Indent(depth);
    text_ += "</";
    text_ += tag;
    text_ += ">\n";
  }
  void TextElement(int depth, const char* tag, const std::string& value,
                   const char* attribute = nullptr, const std::string& attributeValue = {}) {
    Indent(depth);
    text_ += '<';
    text_ += tag;
    if (attribute != nullptr) Attribute(attribute, attributeValue);
    text_ += '>';
    text_ += value;
    text_ += "</";
    text_ += tag;
    text_ += ">\n";
  }
  std::string& Text() { return text_; }

 private:
  void Indent(int depth) { text_.append(static_cast<std::size_t>(depth) * 2, ' '); }
  std::string text_ = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
};

void WritePlugIn(Writer& out, int depth, int testId) {
  out.Open(depth, "PlugIn");
  out.Attribute("Name", kSequencePlugIn);
  out.Attribute("TestID", std::to_string(testId));
  out.EndEmpty();
}

void WriteGroupInfo(Writer& out, int depth, const std::string& name) {
  out.Open(depth, "Info");
  out.EndOpen();
  out.TextElement(depth + 1, "Type", "Group");
  out.TextElement(depth + 1, "Name", name);
  out.Close(depth, "Info");
  out.Open(depth, "Filter");
  out.EndOpen();
  out.Open(depth + 1, "IncludeInReport");
  out.EndEmpty();
  out.Close(depth, "Filter");
}

void WriteConfiguration(Writer& out, int depth, const char* range) {
  out.Open(depth, "PlugInData");
  out.Attribute("Range", range);
  out.Attribute("Duration", "5");
  out.EndEmpty();
}

class DefinitionWriter {
 public:
  DefinitionWriter(const std::vector<Step>& steps, GeneratedSequence& facts)
      : steps_(steps), facts_(facts) {}

  void WriteStep(int depth, const Step& step) {
    const StepKind& kind = *step.kind;
    out_.Open(depth, "TestElement");
    out_.Attribute("ID", std::to_string(step.id));
    out_.EndOpen();
    WritePlugIn(out_, depth + 1, kind.testId);
    out_.Open(depth + 1, "Info");
    out_.EndOpen();
    out_.TextElement(depth + 2, "Type", kind.type);
    out_.TextElement(depth + 2, "Parameter", kind.parameter);
    out_.TextElement(depth + 2, "Name", std::string(kind.name) + " " + std::to_string(step.id));
    out_.TextElement(depth + 2, "Procedure", kind.procedure, "Format", "2");
    out_.Close(depth + 1, "Info");
    Filter(depth + 1);
    Limits(depth + 1, kind);
    WriteConfiguration(out_, depth + 1, "auto");
    out_.Close(depth, "TestElement");
  }

  void OpenGroup(int depth, int id, int testId, const std::string& name) {
    out_.Open(depth, "TestElement");
    out_.Attribute("ID", std::to_string(id));
    out_.EndOpen();
    WritePlugIn(out_, depth + 1, testId);
    WriteGroupInfo(out_, depth + 1, name);
    WriteConfiguration(out_, depth + 1, "auto");
  }
  void CloseGroup(int depth) { out_.Close(depth, "TestElement"); }

  std::string& Text() { return out_.Text(); }

 private:
  void Filter(int depth) {
    out_.Open(depth, "Filter");
    out_.EndOpen();
    out_.Open(depth + 1, "IncludeInReport");
    out_.EndEmpty();
    out_.Open(depth + 1, "ServiceEvents");
    out_.EndOpen();
    out_.Open(depth + 2, "Activity");
    out_.Attribute("Type", "Inspection");
    out_.Attribute("Event", "Annual");
    out_.EndEmpty();
    out_.Open(depth + 2, "Activity");
    out_.Attribute("Type", "Repair");
    out_.EndEmpty();
    out_.Close(depth + 1, "ServiceEvents");
    out_.Close(depth, "Filter");
  }

  void Limits(int depth, const StepKind& kind) {
    out_.Open(depth, "ExpectedResult");
    out_.EndOpen();
    out_.Open(depth + 1, "Standards");
    out_.EndOpen();
    for (const StandardName& standard : kStandards) {
      out_.Open(depth + 2, "Standard");
      out_.Attribute("AlphaName", standard.alpha);
      out_.Attribute("CompleteName", standard.complete);
      out_.Attribute("Type", "Predefined");
      out_.EndOpen();
      for (const Quantity& quantity : kind.quantities)
        Limit(depth + 3, quantity);
      out_.Close(depth + 2, "Standard");
    }
    out_.Close(depth + 1, "Standards");
    out_.Close(depth, "ExpectedResult");
  }

  void Limit(int depth, const Quantity& quantity) {
    const bool relative = ++facts_.limits % kRelativeEvery == 0;
    out_.Open(depth, "Limit");
    out_.Attribute("Key", quantity.key);
    out_.EndOpen();
    if (!relative) {
      if (*quantity.unit != '\0') out_.TextElement(depth + 1, "Unit", quantity.unit);
      out_.TextElement(depth + 1, "Value", quantity.high, "Type", "High");
      if (*quantity.low != '\0') out_.TextElement(depth + 1, "Value", quantity.low, "Type", "Low");
      out_.Close(depth, "Limit");
      return;
    }
    // Within 10 % of the same kind of measurement of another step anywhere in the sequence.
    ++facts_.relativeLimits;
    const Step& target = steps_[random_.Next() % steps_.size()];
    out_.TextElement(depth + 1, "Unit", "%");
    out_.TextElement(depth + 1, "Operand", "X*Y%");
    out_.TextElement(depth + 1, "Value", "110", "Type", "High");
    out_.TextElement(depth + 1, "Value", "90", "Type", "Low");
    out_.Open(depth + 1, "Reference");
    out_.Attribute("ElementID", std::to_string(target.id));
    out_.Attribute("Key", target.kind->quantities[0].key);
    out_.EndEmpty();
    out_.Close(depth, "Limit");
  }

  const std::vector<Step>& steps_;
  GeneratedSequence& facts_;
  Writer out_;
  Lcg random_;
};

void WriteResultItem(Writer& out, int depth, int id, int status, const std::string& comment,
                     const StepKind* kind) {
  out.Open(depth, "ResultItem");
  out.Attribute("Status", std::to_string(status));
  out.Attribute("Comment", comment);
  out.Attribute("ElementID", std::to_string(id));
  if (kind == nullptr) {
    out.EndOpen();
    return;
  }
  out.EndOpen();
  for (const Quantity& quantity : kind->quantities) {
    out.Open(depth + 1, "Measurement");
    out.Attribute("Key", quantity.key);
    out.Attribute("Value", quantity.measured);
    out.Attribute("Unit", quantity.unit);
    out.EndEmpty();
  }
  out.Close(depth, "ResultItem");
}

std::size_t WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (!file) throw std::runtime_error("cannot write " + path.string());
  return text.size();
}

}  // namespace

GeneratedSequence WriteSequence(const std::filesystem::path& folder, int steps) {
  GeneratedSequence facts;
  facts.groups = (steps + kStepsPerGroup - 1) / kStepsPerGroup;
  facts.steps = facts.groups * kStepsPerGroup;

  // Node IDs in document order: the root, then each group followed by its steps.
  std::vector<Step> all;
  std::vector<int> groupIds;
  int next = 1;
  const int rootId = next++;
  for (int g = 0; g < facts.groups; ++g) {
    groupIds.push_back(next++);
    for (int s = 0; s < kStepsPerGroup; ++s) {
      all.push_back({next++, &kKinds[static_cast<std::size_t>(s) % kKinds.size()]});
    }
  }

  DefinitionWriter definition(all, facts);
  definition.OpenGroup(0, rootId, kSequenceTest, "Annual safety inspection");
  Writer results;
  WriteResultItem(results, 0, rootId, 1, "", nullptr);
  for (int g = 0; g < facts.groups; ++g) {
    const std::string name = "Group " + std::to_string(g + 1);
    definition.OpenGroup(1, groupIds[static_cast<std::size_t>(g)], kGroupTest, name);
    WriteResultItem(results, 1, groupIds[static_cast<std::size_t>(g)], 1, "", nullptr);
    for (int s = 0; s < kStepsPerGroup; ++s) {
      const Step& step = all[static_cast<std::size_t>(g * kStepsPerGroup + s)];
      definition.WriteStep(2, step);
      const int status = step.id % 23 == 0 ? 2 : 1;
      WriteResultItem(results, 2, step.id, status, "Analyser SN 4711, operator JD", step.kind);
    }
    definition.CloseGroup(1);
    results.Close(1, "ResultItem");
  }
  definition.CloseGroup(0);
  results.Close(0, "ResultItem");

  const std::string stem = std::to_string(facts.steps);
  facts.definitionPath = folder / (stem + "-definition.xml");
  facts.resultsPath = folder / (stem + "-results.xml");
  facts.definitionBytes = WriteFile(facts.definitionPath, definition.Text());
  facts.resultsBytes = WriteFile(facts.resultsPath, results.Text());
  return facts;
}

}  // namespace velko::bench
