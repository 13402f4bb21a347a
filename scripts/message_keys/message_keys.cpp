// velko-message-keys: keeps the message keys of the code, the key lists beside the code and the
// catalogues in step, and writes the translators' templates.
//
//   velko-message-keys check ROOT          fails (exit 1) when a key used in the code is missing
//                                          from its key list or from the English catalogue
//   velko-message-keys pot ROOT [FOLDER]   checks, then writes one template (<catalogue>.pot) per
//                                          catalogue from the key lists (default: ROOT/data/lang)
//
// A key list ("message_keys.txt") holds one key per line: the key, a tab, the default text (the
// English msgid, with \n, \t, \\ and \" as in a PO string); "#" lines are comments. Keys used in
// the code are the "key::" prefixes of string literals (full-line comments are skipped), those of
// the default registry, and the message keys (number - 0x80040200) of the error numbers the code
// raises: the library's are named in error_numbers.hpp, a plug-in's in its own code.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "outside/language/po_catalogue.hpp"

namespace {

namespace fs = std::filesystem;
using std::string;

constexpr std::uint64_t kErrorBase = 0x80040200u;

// One catalogue: the code that uses its keys, its key list, its English text and its template.
struct Domain {
  string catalogue;                   // "velkocore", "Simulator"
  std::vector<fs::path> codeFolders;  // *.cpp and *.hpp below them
  bool codeNamesErrors;               // whether ErrorNumber(...) in that code counts
  std::vector<fs::path> extraFiles;   // further files whose keys count (registry defaults...)
  std::vector<fs::path> errorFiles;   // files whose ErrorNumber(...) count
  fs::path keyList;
  fs::path englishCatalogue;
};

std::vector<Domain> DomainsOf(const fs::path& root) {
  std::vector<Domain> domains;
  const fs::path english = root / "data" / "lang" / "en";
  if (fs::is_directory(root / "src")) {
    // The library raises the numbers named in error_numbers.hpp; other numbers in its code are
    // numbers it passes on or platform codes, whose texts come from elsewhere.
    Domain library{"velkocore",
                   {root / "src"},
                   false,
                   {},
                   {root / "include" / "velko" / "core" / "error_numbers.hpp"},
                   root / "src" / "message_keys.txt",
                   english / "velkocore.po"};
    if (fs::is_directory(root / "data" / "registry")) {
      for (const auto& entry : fs::directory_iterator(root / "data" / "registry")) {
        if (entry.path().extension() == ".reg") library.extraFiles.push_back(entry.path());
      }
    }
    domains.push_back(std::move(library));
  }
  // The host layer and its front ends share one catalogue.
  if (fs::is_directory(root / "host")) {
    std::vector<fs::path> code{root / "host"};
    if (fs::is_directory(root / "apps")) code.push_back(root / "apps");
    domains.push_back({"velkohost",
                       code,
                       false,
                       {},
                       {},
                       root / "host" / "message_keys.txt",
                       english / "velkohost.po"});
  }
  const fs::path simulator = root / "plugins" / "simulator";
  if (fs::is_directory(simulator)) {
    domains.push_back({"Simulator",
                       {simulator},
                       true,
                       {},
                       {},
                       simulator / "message_keys.txt",
                       english / "Simulator.po"});
  }
  return domains;
}

std::optional<string> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The text without its full-line "//" comments, so that a key named in a comment does not count.
string WithoutCommentLines(const string& text) {
  static const std::regex commentLine(R"(^[ \t]*//.*$)", std::regex::multiline);
  return std::regex_replace(text, commentLine, "");
}

// Sorts "460" before "1000" and plain keys before "E" keys.
bool KeyLess(const string& a, const string& b) {
  const bool aE = a.front() == 'E';
  const bool bE = b.front() == 'E';
  if (aE != bE) return bE;
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

struct KeyOrder {
  bool operator()(const string& a, const string& b) const { return KeyLess(a, b); }
};

// Key -> the files (relative to the root) that use it.
using KeyUses = std::map<string, std::set<string>, KeyOrder>;

void CollectKeys(const fs::path& root, const fs::path& file, bool withErrors, KeyUses& uses) {
  const auto text = ReadFile(file);
  if (!text) return;
  const string code = WithoutCommentLines(*text);
  const string where = fs::relative(file, root).generic_string();
  static const std::regex messageKey(R"re("(E?[0-9]+)::)re");
  for (std::sregex_iterator it(code.begin(), code.end(), messageKey), end; it != end; ++it) {
    uses[(*it)[1]].insert(where);
  }
  if (!withErrors) return;
  static const std::regex errorNumber(R"re(ErrorNumber\(\s*0x([0-9A-Fa-f]{8})u?\s*\))re");
  for (std::sregex_iterator it(code.begin(), code.end(), errorNumber), end; it != end; ++it) {
    const std::uint64_t number = std::stoull((*it)[1], nullptr, 16);
    if (number > kErrorBase) uses[std::to_string(number - kErrorBase)].insert(where);
  }
}

KeyUses CodeKeys(const fs::path& root, const Domain& domain) {
  KeyUses uses;
  for (const auto& folder : domain.codeFolders) {
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
      const auto extension = entry.path().extension();
      if (entry.is_regular_file() && (extension == ".cpp" || extension == ".hpp")) {
        CollectKeys(root, entry.path(), domain.codeNamesErrors, uses);
      }
    }
  }
  for (const auto& file : domain.extraFiles)
    CollectKeys(root, file, false, uses);
  for (const auto& file : domain.errorFiles)
    CollectKeys(root, file, true, uses);
  return uses;
}

// The default text of a list line: \n, \t, \\ and \" stand for a line break, a tab, a
// backslash and a quote (as in a PO string); nullopt for any other backslash.
std::optional<string> Unescaped(const string& text) {
  string raw;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      raw += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    switch (text[i]) {
      case 'n':
        raw += '\n';
        break;
      case 't':
        raw += '\t';
        break;
      case '\\':
        raw += '\\';
        break;
      case '"':
        raw += '"';
        break;
      default:
        return std::nullopt;
    }
  }
  return raw;
}

struct ListEntry {
  string key;
  string text;
};

struct KeyList {
  std::vector<ListEntry> entries;
  std::vector<string> problems;
};

KeyList ReadKeyList(const fs::path& root, const fs::path& path) {
  KeyList list;
  const string name = fs::relative(path, root).generic_string();
  const auto text = ReadFile(path);
  if (!text) {
    list.problems.push_back(name + ": the key list cannot be read");
    return list;
  }
  static const std::regex keyShape(R"(E?[0-9]+)");
  std::set<string> seen;
  std::istringstream lines(*text);
  string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.front() == '#') continue;
    const auto tab = line.find('\t');
    const string key = line.substr(0, tab);
    const string where = name + ":" + std::to_string(number) + ": ";
    if (tab == string::npos || !std::regex_match(key, keyShape)) {
      list.problems.push_back(where +
                              "expected a key (digits, or E and digits), a tab and the "
                              "default text");
    } else if (!seen.insert(key).second) {
      list.problems.push_back(where + "the key " + key + " is listed twice");
    } else if (const auto defaultText = Unescaped(line.substr(tab + 1))) {
      list.entries.push_back({key, *defaultText});
    } else {
      list.problems.push_back(where + "a backslash may only start \\n, \\t, \\\\ or \\\"");
    }
  }
  return list;
}

// The problems of one catalogue's keys; notes go to standard error and do not fail.
std::vector<string> CheckDomain(const fs::path& root, const Domain& domain, const KeyList& list) {
  std::vector<string> problems = list.problems;
  const KeyUses uses = CodeKeys(root, domain);
  std::set<string> listed;
  for (const auto& entry : list.entries)
    listed.insert(entry.key);

  const string listName = fs::relative(domain.keyList, root).generic_string();
  const string catalogueName = fs::relative(domain.englishCatalogue, root).generic_string();
  for (const auto& [key, files] : uses) {
    if (!listed.contains(key)) {
      problems.push_back(*files.begin() + ": the key " + key + " is missing from " + listName);
    }
  }

  const auto read = velko::language::ReadCatalogue(domain.englishCatalogue.string());
  if (const auto* problem = std::get_if<velko::language::CatalogueProblem>(&read)) {
    problems.push_back(catalogueName + ": " + problem->message);
    return problems;
  }
  const auto& texts = std::get<velko::language::Catalogue>(read).texts;
  std::set<string, KeyOrder> needed(listed.begin(), listed.end());
  for (const auto& [key, files] : uses)
    needed.insert(key);
  for (const auto& key : needed) {
    if (!texts.contains(key)) {
      problems.push_back(catalogueName + ": the key " + key + " has no English text");
    }
  }
  for (const auto& key : listed) {
    if (!uses.contains(key)) {
      std::cerr << "note: " << listName << " lists " << key << ", which the code does not name\n";
    }
  }
  return problems;
}

string PoQuoted(const string& text) {
  string quoted = "\"";
  for (const char c : text) {
    switch (c) {
      case '"':
        quoted += "\\\"";
        break;
      case '\\':
        quoted += "\\\\";
        break;
      case '\t':
        quoted += "\\t";
        break;
      case '\n':
        quoted += "\\n";
        break;
      default:
        quoted += c;
    }
  }
  return quoted + "\"";
}

string TemplateText(const fs::path& root, const Domain& domain, const KeyList& list) {
  const KeyUses uses = CodeKeys(root, domain);
  std::ostringstream pot;
  pot << "# Message texts of the " << domain.catalogue << " catalogue: the template for "
      << "translators.\n"
      << "# Made by `make pot` from " << fs::relative(domain.keyList, root).generic_string()
      << "; do not edit. msgctxt is the message key,\n"
      << "# msgid the English default text; copy to data/lang/<language>/" << domain.catalogue
      << ".po and fill in msgstr.\n"
      << "msgid \"\"\n"
      << "msgstr \"\"\n"
      << "\"Project-Id-Version: VelkoCore " << VELKO_VERSION << "\\n\"\n"
      << "\"Report-Msgid-Bugs-To: translation@velko.example\\n\"\n"
      << "\"PO-Revision-Date: YEAR-MO-DA HO:MI+ZONE\\n\"\n"
      << "\"Last-Translator: FULL NAME <EMAIL@ADDRESS>\\n\"\n"
      << "\"Language-Team: LANGUAGE <LL@li.org>\\n\"\n"
      << "\"Language: \\n\"\n"
      << "\"MIME-Version: 1.0\\n\"\n"
      << "\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
      << "\"Content-Transfer-Encoding: 8bit\\n\"\n"
      << "\"X-Velko-Unicode: 0\\n\"\n"
      << "\"X-Velko-CharSet: 0\\n\"\n";
  for (const auto& entry : list.entries) {
    pot << "\n";
    if (const auto found = uses.find(entry.key); found != uses.end()) {
      for (const auto& file : found->second)
        pot << "#: " << file << "\n";
    }
    pot << "msgctxt " << PoQuoted(entry.key) << "\nmsgid " << PoQuoted(entry.text)
        << "\nmsgstr \"\"\n";
  }
  return pot.str();
}

bool WriteFile(const fs::path& path, const string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  return static_cast<bool>(out);
}

int Usage() {
  std::cerr << "usage: velko-message-keys check ROOT\n"
               "       velko-message-keys pot ROOT [FOLDER]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const string mode = argv[1];
  if ((mode != "check" || argc != 3) && (mode != "pot" || argc > 4)) return Usage();
  std::error_code ec;
  const fs::path root = fs::canonical(argv[2], ec);
  if (ec) {
    std::cerr << "velko-message-keys: " << argv[2] << ": " << ec.message() << "\n";
    return 2;
  }
  const std::vector<Domain> domains = DomainsOf(root);
  if (domains.empty()) {
    std::cerr << "velko-message-keys: " << root.string()
              << " holds none of src/, host/ and plugins/\n";
    return 2;
  }

  std::vector<KeyList> lists;
  std::size_t problems = 0;
  for (const auto& domain : domains) {
    lists.push_back(ReadKeyList(root, domain.keyList));
    for (const auto& problem : CheckDomain(root, domain, lists.back())) {
      std::cerr << problem << "\n";
      ++problems;
    }
  }
  if (problems != 0) {
    std::cerr << problems << " message key problem(s)\n";
    return 1;
  }
  if (mode == "check") return 0;

  const fs::path folder = argc == 4 ? fs::path(argv[3]) : root / "data" / "lang";
  for (std::size_t i = 0; i < domains.size(); ++i) {
    const fs::path file = folder / (domains[i].catalogue + ".pot");
    if (!WriteFile(file, TemplateText(root, domains[i], lists[i]))) {
      std::cerr << "velko-message-keys: cannot write " << file.string() << "\n";
      return 1;
    }
    std::cout << "wrote " << file.string() << " (" << lists[i].entries.size() << " keys)\n";
  }
  return 0;
}
