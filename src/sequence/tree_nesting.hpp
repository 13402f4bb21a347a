// How deep the calling thread is inside recursive walks of test trees. Every container step of
// a walk holds a guard; a walk that reaches beyond kMaxTreeNesting stops (or, when loading and
// saving, fails) instead of exhausting the stack, which also keeps a tree that was made cyclic
// by adding a container below itself from crashing the process.
#pragma once

#include "velko/sequence/test_node.hpp"

namespace velko {

class TreeNestingGuard {
 public:
  TreeNestingGuard() { ++Depth(); }
  ~TreeNestingGuard() { --Depth(); }
  TreeNestingGuard(const TreeNestingGuard&) = delete;
  TreeNestingGuard& operator=(const TreeNestingGuard&) = delete;

  bool TooDeep() const { return Depth() > kMaxTreeNesting; }

 private:
  static int& Depth() {
    thread_local int depth = 0;
    return depth;
  }
};

}  // namespace velko
