// The verdict of a run ("TestData"). Its Load never raises, whatever the element holds.
#include "fuzz_support.hpp"
#include "velko/setup/test_status.hpp"

using namespace velko;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::UseScratchRegistry();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Ref<IXmlElement> root = fuzz::ParseRoot(fuzz::Bytes(data, size));
  if (!root) return 0;
  const auto status = MakeRef<CTestStatus>();
  try {
    status->Load(root);
  } catch (const Error&) {
    fuzz::Require(false, "CTestStatus.Load raised");
  }
  fuzz::CheckLoadAndResave(
      fuzz::Bytes(data, size), [] { return MakeRef<CTestStatus>(); },
      [](const auto& s, const auto& in, const auto&) { s->Load(in); },
      [](const auto& s, const auto& owner) { return s->Save(owner); });
  return 0;
}
