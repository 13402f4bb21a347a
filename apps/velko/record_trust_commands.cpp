// velko verify, velko key: the signatures of test records.
#include <fmt/format.h>

#include <iostream>

#include "commands.hpp"
#include "printing.hpp"
#include "velko/host/documents/test_record.hpp"
#include "velko/host/files/file_system.hpp"
#include "velko/host/records/record_signature.hpp"
#include "velko/host/session/core_session.hpp"
#include "velko/host/session/host_text.hpp"

namespace velko::cli {

int VerifyCommand(const VerifyArgs& args) {
  host::CoreSession session(args.language);
  PrintWarnings(session.PlugInWarnings());
  const host::TrustedKeys trusted = host::StationTrustedKeys(
      host::LocalFileSystem(), args.trusted.value_or(host::DefaultTrustedKeysFile()));
  const host::RecordVerification verification =
      host::VerifyRecordFile(host::LocalFileSystem(), args.record, trusted);
  std::ostream& out = verification.Valid() ? std::cout : std::cerr;
  out << args.record << ": " << host::VerificationText(verification) << "\n";
  return verification.Valid() ? kExitPassed : kExitFailed;
}

int KeyCommand() {
  const String path = host::DefaultStationKeyFile();
  const host::StationKey key = host::StationKey::OpenOrCreate(host::LocalFileSystem(), path);
  fmt::print("ed25519 {} {}\n", key.Public().Base64(), host::StationName());
  std::cerr << host::HostText("653::The station key is kept in %%1.", path) << "\n";
  return kExitPassed;
}

}  // namespace velko::cli
