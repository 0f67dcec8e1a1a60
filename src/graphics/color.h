// ColorRef: colours as scripts write them (#RRGGBB) and as the engine keeps them (0x00BBGGRR).
#pragma once

#include <cstdint>
#include <string_view>

namespace advplay::graphics {

using ColorRef = std::uint32_t;

// "#RRGGBB" to 0x00BBGGRR. A text that does not begin with "#" is black. Each pair is read as the C
// library's strtol reads base 16 (blanks, a sign, then hex digits up to the first other byte), so a
// malformed pair gives the value of its leading digits, or 0, as the original engine did.
ColorRef parse_color(std::string_view text);

} // namespace advplay::graphics
