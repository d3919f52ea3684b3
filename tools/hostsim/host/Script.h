// The host simulator's command language: splitting a line into words and
// showing the texts of external events. Portable, so the rules that decide
// what a script means are tested natively.
#pragma once

#include "HostConnection.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hostsim {

struct Words {
    std::vector<std::string> words;
    // Empty unless the line cannot be read (an unterminated quote).
    std::string error;
};

// Blanks separate words. Double quotes group blanks into a word and are
// removed, so `s:"a b"` is the one word `s:a b` and `""` an empty word;
// inside quotes \" and \\ stand for " and \. A word that starts with '#'
// outside quotes begins a comment, so `s:#1` is still a value.
Words SplitWords(std::string_view line);

// An event text as a line of output shows it: characters below 0x20 and
// 0x7F as "<0xHH>", everything else as UTF-8; a null pointer as "(null)".
std::string EventText(const OptionalText& text);

// A non-negative decimal count or duration; nullopt for anything else,
// signs and blanks included, and for values above `limit`.
std::optional<std::uint32_t> ParseCount(std::string_view text, std::uint32_t limit = 86'400'000);

}  // namespace hostsim
