// Text conversions the host needs for printing and for its command line.
#pragma once

#include <string>
#include <string_view>

namespace hostsim {

// Unpaired surrogates become U+FFFD so a broken name still prints.
std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

// UTF-8 for a terminal: control characters, unpaired surrogates and the
// replacement character show as "<0x..>" so a stray byte in a name is visible.
std::string Printable(std::u16string_view text);

}  // namespace hostsim
