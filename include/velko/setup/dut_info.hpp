// The data of the device under test: an item collection whose default items come from the
// registry (KeyPath(1004) + "\Test record\DUT Info", one sub-key per item) when it is created.
#pragma once

#include "velko/typelib/service.hpp"

namespace velko {

// A new DUT info (an internal class, reachable through IItemCollection). Load opens the progress
// log section "E5070::Loading DUT info"; Clone gives a plain item collection.
Ref<IItemCollection> CreateDutInfo();

}  // namespace velko
