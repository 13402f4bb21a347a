#include "located_xml.hpp"

#include <algorithm>

namespace velko::host::checks {

LocatedXml::LocatedXml(const String& text) {
  // The same refusals as the XML service: no DOCTYPE is read (so no entity is ever expanded).
  const pugi::xml_parse_result result =
      document_.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_auto);
  parsed_ = static_cast<bool>(result);
  located_ = parsed_ && result.encoding == pugi::encoding_utf8;
  if (!located_) return;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') lineStarts_.push_back(static_cast<std::ptrdiff_t>(i + 1));
  }
}

namespace {

Long LineAt(const std::vector<std::ptrdiff_t>& lineStarts, std::ptrdiff_t offset) {
  const auto after = std::upper_bound(lineStarts.begin(), lineStarts.end(), offset);
  return static_cast<Long>(after - lineStarts.begin()) + 1;
}

}  // namespace

Long LocatedXml::LineOf(pugi::xml_node node) const {
  if (!located_ || !node) return 0;
  const std::ptrdiff_t offset = node.offset_debug();
  return offset < 0 ? 0 : LineAt(lineStarts_, offset);
}

}  // namespace velko::host::checks
