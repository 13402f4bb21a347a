// The report filter of a test node: whether the node is printed, which service record it belongs
// to (with option flags), and the service activities it applies to. It reads and writes the
// "Filter" element:
//
//   <Filter>
//     <IncludeInReport/>
//     <ServiceRecord Options="3">record id</ServiceRecord>   (only when Options > 0)
//     <ServiceEvents>...</ServiceEvents>                    (only with activities)
//   </Filter>
#pragma once

#include "velko/typelib/sequence.hpp"

namespace velko {

// A new filter: included in the report, no service record, no activities.
Ref<IElementFilter> CreateElementFilter();

}  // namespace velko
