// One limit element: fixed values, operands, references and units.
#include "fuzz_support.hpp"
#include "velko/limits/limit.hpp"

using namespace velko;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::UseScratchRegistry();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::CheckLoadAndResave(
      fuzz::Bytes(data, size), [] { return MakeRef<CLimit>(); },
      [](const auto& l, const auto& in, const auto& log) { l->Load(in, log); },
      [](const auto& l, const auto& owner) { return l->Save(owner); });
  return 0;
}
