// The "<0x..>" notation of card texts and the lenient base64 of the presets.
#include <doctest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/Error.h"
#include "common/Text.h"
#include "emulator/Escapes.h"

namespace {

// The message UnescapeText fails with, or "no error".
std::string UnescapeError(std::u16string_view text) {
    try {
        UnescapeText(text);
    } catch (const EComponentError& e) {
        return ToUtf8(e.Message());
    }
    return "no error";
}

}  // namespace

TEST_CASE("EscapeText copies printable ASCII and writes every other code as upper-case hex") {
    CHECK(EscapeText(u" 09AZaz~<>") == u" 09AZaz~<>");
    CHECK(EscapeText(std::u16string{u'\0', u'\t', u'\x1F', u'\x7F'}) == u"<0x00><0x09><0x1F><0x7F>");
    CHECK(EscapeText(u"0102\x1D" u"0304") == u"0102<0x1D>0304");
    CHECK(EscapeText(u"А\xFFFF") == u"<0x410><0xFFFF>");  // no zeros beyond two digits
    CHECK(EscapeText(u"\U0001F600") == u"<0xD83D><0xDE00>");
}

TEST_CASE("UnescapeText turns the escapes found in the input into their characters") {
    CHECK(UnescapeText(u"0102<0x1D>0304") == u"0102\x1D" u"0304");
    CHECK(UnescapeText(u"<0x41><0x41>") == u"AA");
    CHECK(UnescapeText(u"<0x0410>") == u"А");
    CHECK(UnescapeText(u"<0X1d>x<0x1D>") == u"\x1D" u"x\x1D");
    // The low 16 bits; leading zeros are not significant digits.
    CHECK(UnescapeText(u"<0x10041><0xFFFFFFFF>") == u"A\xFFFF");
    CHECK(UnescapeText(u"<0x0000000000041>") == u"A");
    // What a replacement produces is not decoded again.
    CHECK(ToUtf8(UnescapeText(u"<0x3C>0x41>")) == "<0x41>");
    CHECK(ToUtf8(UnescapeText(u"<<0x41>>")) == "<A>");
    // Lone surrogates and other non-ASCII characters pass through.
    CHECK(UnescapeText(std::u16string{u'\xD800', u'<', u'0', u'x', u'4', u'1', u'>'}) == std::u16string{u'\xD800', u'A'});

    for (const char16_t* text : {u"<0x>", u"<0xZZ>", u"0x41", u"<0x41", u"<x41>", u"<0x 41>", u"<00x41>", u"Привет"}) {
        CAPTURE(ToUtf8(text));
        CHECK(UnescapeText(text) == text);
    }
}

TEST_CASE("UnescapeText refuses a value beyond 32 bits, naming the digits as typed") {
    CHECK(UnescapeError(u"<0x123456789>") == "'$123456789' is not a valid integer value");
    CHECK(UnescapeError(u"<0x0123456789>") == "'$0123456789' is not a valid integer value");
    CHECK(UnescapeError(u"<0x41><0Xabcdef012>") == "'$abcdef012' is not a valid integer value");
    CHECK(UnescapeError(u"<0x0FFFFFFFF>") == "no error");
}

TEST_CASE("escaping and unescaping give back every text that spells no escape itself") {
    // Every 16-bit code, lone surrogates included, in runs of 16.
    std::vector<uint32_t> brokenRuns;
    for (uint32_t first = 0; first <= 0xFFFF; first += 16) {
        std::u16string run;
        for (uint32_t c = first; c < first + 16; ++c) run += static_cast<char16_t>(c);
        const std::u16string escaped = EscapeText(run);
        const bool printable =
            std::all_of(escaped.begin(), escaped.end(), [](char16_t c) { return c >= 32 && c <= 126; });
        if (!printable || UnescapeText(escaped) != run) {
            brokenRuns.push_back(first);
        }
    }
    CHECK(brokenRuns.empty());
    CHECK(UnescapeText(EscapeText(u"Ёлка\t<0x>\r\n")) == u"Ёлка\t<0x>\r\n");
    CHECK(UnescapeText(EscapeText(u"<0x41>")) == u"A");  // the notation's one ambiguity
}

TEST_CASE("DecodeBase64Lenient decodes what it can and never fails") {
    CHECK(DecodeBase64Lenient(u"") == "");
    CHECK(DecodeBase64Lenient(u"Zm9vYg==") == "foob");
    CHECK(DecodeBase64Lenient(u"Zm9vYmE=") == "fooba");
    CHECK(DecodeBase64Lenient(u"Zm9vYmFy") == "foobar");
    CHECK(DecodeBase64Lenient(u"+/+/") == "\xFB\xFF\xBF");
    CHECK(DecodeBase64Lenient(u"Zm8") == "fo");  // padding may be missing
    // Characters outside the alphabet are skipped, padding too, so its bits run on.
    CHECK(DecodeBase64Lenient(u" Z\r\nm9*v\x0410=") == "foo");
    CHECK(DecodeBase64Lenient(u"-_.:") == "");
    CHECK(DecodeBase64Lenient(u"AQ==AQ==") == std::string("\x01\x00\x10", 3));
    // Trailing bits that do not fill a byte are dropped.
    CHECK(DecodeBase64Lenient(u"Z") == "");
    CHECK(DecodeBase64Lenient(u"Zm9vY") == "foo");
}
