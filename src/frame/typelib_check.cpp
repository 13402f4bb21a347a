// Compiles every interface of the outside type library into the library, so that a declaration
// that does not compile is found at once.
#include "velko/typelib/typelib.hpp"
