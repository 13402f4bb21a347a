#include "velko/outside/registry.hpp"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <thread>

#include "support/test_paths.hpp"
#include "velko/core/error_numbers.hpp"
#include "velko/core/gtranslate.hpp"
#include "velko/frame/error.hpp"
#include "velko/frame/text.hpp"

namespace velko {
namespace {

namespace fs = std::filesystem;

constexpr Long kHKeyCurrentUser = ErrorNumber(0x80000001u);

// The error a call raises (number 0 when it raises none).
Error ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const Error& e) {
    return e;
  }
  return Error(0, "", "");
}

String ReadFile(const String& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const String& path, const String& text) {
  std::ofstream(path, std::ios::binary) << text;
}

Ref<IRegistryKey> Open(const String& path, Long hive = kHKeyLocalMachine) {
  Ref<IRegistryKey> key = CreateRegistryKey();
  key->OpenKey(hive, path);
  return key;
}

Ref<IRegistryKey> Create(const String& path) {
  Ref<IRegistryKey> key = CreateRegistryKey();
  key->CreateKey(kHKeyLocalMachine, path);
  return key;
}

std::vector<String> ValueNames(const Ref<IRegistryKey>& key) {
  std::vector<String> names;
  for (Long i = 1; i <= key->ValueCount(); ++i)
    names.push_back(key->ValueName(i));
  return names;
}

std::vector<String> SubKeyNames(const Ref<IRegistryKey>& key) {
  std::vector<String> names;
  for (Long i = 1; i <= key->SubKeyCount(); ++i)
    names.push_back(key->SubKey(i)->KeyName());
  return names;
}

// A private folder per test; the thread goes back to the default store afterwards. The folder is
// in memory where the system offers one: every write syncs the file and its folder, and the
// multi-process tests are about locking and renaming, not about the speed of the disk.
String PrivateFolder() {
  std::error_code ec;
  if (fs::is_directory("/dev/shm", ec) && access("/dev/shm", W_OK) == 0) {
    String pattern = "/dev/shm/velko-registry-XXXXXX";
    if (mkdtemp(pattern.data())) return pattern;
  }
  return test::MakeTempDir("velko-registry-");
}

class RegistryFileTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = PrivateFolder(); }
  void TearDown() override {
    UseDefaultRegistry();
    fs::remove_all(dir_);
  }
  String Path(const String& name) const { return dir_ + "/" + name; }
  // A copy of `source` as the thread's store.
  String UseCopyOf(const String& source) {
    const String path = Path("store.reg");
    fs::copy_file(source, path);
    UseRegistryFile(path);
    return path;
  }

  String dir_;
};

TEST_F(RegistryFileTest, ShippedDefaultRegistryReadsAndWritesBackUnchanged) {
  const String shipped = test::SourceDataPath("registry/default.reg");
  const String path = UseCopyOf(shipped);

  EXPECT_EQ(Open(kVelkoRootKey)->Value("FirstPlugInToLoad").ToString(), "Simulator");
  for (Long id = kRegPathPlugIns; id <= kRegPathReport; ++id) {
    EXPECT_EQ(ErrorOf([&] { Open(RegistryPaths()->KeyPath(id)); }).Number(), 0) << id;
  }
  EXPECT_EQ(Open(RegistryPaths()->KeyPath(kRegPathPlugIns))->ValueCount(), 0);
  EXPECT_EQ(Open(RegistryPaths()->KeyPath(kRegPathLanguage))->Value("Path").ToString(), "");
  const Variant display =
      Open(RegistryPaths()->KeyPath(kRegPathGeneral))->Value("DisplayServiceRecord");
  EXPECT_EQ(display.GetType(), Variant::Type::kLong);
  EXPECT_EQ(display.ToLong(), 0);
  Open(RegistryPaths()->KeyPath(kRegPathProduct) + "\\Template");

  const auto dut = Open(RegistryPaths()->KeyPath(kRegPathProduct) + "\\Test record\\DUT Info");
  EXPECT_EQ(SubKeyNames(dut),
            (std::vector<String>{"Manufacturer", "Model", "SerialNumber", "AssetNumber",
                                 "Description", "Customer", "Location", "Department",
                                 "ProtectionClass", "AppliedPartType"}));
  const auto serial = dut->SubKey(3);
  EXPECT_EQ(serial->Value("Caption").ToString(), "472::Serial number");
  EXPECT_EQ(serial->Value("Key").ToLong(), 1);
  EXPECT_EQ(dut->SubKey(10)->Value("Ord").ToLong(), 10);

  const auto standards = Open(RegistryPaths()->KeyPath(kRegPathStandards));
  EXPECT_EQ(SubKeyNames(standards), (std::vector<String>{"IEC 62353", "IEC 60601-1", "In-house"}));
  EXPECT_EQ(ValueNames(standards->SubKey(1)),
            (std::vector<String>{"#comment", "IEC 62353:2014 Class I", "IEC 62353:2014 Class II"}));

  // A write re-reads and rewrites the whole file: the shipped text is its own canonical form.
  Open(kVelkoRootKey)->SetValue("FirstPlugInToLoad", "Simulator");
  EXPECT_EQ(ReadFile(path), ReadFile(shipped));
}

TEST_F(RegistryFileTest, ReadsEveryValueKindAndKeepsForeignKindsOnWrite) {
  const String path = UseCopyOf(test::TestDataPath("registry/sample.reg"));
  const auto sample = Open("Software\\Sample");

  // File order; the comment line between values is no value.
  EXPECT_EQ(ValueNames(sample),
            (std::vector<String>{"", "Quote", "Number", "Negative", "Binary", "Expand", "Zeta"}));
  EXPECT_EQ(sample->Value("").ToString(), "default text");
  EXPECT_EQ(sample->Value(Variant()).ToString(), "default text");
  EXPECT_EQ(sample->Value("Quote").ToString(), "say \"hi\" to C:\\temp");
  EXPECT_EQ(sample->Value("Number").ToLong(), 10);
  EXPECT_EQ(sample->Value(Long{4}).ToLong(), -1);
  EXPECT_EQ(sample->Value(7).ToString(), "last");
  for (const char* other : {"Binary", "Expand"}) {
    const Error e = ErrorOf([&] { sample->Value(other); });
    EXPECT_EQ(e.Number(), err::kRegistryValueUnreadable) << other;
    EXPECT_NE(e.Description().find(other), String::npos) << e.Description();
  }

  // Keys exist through their sub-keys' sections; sub-keys in the order they first appear.
  EXPECT_EQ(SubKeyNames(sample), (std::vector<String>{"Beta", "alpha"}));
  EXPECT_EQ(sample->SubKey(1)->Value("InBeta").ToString(), "yes");
  EXPECT_EQ(SubKeyNames(sample->SubKey(1)), (std::vector<String>{"Deep"}));
  EXPECT_EQ(Open("Software\\Sample", kHKeyCurrentUser)->Value("Hive").ToString(), "user");

  sample->SetValue("Added", "text with\nline break");
  const String written = ReadFile(path);
  EXPECT_NE(written.find("\"Expand\"=hex(2):25,00,50,00,41,00,54,00,48,00,25,00,\\\n  00,00\n"),
            String::npos);
  EXPECT_NE(written.find("\"Binary\"=hex:01,02,03\n"), String::npos);
  EXPECT_NE(written.find("; a comment between values\n"), String::npos);

  UseRegistryFile(path);  // a fresh store reads the written file the same way
  const auto again = Open("Software\\Sample");
  EXPECT_EQ(ValueNames(again), (std::vector<String>{"", "Quote", "Number", "Negative", "Binary",
                                                    "Expand", "Zeta", "Added"}));
  EXPECT_EQ(again->Value("Quote").ToString(), "say \"hi\" to C:\\temp");
  EXPECT_EQ(again->Value("Added").ToString(), "text with\nline break");
  EXPECT_EQ(again->Value("Negative").ToLong(), -1);
  EXPECT_EQ(SubKeyNames(again), (std::vector<String>{"Beta", "alpha"}));
}

TEST(RegistryKeys, PathsAndValueNamesIgnoreCaseAndKeepTheStoredSpelling) {
  UseInMemoryRegistry();
  Create("Software\\Brenn\\Velko\\Mixed Case")->SetValue("Name", "one");
  Create("Software\\Brenn\\Velko\\Ärzte");

  const auto key = Open("SOFTWARE\\brenn\\VELKO\\mixed case\\");
  EXPECT_EQ(key->KeyName(), "Mixed Case");
  EXPECT_EQ(key->Value("NAME").ToString(), "one");
  key->SetValue("nAmE", "two");
  EXPECT_EQ(ValueNames(key), (std::vector<String>{"Name"}));
  EXPECT_EQ(key->Value("name").ToString(), "two");
  EXPECT_EQ(Open("software\\brenn\\velko\\ärzte")->KeyName(), "Ärzte");

  // A new key below an existing one takes the existing spelling of its parents.
  Create("SOFTWARE\\BRENN\\VELKO\\mixed case\\Child");
  EXPECT_EQ(SubKeyNames(Open("Software\\Brenn\\Velko")),
            (std::vector<String>{"Mixed Case", "Ärzte"}));
  EXPECT_EQ(SubKeyNames(key), (std::vector<String>{"Child"}));
  UseDefaultRegistry();
}

TEST(RegistryKeys, WritesKeepFileOrderAndStoreTextsAndLongs) {
  UseInMemoryRegistry();
  const auto key = Create("Software\\Order");
  for (const char* name : {"c", "a", "b"})
    key->SetValue(name, name);
  key->SetValue("a", "again");  // in place
  key->SetValue(Long{3}, "third");
  EXPECT_EQ(ValueNames(key), (std::vector<String>{"c", "a", "b"}));
  EXPECT_EQ(key->Value("b").ToString(), "third");

  struct Case {
    Variant written;
    Variant::Type type;
    String text;
  };
  const Case cases[] = {
      {Long{42}, Variant::Type::kLong, "42"}, {2.5, Variant::Type::kLong, "2"},
      {true, Variant::Type::kLong, "-1"},     {Integer{-7}, Variant::Type::kLong, "-7"},
      {"7", Variant::Type::kString, "7"},     {Variant(), Variant::Type::kString, ""}};
  for (const auto& c : cases) {
    key->SetValue("typed", c.written);
    const Variant read = key->Value("typed");
    EXPECT_EQ(read.GetType(), c.type) << c.text;
    EXPECT_EQ(read.ToString(), c.text);
  }

  key->DeleteValue("A");
  key->DeleteValue("never there");
  EXPECT_EQ(ValueNames(key), (std::vector<String>{"c", "b", "typed"}));

  // CreateKey makes the parents; DeleteKey takes the whole branch.
  Create("Software\\Order\\x\\y\\z");
  Create("Software\\Order\\w");
  EXPECT_EQ(SubKeyNames(key), (std::vector<String>{"x", "w"}));
  EXPECT_EQ(Open("Software\\Order\\x")->SubKeyCount(), 1);
  key->DeleteKey(kHKeyLocalMachine, "software\\order\\X");
  key->DeleteKey(kHKeyLocalMachine, "Software\\Order\\never there");
  EXPECT_EQ(SubKeyNames(key), (std::vector<String>{"w"}));
  EXPECT_EQ(ErrorOf([] { Open("Software\\Order\\x\\y"); }).Number(), err::kRegistryKeyMissing);
  UseDefaultRegistry();
}

TEST(RegistryKeys, MissingKeysAndValuesRaiseTheirErrorsWithUsefulDescriptions) {
  UseInMemoryRegistry();
  const auto key = Create("Software\\Errors");
  key->SetValue("one", "1");
  const auto deleted = Create("Software\\Errors\\Gone");
  key->DeleteKey(kHKeyLocalMachine, "Software\\Errors\\Gone");

  struct Case {
    const char* what;
    std::function<void()> call;
    Long number;
    const char* mentioned;
  };
  const Case cases[] = {
      {"missing key", [] { Open("Software\\Nowhere"); }, err::kRegistryKeyMissing, "Nowhere"},
      {"unknown hive", [] { Open("Software", 12345); }, err::kRegistryKeyMissing, "hive"},
      {"empty part", [] { Open("Software\\\\Errors"); }, err::kRegistryKeyMissing, "empty part"},
      {"no key opened", [] { CreateRegistryKey()->ValueCount(); }, err::kRegistryKeyMissing,
       "OpenKey"},
      {"key deleted meanwhile", [&] { deleted->ValueCount(); }, err::kRegistryKeyMissing, "Gone"},
      {"sub-key index", [&] { key->SubKey(1); }, err::kRegistryKeyMissing, "Errors"},
      {"value name", [&] { key->Value("two"); }, err::kRegistryValueMissing, "two"},
      {"value index 0", [&] { key->Value(Long{0}); }, err::kRegistryValueMissing, "Errors"},
      {"value index past end", [&] { key->ValueName(2); }, err::kRegistryValueMissing, "2"},
      {"set by missing index", [&] { key->SetValue(Long{5}, "x"); }, err::kRegistryValueMissing,
       "5"},
      {"unknown path id", [] { RegistryPaths()->KeyPath(1001); }, err::kRegistryKeyMissing, "1001"},
      {"hive root deleted", [&] { key->DeleteKey(kHKeyLocalMachine, "\\"); }, err::kRegistryWrite,
       "HKEY_LOCAL_MACHINE"},
  };
  for (const auto& c : cases) {
    const Error e = ErrorOf(c.call);
    EXPECT_EQ(e.Number(), c.number) << c.what;
    EXPECT_EQ(e.Source(), "VelkoCore.Registry") << c.what;
    EXPECT_NE(e.Description().find(c.mentioned), String::npos) << c.what << ": " << e.Description();
  }
  EXPECT_EQ(key->Value("one").ToString(), "1");  // nothing lost by the failed calls
  UseDefaultRegistry();
}

// A key object looks at the store's current content on every call: what other key objects
// changed meanwhile shows, whatever the key read before.
TEST(RegistryKeys, AnOpenKeySeesWhatOtherKeysChangeMeanwhile) {
  UseInMemoryRegistry();
  const auto mine = Create("Software\\Seen");
  EXPECT_EQ(mine->SubKeyCount(), 0);
  EXPECT_EQ(mine->ValueCount(), 0);

  const auto other = Open("Software\\Seen");
  Create("Software\\Seen\\Child");
  other->SetValue("v", "1");
  EXPECT_EQ(mine->SubKeyCount(), 1);
  EXPECT_EQ(mine->SubKey(1)->KeyName(), "Child");
  EXPECT_EQ(mine->ValueCount(), 1);
  EXPECT_EQ(mine->Value("V").ToString(), "1");

  other->SetValue("v", "2");
  other->DeleteKey(kHKeyLocalMachine, "Software\\Seen\\Child");
  EXPECT_EQ(mine->Value(Long{1}).ToString(), "2");
  EXPECT_EQ(mine->SubKeyCount(), 0);

  other->DeleteKey(kHKeyLocalMachine, "Software\\Seen");
  EXPECT_EQ(ErrorOf([&] { mine->ValueCount(); }).Number(), err::kRegistryKeyMissing);
  UseDefaultRegistry();
}

TEST(RegistryKeys, CatalogueTextsGetTheKeyAndValueAsParameters) {
  std::vector<String> descriptions;
  std::thread([&] {  // a thread of its own: the language set stays behind with it
    UseInMemoryRegistry();
    GTranslate::Instance()->SelectLanguageSet("en");
    const auto key = Create("Software\\Cat");
    descriptions.push_back(ErrorOf([] { Open("Software\\Dog"); }).Description());
    descriptions.push_back(ErrorOf([&] { key->Value("fur"); }).Description());
  })
      .join();
  EXPECT_EQ(descriptions,
            (std::vector<String>{"The registry key \"HKEY_LOCAL_MACHINE\\Software\\Dog\" does not "
                                 "exist. Reinstall the application or restore its configuration.",
                                 "The registry value \"fur\" of the key "
                                 "\"HKEY_LOCAL_MACHINE\\Software\\Cat\" does not exist."}));
}

TEST_F(RegistryFileTest, BrokenFileIsReportedWithItsLineAndNeverOverwritten) {
  const String head = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\B]\n";
  struct Case {
    String text;
    int line;
  };
  const Case cases[] = {
      {"REGEDIT5\n", 1},
      {"Windows Registry Editor Version 5.00\n\"early\"=\"value\"\n", 2},
      {head + "\"open=\"text\n", 4},
      {head + "\"a\"=\"unterminated\n", 4},
      {head + "\"a\"=\"bad \\q escape\"\n", 4},
      {head + "\"a\"=dword:123456789\n", 4},
      {head + "\"a\"=dword:xyz\n", 4},
      {head + "\"a\"=qword:1\n", 4},
      {head + "\"a\"=-\n", 4},
      {head + "\"a\"=hex:01,zz\n", 4},
      {head + "\"a\"=hex:01,\\\n", 4},
      {head + "[HKEY_NOWHERE\\Software]\n", 4},
      {head + "[HKEY_LOCAL_MACHINE\\Software\\\\B]\n", 4},
      {head + "[-HKEY_LOCAL_MACHINE\\Software]\n", 4},
      {head + "[HKEY_LOCAL_MACHINE\\Software\n", 4},
      {head + "stray text\n", 4},
  };
  const String path = Path("broken.reg");
  for (const auto& c : cases) {
    WriteFile(path, c.text);
    UseRegistryFile(path);
    const Error read = ErrorOf([] { Open("Software"); });
    EXPECT_EQ(read.Number(), err::kRegistryFileBroken) << c.text;
    EXPECT_NE(read.Description().find(path), String::npos) << read.Description();
    EXPECT_NE(read.Description().find("line " + std::to_string(c.line)), String::npos)
        << c.text << read.Description();
    EXPECT_EQ(ErrorOf([] { Create("Software\\New"); }).Number(), err::kRegistryFileBroken);
    EXPECT_EQ(ReadFile(path), c.text);
  }
}

TEST_F(RegistryFileTest, AcceptsWhatOtherEditorsWrite) {
  // Byte order mark, CRLF line ends, an old header, a key written twice, blank-only file.
  const String path = Path("tolerant.reg");
  WriteFile(path,
            "\xEF\xBB\xBFREGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\T]\r\n\"a\"=\"1\"\r\n"
            "\r\n[hkey_local_machine\\software\\t]\r\n\"b\" = dword:2\r\n\"A\"=\"3\"\r\n");
  UseRegistryFile(path);
  const auto key = Open("Software\\T");
  EXPECT_EQ(ValueNames(key), (std::vector<String>{"a", "b"}));
  EXPECT_EQ(key->Value("a").ToString(), "3");
  EXPECT_EQ(key->Value("b").ToLong(), 2);

  WriteFile(path, " \n\n");
  UseRegistryFile(path);
  EXPECT_EQ(Open("")->SubKeyCount(), 0);
  Create("Software\\Fresh")->SetValue("", "default");
  EXPECT_EQ(ReadFile(path),
            "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\Fresh]\n"
            "@=\"default\"\n");
}

// A key with many values (compared through an index beyond a handful) keeps one value per name
// as a small one does: a name written again in any case takes the later data, in the first place
// and spelling; escaped texts read back as written.
TEST_F(RegistryFileTest, ValuesWrittenTwiceInABigKeyKeepTheFirstPlace) {
  String text = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\Big]\n";
  std::vector<String> expected;
  for (int i = 0; i < 40; ++i) {
    text += "\"v" + std::to_string(i) + "\"=dword:" + std::to_string(i) + "\n";
    expected.push_back("v" + std::to_string(i));
    if (i == 5) text += "; a comment between values\n\"V3\"=\"again, early\"\n";
  }
  text += "\"V30\"=\"again, late\"\n\"v2\"=\"a \\\"quoted\\\" \\\\ text\\n\"\n\"new\"=\"\"\n";
  expected.push_back("new");
  const String path = Path("big.reg");
  WriteFile(path, text);
  UseRegistryFile(path);
  const auto key = Open("Software\\Big");
  EXPECT_EQ(ValueNames(key), expected);
  EXPECT_EQ(key->Value("v3").ToString(), "again, early");
  EXPECT_EQ(key->Value("v30").ToString(), "again, late");
  EXPECT_EQ(key->Value("V2").ToString(), "a \"quoted\" \\ text\n");
  EXPECT_EQ(key->Value("v39").ToLong(), 0x39);
  EXPECT_EQ(key->Value("new").ToString(), "");
}

// Found by fuzzing: a CR kept at the end of a comment was lost one per rewrite, and a value line
// ending in "\r\r\n" (a file converted to CR LF twice) was refused.
TEST_F(RegistryFileTest, LinesEndingInSeveralCarriageReturnsReadAndRewriteStably) {
  const String path = Path("twice.reg");
  WriteFile(path,
            "Windows Registry Editor Version 5.00\r\r\n; edited by hand\r\r\r\n"
            "[HKEY_LOCAL_MACHINE\\Software\\T]\r\r\n\"a\"=\"1\"\r\r\n");
  UseRegistryFile(path);
  EXPECT_EQ(Open("Software\\T")->Value("a").ToString(), "1");
  Open("Software\\T")->SetValue("b", "2");
  const String expected =
      "Windows Registry Editor Version 5.00\n; edited by hand\n\n"
      "[HKEY_LOCAL_MACHINE\\Software\\T]\n\"a\"=\"1\"\n\"b\"=\"2\"\n";
  EXPECT_EQ(ReadFile(path), expected);
  Open("Software\\T")->SetValue("b", "2");
  Open("Software\\T")->SetValue("c", "3");
  EXPECT_EQ(ReadFile(path), expected + "\"c\"=\"3\"\n");

  // Also found by fuzzing: a CR followed by blanks at the end of the last line was kept in the
  // comment, and lost at the next rewrite. CRs inside a line are text and stay.
  WriteFile(path, "Windows Registry Editor Version 5.00\n\n; e\r\r eon\n; last \r ");
  UseRegistryFile(path);
  Create("Software\\U");
  const String rewritten = ReadFile(path);
  EXPECT_EQ(rewritten.substr(0, rewritten.find("[")),
            "Windows Registry Editor Version 5.00\n; e\r\r eon\n; last\n\n");
  Create("Software\\V");
  EXPECT_EQ(ReadFile(path).substr(0, rewritten.find("[")),
            rewritten.substr(0, rewritten.find("[")));
}

// UTF-16 as Windows writes it (characters of the basic plane only), for fixtures.
String Utf16(std::string_view utf8, bool bigEndian) {
  String out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (std::size_t i = 0; i < utf8.size();) {
    const char32_t c = DecodeUtf8(utf8, i);
    const char high = static_cast<char>(c >> 8);
    const char low = static_cast<char>(c & 0xFF);
    out += bigEndian ? String{high, low} : String{low, high};
  }
  return out;
}

// A file exported by Windows' regedit (UTF-16LE, byte order mark, CR LF, a blank line at the
// end) and the other forms a registry file comes in: each is read, and a change of one value
// writes the file back in its own form, everything else byte for byte.
TEST_F(RegistryFileTest, FilesKeepTheirEncodingLineEndsAndHeaderWhenWritten) {
  const auto exported = [](const String& header, const String& end, const String& pump) {
    return String(header) + end + end + "[HKEY_LOCAL_MACHINE\\Software\\Brenn\\Velko]" + end +
           "\"FirstPlugInToLoad\"=\"Simulator\"" + end + "\"Größe\"=dword:0000000a" + end +
           "\"Bin\"=hex:01,02,\\" + end + "  03" + end + end +
           "[HKEY_LOCAL_MACHINE\\Software\\Brenn\\Velko\\Prüfplatz Ω]" + end + "\"Gerät\"=\"" +
           pump + "\"" + end + end;
  };
  const String v5 = "Windows Registry Editor Version 5.00";
  const struct {
    const char* name;
    std::function<String(const String&)> encode;
    String header;
    String end;
  } forms[] = {
      {"UTF-16LE", [](const String& t) { return Utf16(t, false); }, v5, "\r\n"},
      {"UTF-16BE", [](const String& t) { return Utf16(t, true); }, v5, "\r\n"},
      {"UTF-8 with BOM", [](const String& t) { return "\xEF\xBB\xBF" + t; }, v5, "\r\n"},
      {"UTF-8, LF", [](const String& t) { return t; }, v5, "\n"},
      {"REGEDIT4, CR LF", [](const String& t) { return t; }, "REGEDIT4", "\r\n"},
      {"UTF-16LE, REGEDIT4, LF", [](const String& t) { return Utf16(t, false); }, "REGEDIT4", "\n"},
  };
  const String path = Path("exported.reg");
  for (const auto& form : forms) {
    WriteFile(path, form.encode(exported(form.header, form.end, "Infusionspumpe")));
    UseRegistryFile(path);
    const auto station = Open(String(kVelkoRootKey) + "\\Prüfplatz Ω");
    EXPECT_EQ(station->Value("Gerät").ToString(), "Infusionspumpe") << form.name;
    EXPECT_EQ(Open(kVelkoRootKey)->Value("größe").ToLong(), 10) << form.name;

    station->SetValue("Gerät", "Spritzenpumpe");
    EXPECT_EQ(ReadFile(path), form.encode(exported(form.header, form.end, "Spritzenpumpe")))
        << form.name;
    UseRegistryFile(path);
    EXPECT_EQ(Open(String(kVelkoRootKey) + "\\Prüfplatz Ω")->Value("Gerät").ToString(),
              "Spritzenpumpe")
        << form.name;
  }

  // UTF-16 that is not valid (an unpaired surrogate on line 3, a byte too many) is a broken file.
  const String valid = Utf16(v5 + "\r\n\r\n", false);
  for (const String& broken :
       {valid + String("\x00\xD8[\x00", 4), valid + String("[\x00H\x00\r\x00\n\x00x", 9)}) {
    WriteFile(path, broken);
    UseRegistryFile(path);
    const Error e = ErrorOf([] { Open("Software"); });
    EXPECT_EQ(e.Number(), err::kRegistryFileBroken);
    EXPECT_NE(e.Description().find("not valid UTF-16"), String::npos) << e.Description();
  }
  const String last = ErrorOf([] { Open("Software"); }).Description();
  EXPECT_NE(last.find("line 4"), String::npos) << last;
}

// A store the user may not write: every command still reads it, a change fails with the
// registry's write error naming the file and the cause, and nothing in the folder changes - no
// lock file, no temporary file. Writes that change nothing need no right to write.
TEST_F(RegistryFileTest, ReadOnlyFileIsNeverReplacedAndLockingLeavesNoFile) {
  const String path = Path("readonly.reg");
  UseRegistryFile(path);
  Create("Software\\Kept")->SetValue("v", "1");
  fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const String before = ReadFile(path);
  const auto inode = fs::status(path);

  UseRegistryFile(path);
  const auto kept = Open("Software\\Kept");
  EXPECT_EQ(kept->Value("v").ToString(), "1");
  kept->SetValue("v", "1");
  Create("Software\\Kept");
  kept->DeleteValue("absent");
  const std::function<void()> changes[] = {
      [&] { kept->SetValue("v", "2"); },
      [&] { Create("Software\\New"); },
      [&] { kept->DeleteValue("v"); },
      [&] { CreateRegistryKey()->DeleteKey(kHKeyLocalMachine, "Software\\Kept"); },
  };
  for (const auto& change : changes) {
    const Error e = ErrorOf(change);
    EXPECT_EQ(e.Number(), err::kRegistryWrite);
    EXPECT_NE(e.Description().find(path), String::npos) << e.Description();
    EXPECT_NE(e.Description().find("read-only"), String::npos) << e.Description();
  }
  EXPECT_EQ(ReadFile(path), before);
  EXPECT_EQ(fs::status(path).permissions(), inode.permissions());
  std::vector<String> names;
  for (const auto& entry : fs::directory_iterator(dir_))
    names.push_back(entry.path().filename().string());
  EXPECT_EQ(names, std::vector<String>{"readonly.reg"});
}

TEST_F(RegistryFileTest, FileThatCannotBeWrittenFailsWithWriteError) {
  WriteFile(Path("plain"), "a file, not a folder");
  UseRegistryFile(Path("plain/store.reg"));
  EXPECT_EQ(ErrorOf([] { Open("Software"); }).Number(), err::kRegistryKeyMissing);  // empty
  const Error e = ErrorOf([] { Create("Software\\X"); });
  EXPECT_EQ(e.Number(), err::kRegistryWrite);
  EXPECT_NE(e.Description().find("plain/store.reg"), String::npos) << e.Description();
}

TEST_F(RegistryFileTest, ReadersSeeChangesOfOtherWritersAndEditors) {
  const String path = Path("shared.reg");
  UseRegistryFile(path);
  const auto mine = Create("Software\\Shared");
  mine->SetValue("v", "first");

  UseRegistryFile(path);  // another store on the same file, as another process would have
  Open("Software\\Shared")->SetValue("v", "second");
  EXPECT_EQ(mine->Value("v").ToString(), "second");

  WriteFile(path,
            "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\Shared]\n"
            "\"v\"=\"edited by hand\"\n");
  EXPECT_EQ(mine->Value("v").ToString(), "edited by hand");
}

TEST_F(RegistryFileTest, WritesKeepPermissionsAndFollowLinks) {
  const String real = Path("real.reg");
  UseRegistryFile(real);
  Create("Software\\Linked");
  fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink(real, Path("link.reg"));

  UseRegistryFile(Path("link.reg"));
  Open("Software\\Linked")->SetValue("through", "link");
  EXPECT_TRUE(fs::is_symlink(Path("link.reg")));
  EXPECT_NE(ReadFile(real).find("\"through\"=\"link\""), String::npos);
  EXPECT_EQ(fs::status(real).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

TEST(RegistrySelection, EachThreadHasItsOwnStore) {
  UseInMemoryRegistry();
  Create("Software\\MainThread");
  Long seen = -1;
  std::thread([&] {
    UseInMemoryRegistry();
    seen = ErrorOf([] { Open("Software\\MainThread"); }).Number();
  }).join();
  EXPECT_EQ(seen, err::kRegistryKeyMissing);
  EXPECT_EQ(ErrorOf([] { Open("Software\\MainThread"); }).Number(), 0);
  UseDefaultRegistry();
}

TEST(RegistrySelection, DefaultFileFollowsTheEnvironment) {
  const auto saved = [](const char* name) {
    const char* v = std::getenv(name);
    return v ? std::optional<String>(v) : std::nullopt;
  };
  const auto restore = [](const char* name, const std::optional<String>& v) {
    v ? setenv(name, v->c_str(), 1) : unsetenv(name);
  };
  const auto registry = saved("VELKO_REGISTRY");
  const auto config = saved("XDG_CONFIG_HOME");
  const auto home = saved("HOME");

  setenv("VELKO_REGISTRY", "/srv/velko.reg", 1);
  setenv("XDG_CONFIG_HOME", "/cfg", 1);
  setenv("HOME", "/home/tester", 1);
  EXPECT_EQ(DefaultRegistryFile(), "/srv/velko.reg");
  unsetenv("VELKO_REGISTRY");
  EXPECT_EQ(DefaultRegistryFile(), "/cfg/velko/registry.reg");
  setenv("XDG_CONFIG_HOME", "relative", 1);  // not absolute: ignored, as the XDG rules say
  EXPECT_EQ(DefaultRegistryFile(), "/home/tester/.config/velko/registry.reg");
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(DefaultRegistryFile(), "/home/tester/.config/velko/registry.reg");

  restore("VELKO_REGISTRY", registry);
  restore("XDG_CONFIG_HOME", config);
  restore("HOME", home);
}

// Runs `body` in a child process; the child's exit code is 0 when body returns, 1 when it throws.
pid_t Spawn(const std::function<void()>& body) {
  const pid_t pid = fork();
  if (pid == 0) {
    int code = 0;
    try {
      body();
    } catch (...) {
      code = 1;
    }
    _exit(code);
  }
  return pid;
}

int ExitCodeOf(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(RegistryFileTest, ConcurrentWritingProcessesLoseNothing) {
  constexpr int kProcesses = 8;
  constexpr int kValuesEach = 200;
  const String path = Path("concurrent.reg");
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    children.push_back(Spawn([&, p] {
      UseRegistryFile(path);
      const auto key = Create("Software\\Concurrent");
      for (int v = 0; v < kValuesEach; ++v) {
        key->SetValue("p" + std::to_string(p) + "v" + std::to_string(v), Long{p * 1000 + v});
      }
    }));
  }
  for (pid_t child : children)
    EXPECT_EQ(ExitCodeOf(child), 0);

  UseRegistryFile(path);
  const auto key = Open("Software\\Concurrent");
  EXPECT_EQ(key->ValueCount(), kProcesses * kValuesEach);
  for (int p = 0; p < kProcesses; ++p) {
    for (int v = 0; v < kValuesEach; ++v) {
      const String name = "p" + std::to_string(p) + "v" + std::to_string(v);
      ASSERT_EQ(key->Value(name).ToLong(), p * 1000 + v) << name;
    }
  }
}

// The number of values the writer of the killed-writer test has stored so far.
Long KilledWriterCount(const String& path) {
  UseRegistryFile(path);
  Ref<IRegistryKey> key = CreateRegistryKey();
  return ErrorOf([&] { key->OpenKey(kHKeyLocalMachine, "Software\\Killed"); }).Number() == 0
             ? key->ValueCount()
             : 0;
}

TEST_F(RegistryFileTest, WriterKilledMidWriteLeavesAReadableFile) {
  const String path = Path("killed.reg");
  std::mt19937 random(20240607);
  std::uniform_int_distribution<int> pause(0, 20);
  for (int round = 0; round < 8; ++round) {
    const Long before = KilledWriterCount(path);
    const pid_t child = Spawn([&] {
      UseRegistryFile(path);
      const auto key = Create("Software\\Killed");
      for (Long n = key->ValueCount() + 1;; ++n)
        key->SetValue("v" + std::to_string(n), n);
    });
    // Kill it at a random moment once it is writing.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (KilledWriterCount(path) == before && std::chrono::steady_clock::now() < giveUp) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(pause(random)));
    kill(child, SIGKILL);
    ExitCodeOf(child);

    // Every write is whole: the values are v1..vn without a gap, each with its number.
    UseRegistryFile(path);
    Ref<IRegistryKey> key;
    ASSERT_EQ(ErrorOf([&] { key = Open("Software\\Killed"); }).Number(), 0) << round;
    ASSERT_GT(key->ValueCount(), before) << round;
    for (Long i = 1; i <= key->ValueCount(); ++i) {
      ASSERT_EQ(key->ValueName(i), "v" + std::to_string(i)) << round;
      ASSERT_EQ(key->Value(i).ToLong(), i) << round;
    }
  }
  // The lock died with the writer, and the next write clears its leftover temporary files.
  Open("Software\\Killed")->SetValue("after", "ok");
  for (const auto& entry : fs::directory_iterator(dir_)) {
    EXPECT_EQ(entry.path().filename().string().find(".tmp-"), String::npos) << entry.path();
  }
}

}  // namespace
}  // namespace velko
