// The checks before a run on any file: a sequence, a setup, a record or anything else. Whatever
// the bytes, the checks end (the smoke run's time-out catches a hang), list at most 100 problems
// with a message each, count the rest, and a file they cannot read is one problem.
#include <unistd.h>

#include <fstream>

#include "fuzz_support.hpp"
#include "velko/core/initialize.hpp"
#include "velko/host/checks/document_checks.hpp"

using namespace velko;

namespace {

String ScratchFile() {
  const String dir = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  return dir + "/velko-checks-fuzz-" + std::to_string(::getpid()) + ".xml";
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::StartTestPlugIns();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const String path = ScratchFile();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  const host::CheckContext context{GInitialize::Instance()->PlugInManager()};
  const host::FileProblems problems = host::CheckFile(path, context);
  fuzz::Require(problems.Listed().size() <= host::kMaxListedProblems, "more than 100 listed");
  fuzz::Require(
      problems.Listed().size() + problems.Unlisted() == problems.Errors() + problems.Warnings(),
      "the counts do not add up");
  for (const host::Problem& problem : problems.Listed())
    fuzz::Require(!problem.message.empty() && problem.file == path, "a problem without message");
  fuzz::Require(!problems.Unreadable() || problems.Errors() > 0, "unreadable without an error");
  return 0;
}
