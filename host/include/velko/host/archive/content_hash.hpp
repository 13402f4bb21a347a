// The fingerprint of a file's content, as the archive keeps it.
#pragma once

#include <string_view>

#include "velko/frame/types.hpp"

namespace velko::host {

// SHA-256 of the bytes, as 64 lower-case hexadecimal digits.
String Sha256Hex(std::string_view bytes);

}  // namespace velko::host
