#include "common/Text.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

}  // namespace

std::string ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::u16string FromUtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto b0 = static_cast<unsigned char>(text[i]);
        int extra = 0;
        char32_t cp = 0;
        char32_t min = 0;
        if (b0 < 0x80) {
            cp = b0;
        } else if ((b0 & 0xE0) == 0xC0) {
            cp = b0 & 0x1F, extra = 1, min = 0x80;
        } else if ((b0 & 0xF0) == 0xE0) {
            cp = b0 & 0x0F, extra = 2, min = 0x800;
        } else if ((b0 & 0xF8) == 0xF0) {
            cp = b0 & 0x07, extra = 3, min = 0x10000;
        } else {
            out += static_cast<char16_t>(kReplacement);
            ++i;
            continue;
        }
        size_t j = i + 1;
        bool ok = true;
        for (int k = 0; k < extra; ++k, ++j) {
            if (j >= text.size() || (static_cast<unsigned char>(text[j]) & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (static_cast<unsigned char>(text[j]) & 0x3F);
        }
        if (!ok || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out += static_cast<char16_t>(kReplacement);
            i = ok ? j : i + 1;
            continue;
        }
        AppendUtf16(out, cp);
        i = j;
    }
    return out;
}

std::u16string Widen(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

std::u16string IntToText(int64_t value) { return Widen(std::to_string(value)); }

bool TryTextToInt(std::u16string_view text, int32_t& value) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == u'+' || text.front() == u'-')) {
        negative = text.front() == u'-';
        text.remove_prefix(1);
    }
    if (text.empty()) return false;
    int64_t result = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') return false;
        result = result * 10 + (c - u'0');
        if (result > 2147483648LL) return false;
    }
    if (negative) result = -result;
    if (result > INT32_MAX || result < INT32_MIN) return false;
    value = static_cast<int32_t>(result);
    return true;
}

bool TryTextToDouble(std::u16string_view text, char16_t separator, double& value) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    if (text.empty()) return false;
    // Only the digits, sign, exponent and the given separator may appear. The
    // conversion below reads a point whatever locale the host's process has
    // set, so the separator is mapped onto it.
    std::string ascii;
    for (char16_t c : text) {
        if (c == separator) {
            ascii += '.';
        } else if ((c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'e' || c == u'E') {
            ascii += static_cast<char>(c);
        } else {
            return false;
        }
    }
    // A plus sign is the one form of a number the C library reads and from_chars does not.
    std::string_view digits = ascii;
    if (digits.size() > 1 && digits.front() == '+' && digits[1] != '-' && digits[1] != '+') digits.remove_prefix(1);
    double parsed = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), parsed);
    if (error != std::errc() || end != digits.data() + digits.size() || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

std::u16string DoubleToText(double value, char16_t separator) {
    // As printf's "%.15G" writes it, but with a point whatever locale the
    // host's process has set.
    char buffer[64];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer - 1, value, std::chars_format::general, 15);
    *written.ptr = '\0';
    if (!std::isfinite(value)) {
        for (char* p = buffer; *p; ++p) *p = static_cast<char>(*p >= 'a' && *p <= 'z' ? *p - 32 : *p);
    }
    std::u16string out;
    for (const char* p = buffer; *p; ++p) {
        if (*p == '.') {
            out += separator;
        } else if (*p == 'e' || *p == 'E') {
            // "1E+20" -> "1E20", "1E-05" -> "1E-5"
            out += u'E';
            ++p;
            if (*p == '-') out += u'-';
            if (*p == '+' || *p == '-') ++p;
            while (*p == '0' && p[1] != '\0') ++p;
            for (; *p; ++p) out += static_cast<char16_t>(*p);
            break;
        } else {
            out += static_cast<char16_t>(*p);
        }
    }
    return out;
}
