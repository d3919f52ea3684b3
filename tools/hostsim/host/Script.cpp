#include "Script.h"

#include "Text.h"

#include <cstdio>

namespace hostsim {

Words SplitWords(std::string_view line) {
    Words result;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) {
                word += line[++i];
            } else if (c == '"') {
                quoted = false;
            } else {
                word += c;
            }
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (inWord) {
                result.words.push_back(std::move(word));
                word.clear();
                inWord = false;
            }
            continue;
        }
        if (c == '#' && !inWord) {
            break;
        }
        inWord = true;
        if (c == '"') {
            quoted = true;
        } else {
            word += c;
        }
    }
    if (quoted) {
        result.error = "unterminated quote";
        result.words.clear();
        return result;
    }
    if (inWord) {
        result.words.push_back(std::move(word));
    }
    return result;
}

std::string EventText(const OptionalText& text) {
    if (!text) {
        return "(null)";
    }
    std::string out;
    std::u16string run;
    for (const char16_t c : *text) {
        if (c < 0x20 || c == 0x7F) {
            out += ToUtf8(run);
            run.clear();
            char code[12];
            std::snprintf(code, sizeof code, "<0x%02X>", static_cast<unsigned>(c));
            out += code;
        } else {
            // Kept in runs so a surrogate pair reaches the converter whole.
            run += c;
        }
    }
    return out + ToUtf8(run);
}

std::optional<std::uint32_t> ParseCount(std::string_view text, std::uint32_t limit) {
    if (text.empty() || text.size() > 10) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > limit) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

}  // namespace hostsim
