// What the archive keeps of a performed sequence: the device it tested, the standards it was
// judged by, and every measurement with the limits that judged it.
#pragma once

#include "velko/host/archive/archive.hpp"
#include "velko/host/documents/sequence_document.hpp"
#include "velko/setup/test_setup.hpp"

namespace velko::host {

// The device under test from the setup's DUT info.
DeviceIdentity DeviceOf(const Ref<CTestSetup>& setup);

// The complete names of the standards the setup selects, in order.
std::vector<String> SelectedStandardNames(const Ref<CTestSetup>& setup);

// The readings of one performed leaf with the limits that judge them; none for a container.
std::vector<ArchivedMeasurement> MeasurementsOfStep(const Ref<ITestElement>& node,
                                                    const Ref<CTestSetup>& setup);
// Every reading of every performed leaf of the tree, in tree order, each with the limits of the
// element's standards that judge it (the selected ones; all of them when the setup selects none).
std::vector<ArchivedMeasurement> MeasurementsOf(const SequenceTree& tree,
                                                const Ref<CTestSetup>& setup);

}  // namespace velko::host
