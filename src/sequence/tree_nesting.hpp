// How deep the calling thread is inside recursive walks of test trees, and how often the shape of
// its trees has changed. Every container step of
// a walk holds a guard; a walk that reaches beyond kMaxTreeNesting stops (or, when loading and
// saving, fails) instead of exhausting the stack, which also keeps a tree that was made cyclic
// by adding a container below itself from crashing the process.
#pragma once

#include <cstdint>

#include "velko/sequence/test_node.hpp"

namespace velko {

class TreeNestingGuard {
 public:
  TreeNestingGuard() { ++Depth(); }
  ~TreeNestingGuard() { --Depth(); }
  TreeNestingGuard(const TreeNestingGuard&) = delete;
  TreeNestingGuard& operator=(const TreeNestingGuard&) = delete;

  bool TooDeep() const { return Depth() > kMaxTreeNesting; }
  // How many walk steps are open on this thread, this one included.
  int Level() const { return Depth(); }

 private:
  static int& Depth() {
    thread_local int depth = 0;
    return depth;
  }
};

// The calling thread's count of changes to the shape of its test trees: a node's ID or a
// container's list of children. Every such change of the library's nodes calls
// TreeShapeChanged, so a look-up built over a tree holds while the count stays the same.
inline std::uint64_t& TreeShapeVersion() {
  thread_local std::uint64_t version = 0;
  return version;
}
inline void TreeShapeChanged() {
  ++TreeShapeVersion();
}

}  // namespace velko
