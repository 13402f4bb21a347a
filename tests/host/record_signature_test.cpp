// Signed records: a record verifies exactly while it is unchanged and signed by a trusted key;
// the station key is made once, kept private, and shared by everyone who signs.
#include "velko/host/records/record_signature.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <regex>

#include "host_fixture.hpp"
#include "support/failing_file_system.hpp"
#include "velko/host/run/run_preparation.hpp"
#include "velko/host/run/test_run.hpp"
#include "velko/host/session/messages.hpp"

namespace velko::test {
namespace {

using Outcome = host::RecordVerification::Outcome;

host::TrustedKeys Trusting(const host::StationKey& key, const String& name = "bench 3") {
  host::TrustedKeys keys;
  keys.Add({key.Public(), name});
  return keys;
}

String Replaced(const String& text, const String& from, const String& to) {
  return std::regex_replace(text, std::regex(from), to, std::regex_constants::format_first_only);
}

TEST(RecordSignature, ARecordVerifiesOnlyWhileUnchangedAndSignedByATrustedKey) {
  const TempDir dir;
  const host::StationKey station =
      host::StationKey::OpenOrCreate(host::LocalFileSystem(), dir / "a");
  const host::StationKey other = host::StationKey::OpenOrCreate(host::LocalFileSystem(), dir / "b");
  const String record =
      "<?xml version=\"1.0\"?>\n<TestRecord>\n  <TestData><Status>Failed</Status></TestData>\n"
      "</TestRecord>\n";
  const String signedText = host::SignRecordText(record, station);
  ASSERT_TRUE(signedText.starts_with(record));
  const host::RecordVerification valid = host::VerifyRecordText(signedText, Trusting(station));
  EXPECT_EQ(valid.outcome, Outcome::kValid);
  EXPECT_EQ(valid.signerName, "bench 3");
  EXPECT_NE(host::VerificationText(valid).find("bench 3"), String::npos);

  const String edited = Replaced(signedText, "Failed", "Passed");
  const String signatureLine = signedText.substr(record.size());
  const struct {
    const char* name;
    String text;
    Outcome outcome;
  } cases[] = {
      {"the verdict edited", edited, Outcome::kChanged},
      {"a line end converted", Replaced(signedText, "\n", "\r\n"), Outcome::kChanged},
      {"text after the signature", signedText + "<!-- later -->\n", Outcome::kChanged},
      {"the signature removed", record, Outcome::kNotSigned},
      {"the signature cut", signedText.substr(0, signedText.size() - 20), Outcome::kDamaged},
      {"a signature of another key",
       Replaced(signedText, "key=\"[^\"]*\"", "key=\"" + other.Public().Base64() + "\""),
       Outcome::kChanged},
      {"edited and signed again by a key nobody trusts",
       host::SignRecordText(Replaced(record, "Failed", "Passed"), other), Outcome::kUntrusted},
      {"trusted and signed by a key nobody trusts", host::SignRecordText(record, other),
       Outcome::kUntrusted},
  };
  for (const auto& c : cases) {
    const host::RecordVerification v = host::VerifyRecordText(c.text, Trusting(station));
    EXPECT_EQ(v.outcome, c.outcome) << c.name;
    EXPECT_FALSE(v.Valid()) << c.name;
    EXPECT_FALSE(host::VerificationText(v).empty()) << c.name;
  }
  EXPECT_EQ(host::VerifyRecordText(signedText, host::TrustedKeys()).outcome, Outcome::kUntrusted);
}

TEST(StationKey, IsMadeOnceKeptPrivateAndSharedByEverySigner) {
  const TempDir dir;
  const String path = dir / "config/velko/station.key";
  const host::StationKey first = host::StationKey::OpenOrCreate(host::LocalFileSystem(), path);
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(host::StationKey::OpenOrCreate(host::LocalFileSystem(), path).Public(), first.Public());
  EXPECT_EQ(host::StationKey::OpenExisting(host::LocalFileSystem(), path)->Public(),
            first.Public());
  EXPECT_NE(ReadFileText(path).find(first.Public().Base64()), String::npos);

  // A key that others may read signs nothing; the message says how to make it private.
  ::chmod(path.c_str(), 0644);
  try {
    host::StationKey::OpenOrCreate(host::LocalFileSystem(), path);
    ADD_FAILURE() << "a key readable by others was used";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), host::HostErrorNumber(611));
    EXPECT_NE(e.Description().find("chmod 600 \"" + path + "\""), String::npos) << e.Description();
  }
  ::chmod(path.c_str(), 0600);
  WriteFileText(path, "# no key here\n");
  EXPECT_THROW(host::StationKey::OpenOrCreate(host::LocalFileSystem(), path), Error);
  EXPECT_EQ(ReadFileText(path), "# no key here\n");  // never replaced

  // A key that cannot be made leaves no file, and nothing is signed.
  FailingFileSystem files;
  files.FailNewFiles(kDiskFull);
  EXPECT_THROW(host::StationKey::OpenOrCreate(files, dir / "full/station.key"), Error);
  EXPECT_FALSE(std::filesystem::exists(dir / "full/station.key"));
  EXPECT_EQ(host::StationKey::OpenExisting(files, dir / "none.key"), std::nullopt);
}

TEST(TrustedKeys, AreReadWithTheirNamesAndABadLineIsNamed) {
  const TempDir dir;
  const host::StationKey a = host::StationKey::OpenOrCreate(host::LocalFileSystem(), dir / "a");
  const String line = "ed25519 " + a.Public().Base64();
  const host::TrustedKeys keys =
      host::TrustedKeys::Parse("# stations of the clinic\n\n" + line + "  bench 3 \n", "k");
  ASSERT_EQ(keys.Keys().size(), 1u);
  EXPECT_EQ(keys.Find(a.Public())->name, "bench 3");

  for (const String& bad : {String("ed25519"), String("ed25519 notbase64"),
                            "rsa " + a.Public().Base64(), line.substr(0, line.size() - 4)}) {
    try {
      host::TrustedKeys::Parse(line + "\n# fine\n" + bad + "\n", "/etc/velko/trusted-keys");
      ADD_FAILURE() << bad;
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), host::HostErrorNumber(613)) << bad;
      EXPECT_NE(e.Description().find("Line 3 of the trusted keys file \"/etc/velko/trusted-keys\""),
                String::npos)
          << e.Description();
    }
  }
  EXPECT_TRUE(host::TrustedKeys::Read(host::LocalFileSystem(), dir / "absent").Keys().empty());
}

// A signed record of a real run still loads for printing, and the verification is of the bytes
// that were loaded.
class SignedRecordTest : public HostFixture {};

TEST_F(SignedRecordTest, ASignedRecordOfARunLoadsAndVerifies) {
  const host::PreparedRun prepared =
      host::PrepareRun({kSampleSequence, kFaultySetup, {}}, session->Manager());
  ASSERT_TRUE(prepared.Ready());
  host::TestRun(prepared.tree, prepared.setup).Perform();
  const TempDir dir;
  const host::StationKey key = host::StationKey::OpenOrCreate(host::LocalFileSystem(), dir / "k");
  const String path = dir / "record.xml";
  WriteFileText(path,
                host::SignRecordText(host::RecordText(prepared.tree, prepared.setup, {}), key));

  const host::VerifiedRecord verified =
      host::OpenVerifiedRecord(path, session->Manager(), Trusting(key));
  EXPECT_TRUE(verified.opened.Ready());
  EXPECT_TRUE(verified.verification.Valid());
  EXPECT_EQ(verified.opened.record.setup->Status()->TestStatus(), kStatusFailed);

  WriteFileText(path,
                Replaced(ReadFileText(path), "<Status>Failed</Status>", "<Status>Passed</Status>"));
  const host::VerifiedRecord edited =
      host::OpenVerifiedRecord(path, session->Manager(), Trusting(key));
  EXPECT_TRUE(edited.opened.Ready());
  EXPECT_EQ(edited.verification.outcome, Outcome::kChanged);
}

TEST_F(SignedRecordTest, AStationKeyThatCannotBeMadeStopsTheRunBeforeItsFirstStep) {
  const TempDir dir;
  WriteFileText(dir / "file", "not a folder");
  const char* saved = std::getenv("VELKO_STATION_KEY");
  const String previous = saved ? saved : "";
  ::setenv("VELKO_STATION_KEY", (dir / "file/station.key").c_str(), 1);
  const host::PreparedRun prepared =
      host::PrepareRun({kSampleSequence, kHealthySetup, {}}, session->Manager());
  saved ? ::setenv("VELKO_STATION_KEY", previous.c_str(), 1) : ::unsetenv("VELKO_STATION_KEY");

  EXPECT_FALSE(prepared.Ready());
  ASSERT_FALSE(prepared.problems.empty());
  const host::FileProblems& key = prepared.problems.back();
  EXPECT_EQ(key.File(), dir / "file/station.key");
  EXPECT_EQ(key.Errors(), 1u);
}

}  // namespace
}  // namespace velko::test
