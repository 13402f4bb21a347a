// Data-item collections (a setup's device data and links, an instrument's own data).
#include "fuzz_support.hpp"
#include "velko/service/data_item.hpp"

using namespace velko;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::UseScratchRegistry();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::CheckLoadAndResave(
      fuzz::Bytes(data, size), [] { return MakeRef<CItemCollection>(); },
      [](const auto& c, const auto& in, const auto& log) { c->Load(in, log); },
      [](const auto& c, const auto& owner) { return c->Save(owner); });
  return 0;
}
