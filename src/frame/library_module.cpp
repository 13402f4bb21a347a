// libvelkocore.so as a component server: its class table, type library facts and entry points.
#include "velko/frame/module.hpp"

namespace {
const velko::ModuleInfo kVelkoCoreModule{"VelkoCore",
                                         "velko Core Library",
                                         velko::MakeGuid("{3F2B9C40-7D1E-4A6B-9C85-1E2F3A4B5C60}"),
                                         "4.22",
                                         nullptr,
                                         nullptr};
}  // namespace

VELKO_MODULE(kVelkoCoreModule)
