// Documents are kept deflated: records and reports are markup that shrinks to a fraction, and an
// archive keeps them for decades.
#pragma once

#include <optional>
#include <string_view>

#include "velko/frame/types.hpp"

namespace velko::host {

String Deflate(std::string_view bytes);
// The bytes back; none when `packed` does not inflate to exactly `size` bytes.
std::optional<String> Inflate(std::string_view packed, std::size_t size);

}  // namespace velko::host
