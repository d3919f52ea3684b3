// The reading of script lines and the display of event texts, natively and
// under the sanitizers: a script means what these rules say it means.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest.h>

#include "Script.h"

#include <string>
#include <vector>

using hostsim::EventText;
using hostsim::ParseCount;
using hostsim::SplitWords;
using Strings = std::vector<std::string>;

TEST_CASE("words: blanks separate, runs of blanks and tabs count once") {
    CHECK(SplitWords("call  SetParameter\ts:Delay   s:1500").words == Strings{"call", "SetParameter", "s:Delay", "s:1500"});
    CHECK(SplitWords("   ").words.empty());
    CHECK(SplitWords("").words.empty());
    CHECK(SplitWords("window\r").words == Strings{"window"});
}

TEST_CASE("words: quotes group and disappear, escapes work only inside them") {
    CHECK(SplitWords(R"(param Barcode1 "a  b")").words == Strings{"param", "Barcode1", "a  b"});
    CHECK(SplitWords(R"(call Echo s:"a b"c)").words == Strings{"call", "Echo", "s:a bc"});
    CHECK(SplitWords(R"(get "")").words == Strings{"get", ""});
    CHECK(SplitWords(R"(x "" "")").words == Strings{"x", "", ""});
    CHECK(SplitWords(R"(x "q\"q" "b\\s" "\n")").words == Strings{"x", "q\"q", "b\\s", "\\n"});
    CHECK(SplitWords(R"(x a\b)").words == Strings{"x", "a\\b"});
}

TEST_CASE("words: '#' starts a comment only where a word would start") {
    CHECK(SplitWords("# a comment").words.empty());
    CHECK(SplitWords("  #> result: ok").words.empty());
    CHECK(SplitWords("pump 100 # then stop").words == Strings{"pump", "100"});
    CHECK(SplitWords("call Echo s:#1").words == Strings{"call", "Echo", "s:#1"});
    CHECK(SplitWords(R"(call Echo "#1")").words == Strings{"call", "Echo", "#1"});
}

TEST_CASE("words: an unterminated quote is an error, not a guess") {
    const auto split = SplitWords(R"(get "Delay)");
    CHECK(split.words.empty());
    CHECK(split.error == "unterminated quote");
    CHECK(SplitWords(R"(get "a\")").error == "unterminated quote");
    CHECK(SplitWords(R"(get "a")").error.empty());
}

TEST_CASE("event texts: control characters and DEL as codes, the rest as UTF-8") {
    CHECK(EventText(u"123456789") == "123456789");
    CHECK(EventText(u"0102\u001D0304") == "0102<0x1D>0304");
    CHECK(EventText(std::u16string(u"\u0001\u0002\u0003")) == "<0x01><0x02><0x03>");
    CHECK(EventText(std::u16string(1, u'\0')) == "<0x00>");
    CHECK(EventText(u"\t\r\n\u007F ~") == "<0x09><0x0D><0x0A><0x7F> ~");
    // Cyrillic and characters past 0x7F are shown, not escaped.
    CHECK(EventText(u"Аб\u00A0\u0080") == "\xD0\x90\xD0\xB1\xC2\xA0\xC2\x80");
    // A surrogate pair around an escape stays one character.
    CHECK(EventText(u"\U0001F600\u001F\U0001F600") == "\xF0\x9F\x98\x80<0x1F>\xF0\x9F\x98\x80");
}

TEST_CASE("event texts: a null pointer differs from an empty text") {
    CHECK(EventText(std::nullopt) == "(null)");
    CHECK(EventText(std::u16string()) == "");
}

TEST_CASE("counts: plain decimal digits within the limit") {
    CHECK(ParseCount("0") == 0u);
    CHECK(ParseCount("1500") == 1500u);
    CHECK(ParseCount("86400000") == 86400000u);
    CHECK_FALSE(ParseCount("86400001"));
    CHECK(ParseCount("65535", 0xFFFF) == 65535u);
    CHECK_FALSE(ParseCount("65536", 0xFFFF));
    CHECK_FALSE(ParseCount(""));
    CHECK_FALSE(ParseCount("-1"));
    CHECK_FALSE(ParseCount("+1"));
    CHECK_FALSE(ParseCount(" 1"));
    CHECK_FALSE(ParseCount("1.5"));
    CHECK_FALSE(ParseCount("99999999999"));
    CHECK_FALSE(ParseCount("4294967296", 0xFFFFFFFF));
}
