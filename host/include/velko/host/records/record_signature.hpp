// Tamper-evident test records. The station signs the exact bytes of a record as they are written
// and appends the signature as the last line, after the document element, so that a store that
// keeps the text byte for byte keeps a record that still verifies:
//
//   <?xml version="1.0" encoding="UTF-8"?>
//   <TestRecord ...>...</TestRecord>
//   <?velko-signature algorithm="ed25519" key="<public key, base64>" signature="<base64>"?>
//
// The signature covers every byte before its line. What it proves and what not:
// docs/signatures.md.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "velko/host/checks/problem.hpp"
#include "velko/host/documents/test_record.hpp"
#include "velko/host/records/station_key.hpp"

namespace velko::host {

// The record text with the signature line of `key` appended.
String SignRecordText(std::string_view recordText, const StationKey& key);

// The one call of the run path, just before the outputs are written: the record text signed with
// this station's key (DefaultStationKeyFile, made on first use).
String SignedByThisStation(std::string_view recordText);

// Why this station could not sign a record (its key cannot be made or read): an error of the key
// file; nothing when it can. Makes the key when there is none, so that a run checks it before its
// first step instead of losing its results at the end.
FileProblems StationKeyProblems();

// The keys of the stations whose records are trusted. The file holds one key per line,
// "ed25519 <base64> [name]"; blank lines and lines starting with "#" are ignored.
struct TrustedKey {
  PublicKey key;
  String name;  // who the key belongs to, as the file names it
};
class TrustedKeys {
 public:
  // The keys of the file at `path`; no keys when there is no such file. A line that is no key
  // raises an error naming the file and the line.
  static TrustedKeys Read(FileSystem& files, const String& path);
  // The keys of a file's text (`path` names it in errors).
  static TrustedKeys Parse(std::string_view text, const String& path);

  void Add(TrustedKey key) { keys_.push_back(std::move(key)); }
  const TrustedKey* Find(const PublicKey& key) const;
  const std::vector<TrustedKey>& Keys() const { return keys_; }

 private:
  std::vector<TrustedKey> keys_;
};

// The trusted keys file: VELKO_TRUSTED_KEYS, else trusted-keys in the user's configuration
// folder (~/.config/velko/trusted-keys).
String DefaultTrustedKeysFile();

// The keys a station trusts: those of the file, and its own key when it has one.
TrustedKeys StationTrustedKeys(FileSystem& files, const String& trustedKeysFile);

struct RecordVerification {
  enum class Outcome {
    kValid,      // signed by a trusted key, unchanged since
    kNotSigned,  // no signature line
    kDamaged,    // a signature line that is not well-formed
    kChanged,    // the signature does not match the text: changed after it was signed
    kUntrusted,  // a matching signature by a key that is not trusted
  };
  Outcome outcome = Outcome::kNotSigned;
  std::optional<PublicKey> signer;
  String signerName;  // the trusted key's name (kValid)

  bool Valid() const { return outcome == Outcome::kValid; }
};

// Checks the signature line of a record's text against the trusted keys.
RecordVerification VerifyRecordText(std::string_view text, const TrustedKeys& trusted);

// What the verification means, in words for the person who reads the record.
String VerificationText(const RecordVerification& verification);

// Reads and verifies the record file at `path`. A file that does not exist raises its error.
RecordVerification VerifyRecordFile(FileSystem& files, const String& path,
                                    const TrustedKeys& trusted);

// A record file opened for printing (OpenRecord) together with the verification of the very
// bytes that were loaded: a file that changes while it is read counts as changed.
struct VerifiedRecord {
  OpenedRecord opened;
  RecordVerification verification;
};
VerifiedRecord OpenVerifiedRecord(const String& path, const Ref<IPlugInManager>& manager,
                                  const TrustedKeys& trusted);

}  // namespace velko::host
