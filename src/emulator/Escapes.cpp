#include "emulator/Escapes.h"

#include <pcre2.h>

#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include "common/Error.h"
#include "platform/Platform.h"

namespace {

// ---- escaping -----------------------------------------------------------------

constexpr char16_t kHexDigits[] = u"0123456789ABCDEF";

void AppendHex(std::u16string& out, uint32_t value) {
    char16_t digits[8];
    int n = 0;
    do {
        digits[n++] = kHexDigits[value & 0xF];
        value >>= 4;
    } while (value != 0);
    if (n < 2) digits[n++] = u'0';
    while (n > 0) out += digits[--n];
}

// ---- the escape pattern ---------------------------------------------------------

struct TCodeFree {
    void operator()(pcre2_code_16* code) const { pcre2_code_free_16(code); }
};
struct TMatchDataFree {
    void operator()(pcre2_match_data_16* data) const { pcre2_match_data_free_16(data); }
};
using TCode = std::unique_ptr<pcre2_code_16, TCodeFree>;
using TMatchData = std::unique_ptr<pcre2_match_data_16, TMatchDataFree>;

PCRE2_SPTR16 Units(std::u16string_view text) { return reinterpret_cast<PCRE2_SPTR16>(text.data()); }

// Compiled once; matching only reads it, so every thread may share it. No
// UTF mode: card data may hold any 16-bit value, lone surrogates included.
const pcre2_code_16& EscapePattern() {
    static const TCode code = [] {
        static constexpr std::u16string_view kPattern = u"<0x([0-9A-Fa-f]+)>";
        int error = 0;
        PCRE2_SIZE offset = 0;
        TCode compiled(pcre2_compile_16(Units(kPattern), kPattern.size(), PCRE2_CASELESS, &error, &offset, nullptr));
        if (!compiled) throw EComponentError(u"The escape pattern does not compile");
        return compiled;
    }();
    return *code;
}

struct TEscapeMatch {
    std::u16string_view whole;
    std::u16string_view digits;
};

// Every match in the text, left to right, without overlap.
std::vector<TEscapeMatch> FindEscapes(std::u16string_view text) {
    const pcre2_code_16& code = EscapePattern();
    TMatchData data(pcre2_match_data_create_from_pattern_16(&code, nullptr));
    if (!data) throw std::bad_alloc();
    std::vector<TEscapeMatch> matches;
    PCRE2_SIZE start = 0;
    while (start < text.size()) {
        const int rc = pcre2_match_16(&code, Units(text), text.size(), start, 0, data.get(), nullptr);
        if (rc == PCRE2_ERROR_NOMATCH) break;
        if (rc < 0) throw EComponentError(u"The escape search failed");
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer_16(data.get());
        matches.push_back({text.substr(ovector[0], ovector[1] - ovector[0]), text.substr(ovector[2], ovector[3] - ovector[2])});
        start = ovector[1];  // a match is never empty
    }
    return matches;
}

uint32_t HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return c - u'A' + 10;
}

// The digits as a 32-bit number; leading zeros do not count towards the limit.
uint32_t ParseHex32(std::u16string_view digits) {
    const size_t firstSignificant = digits.find_first_not_of(u'0');
    const size_t significant = firstSignificant == std::u16string_view::npos ? 0 : digits.size() - firstSignificant;
    if (significant > 8) {
        throw EComponentError(u"'$" + std::u16string(digits) + u"' is not a valid integer value");
    }
    uint32_t value = 0;
    for (const char16_t c : digits) value = (value << 4) | HexValue(c);
    return value;
}

bool SameAsciiIgnoreCase(std::u16string_view a, std::u16string_view b) {
    for (size_t i = 0; i < a.size(); ++i) {
        if (platform::FoldCase(a[i]) != platform::FoldCase(b[i])) return false;
    }
    return true;
}

// Every occurrence of `needle` (ASCII, letter case ignored) replaced by one
// character, scanning left to right; what a replacement produces is not scanned again.
std::u16string ReplaceAll(std::u16string_view text, std::u16string_view needle, char16_t replacement) {
    std::u16string out;
    out.reserve(text.size());
    size_t copied = 0;
    size_t at = text.find(needle.front());  // the opening bracket has no other case
    while (at != std::u16string_view::npos && text.size() - at >= needle.size()) {
        if (SameAsciiIgnoreCase(text.substr(at, needle.size()), needle)) {
            out.append(text.substr(copied, at - copied));
            out += replacement;
            copied = at + needle.size();
            at = text.find(needle.front(), copied);
        } else {
            at = text.find(needle.front(), at + 1);
        }
    }
    out.append(text.substr(copied));
    return out;
}

// ---- base64 ---------------------------------------------------------------------

int Base64Value(char16_t c) {
    if (c >= u'A' && c <= u'Z') return c - u'A';
    if (c >= u'a' && c <= u'z') return c - u'a' + 26;
    if (c >= u'0' && c <= u'9') return c - u'0' + 52;
    if (c == u'+') return 62;
    if (c == u'/') return 63;
    return -1;
}

}  // namespace

std::u16string EscapeText(std::u16string_view AText) {
    std::u16string out;
    out.reserve(AText.size());
    for (const char16_t c : AText) {
        if (c >= 32 && c <= 126) {
            out += c;
        } else {
            out += u"<0x";
            AppendHex(out, c);
            out += u'>';
        }
    }
    return out;
}

std::u16string UnescapeText(std::u16string_view AText) {
    std::u16string result(AText);
    // The matches come from the input, not from the result as it changes, so
    // a character that one replacement produces never starts a new escape.
    for (const TEscapeMatch& match : FindEscapes(AText)) {
        const auto character = static_cast<char16_t>(ParseHex32(match.digits) & 0xFFFF);
        result = ReplaceAll(result, match.whole, character);
    }
    return result;
}

std::string DecodeBase64Lenient(std::u16string_view AText) {
    std::string bytes;
    bytes.reserve(AText.size() * 3 / 4);
    uint32_t bits = 0;
    int count = 0;
    for (const char16_t c : AText) {
        const int value = Base64Value(c);
        if (value < 0) continue;
        bits = ((bits << 6) | static_cast<uint32_t>(value)) & 0xFFFFFF;
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return bytes;
}
