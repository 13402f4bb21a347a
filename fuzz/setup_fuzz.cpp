// A whole test setup: selections, device data, links, the plug-ins' own data (through the test
// plug-ins) and the test instruments.
#include "fuzz_support.hpp"
#include "velko/setup/test_setup.hpp"

using namespace velko;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::StartTestPlugIns();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::CheckLoadAndResave(
      fuzz::Bytes(data, size), [] { return MakeRef<CTestSetup>(); },
      [](const auto& s, const auto& in, const auto& log) { s->Load(in, log); },
      [](const auto& s, const auto& owner) { return s->Save(owner); },
      // The test plug-ins' device data writes its element without the "PlugIn" attribute that
      // would bring it back, so it drops out on the first reload; from then on nothing changes.
      1);
  return 0;
}
