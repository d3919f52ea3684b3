// Single-byte text in the ANSI code page, as the base64 presets are read.
#include <doctest.h>

#include <string>

#include "platform/Platform.h"

TEST_CASE("ANSI text: ASCII as it is, and under Windows-1251 the upper half as Cyrillic and signs") {
    CHECK(platform::AnsiToText("").empty());
    CHECK(platform::AnsiToText(std::string("a\0b~\x7F\x01", 6)) == std::u16string(u"a\0b~\x7F\x01", 6));
    if (platform::AnsiCodePage() != 1251) {
        MESSAGE("the ANSI code page is " << platform::AnsiCodePage() << ", not 1251");
        return;
    }
    std::string letters;
    std::u16string expected;
    for (int b = 0xC0; b <= 0xFF; ++b) {
        letters += static_cast<char>(b);
        expected += static_cast<char16_t>(0x410 + (b - 0xC0));  // А … я in order
    }
    CHECK(platform::AnsiToText(letters) == expected);
    CHECK(platform::AnsiToText("\xA8\xB8\x88\xB9\x96\xA0") == u"Ёё€№–\xA0");
    CHECK(platform::AnsiToText("\x98") == u"\x0098");  // undefined: Windows keeps the code
}
