// Leak-checker suppressions for every test program (linked in by tests/CMakeLists.txt).
//
// The PO reader (libgettextpo) never frees a copy of each file name it reads, nor some tokens of a
// broken file; only blocks that the reader allocated itself are suppressed, not the library's own.
// Fontconfig (under the PDF writer's pango) keeps its configuration and font cache for the life of
// the process.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libgettextpo_x\nleak:libfontconfig\n";
}
