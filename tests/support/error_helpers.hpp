// Catching the library's errors in tests.
#pragma once

#include <gtest/gtest.h>

#include "velko/frame/error.hpp"

namespace velko::test {

// The number of the velko::Error that `f` raises; 0 when it raises none.
template <class F>
Long ErrorNumberOf(F&& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.Number();
  }
  return 0;
}

// The velko::Error that `f` raises; a test failure (and an empty error) when it raises none.
template <class F>
Error CaughtError(F&& f) {
  try {
    f();
  } catch (const Error& e) {
    return e;
  }
  ADD_FAILURE() << "no error raised";
  return Error(0, "", "");
}

}  // namespace velko::test
