// Fixed 128-bit identifiers of classes, interfaces and the type library.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velko {

struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::array<std::uint8_t, 8> data4{};

  friend bool operator==(const Guid&, const Guid&) = default;

  // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case, as the registry stores it.
  std::string ToString() const;
  // Accepts the form above with or without braces, in either case; nullopt when malformed.
  static std::optional<Guid> Parse(std::string_view text);
};

// Construction from the registry text form; used in constant expressions for the fixed IDs.
constexpr Guid MakeGuid(std::string_view text) {
  auto hex = [](char c) -> std::uint32_t {
    if (c >= '0' && c <= '9') return static_cast<std::uint32_t>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<std::uint32_t>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<std::uint32_t>(c - 'A' + 10);
    throw "invalid hex digit in GUID";
  };
  if (text.size() == 38) text = text.substr(1, 36);
  if (text.size() != 36) throw "GUID must have 36 characters";
  std::size_t pos = 0;
  auto read = [&](int digits) {
    std::uint32_t v = 0;
    for (int i = 0; i < digits; ++i) {
      if (text[pos] == '-') ++pos;
      v = (v << 4) | hex(text[pos++]);
    }
    return v;
  };
  Guid g;
  g.data1 = read(8);
  g.data2 = static_cast<std::uint16_t>(read(4));
  g.data3 = static_cast<std::uint16_t>(read(4));
  for (auto& b : g.data4) b = static_cast<std::uint8_t>(read(2));
  return g;
}

}  // namespace velko

// Inside an interface's class body: its fixed IID and its name.
#define VELKO_INTERFACE(Name, guidText)                              \
  static constexpr ::velko::Guid kIID = ::velko::MakeGuid(guidText); \
  static constexpr const char* kInterfaceName = #Name

// Inside a public class's body: its fixed CLSID and the IID of its default interface.
#define VELKO_CLASS_IDS(clsidText, iidText)                             \
  static constexpr ::velko::Guid kCLSID = ::velko::MakeGuid(clsidText); \
  static constexpr ::velko::Guid kIID = ::velko::MakeGuid(iidText)
