// The production error service: one per thread, created on first use.
#pragma once

#include "velko/typelib/errors.hpp"

namespace velko {

// The calling thread's error service.
Ref<IErrorServer> ErrorServer();

}  // namespace velko
