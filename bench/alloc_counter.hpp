// Allocation counters of the benchmark program: every operator new of the process (the library
// included) and every allocation of pugixml (through its memory-management hooks) is counted, so
// that the memory of a loaded sequence can be set beside the memory of pugixml's DOM.
#pragma once

namespace velko::bench {

// Bytes counted while counting was on; only differences between two readings mean anything.
struct AllocationCounts {
  long long liveBytes = 0;  // allocated and not yet freed
  long long peakBytes = 0;  // the highest liveBytes since the last ResetPeaks
};

// Bytes held through operator new (C++ objects, strings, containers).
AllocationCounts CxxAllocations();
// Bytes held by pugixml (its DOM pages and strings), once CountPugixmlAllocations has run.
AllocationCounts PugixmlAllocations();
// Routes pugixml's allocations through the counter; call before the first document is made.
void CountPugixmlAllocations();
// Switches counting on or off (off by default, so that the timed benchmarks pay nothing).
void CountAllocations(bool on);
// Starts a new peak at the current live bytes of both counters.
void ResetPeaks();

}  // namespace velko::bench
