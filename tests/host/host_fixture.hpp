// For the host layer's suites: the thread on a copy of the shipped default registry with the
// simulator registered, a core session on it, and the sample files.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "support/test_paths.hpp"
#include "velko/frame/runtime.hpp"
#include "velko/host/session/core_session.hpp"
#include "velko/outside/registry.hpp"

namespace velko::test {

inline const String kSamples = VELKO_SOURCE_DATA_DIR "/samples";
inline const String kSampleSequence = kSamples + "/class1-bf-sequence.xml";
inline const String kHealthySetup = kSamples + "/healthy-setup.xml";
inline const String kFaultySetup = kSamples + "/faulty-setup.xml";

class HostFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFileText(registryDir / "registry.reg",
                  ReadFileText(SourceDataPath("registry/default.reg")));
    UseRegistryFile(registryDir / "registry.reg");
    RegisterServer(VELKO_SIMULATOR_PATH);
    session = std::make_unique<host::CoreSession>("en");
  }
  void TearDown() override {
    session.reset();
    UseDefaultRegistry();
  }

  TempDir registryDir;
  std::unique_ptr<host::CoreSession> session;
};

}  // namespace velko::test
