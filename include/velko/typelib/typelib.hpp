// The outside type library: every interface and enumeration that hosts and plug-ins compile
// against.
#pragma once

#include "velko/frame/enumerator.hpp"
#include "velko/typelib/controls.hpp"
#include "velko/typelib/enums.hpp"
#include "velko/typelib/errors.hpp"
#include "velko/typelib/forward.hpp"
#include "velko/typelib/language.hpp"
#include "velko/typelib/limits.hpp"
#include "velko/typelib/plugin.hpp"
#include "velko/typelib/progress.hpp"
#include "velko/typelib/registry.hpp"
#include "velko/typelib/report.hpp"
#include "velko/typelib/sequence.hpp"
#include "velko/typelib/service.hpp"
#include "velko/typelib/setup.hpp"
#include "velko/typelib/xml.hpp"

namespace velko {

// The type library's facts.
inline constexpr const char* kTypeLibName = "VelkoTypeLib";
inline constexpr const char* kTypeLibVersion = "1.1";

}  // namespace velko
