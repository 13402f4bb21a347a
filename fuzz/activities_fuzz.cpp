// The selected service activities ("ServiceEvents" with its "Activity" entries).
#include "fuzz_support.hpp"
#include "velko/service/activities.hpp"

using namespace velko;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::UseScratchRegistry();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::CheckLoadAndResave(
      fuzz::Bytes(data, size), [] { return MakeRef<CActivities>(); },
      [](const auto& a, const auto& in, const auto& log) { a->Load(in, log); },
      [](const auto& a, const auto& owner) { return a->Save(owner); });
  return 0;
}
