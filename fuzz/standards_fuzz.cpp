// Standards with their limit collections, as they arrive from a sequence or a limits file.
#include "fuzz_support.hpp"
#include "velko/limits/standard_coll.hpp"

using namespace velko;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::UseScratchRegistry();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::CheckLoadAndResave(
      fuzz::Bytes(data, size), [] { return MakeRef<CStandardColl>(); },
      [](const auto& c, const auto& in, const auto& log) { c->Load(in, log); },
      [](const auto& c, const auto& owner) { return c->Save(owner); });
  return 0;
}
