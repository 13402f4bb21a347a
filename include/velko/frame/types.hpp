// Basic value types of the component model.
#pragma once

#include <cstdint>
#include <string>

namespace velko {

using Long = std::int32_t;
using Integer = std::int16_t;
using Single = float;
using Double = double;
using Boolean = bool;
// Text is UTF-8 throughout the library.
using String = std::string;

// Error numbers are written in hexadecimal (0x8004xxxx) but are signed 32-bit values.
constexpr Long ErrorNumber(std::uint32_t hex) { return static_cast<Long>(hex); }

// The one hive that the library reads and writes.
constexpr Long kHKeyLocalMachine = ErrorNumber(0x80000002u);

}  // namespace velko
