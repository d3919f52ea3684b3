#include <doctest.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <limits>
#include <tuple>

#include "common/Text.h"

#include "common/Error.h"
#include "napi/TestHost.h"
#include "napi/V8Variant.h"
#include "platform/Platform.h"

namespace {

V8Variant Int(int32_t value) {
    V8Variant v{};
    V8SetInt(nullptr, v, value);
    return v;
}

V8Variant Dbl(double value) {
    V8Variant v{};
    V8SetDouble(nullptr, v, value);
    return v;
}

V8Variant Typed(uint32_t vt) {
    V8Variant v{};
    v.vt = vt;
    return v;
}

std::string ToTextError(const V8Variant& v) {
    try {
        V8ToText(v);
    } catch (const EComponentError& e) {
        return e.what();
    }
    return "no error";
}

}  // namespace

TEST_CASE("wide string setter allocates text and terminator in host memory") {
    TestMemory host;
    V8Variant v{};
    CHECK(V8SetWString(host.mm(), v, u""));
    CHECK(host.allocations.back() == 2);
    CHECK(v.VarEnum.vtRecWideString.wstrLen == 0);
    CHECK(v.VarEnum.vtRecWideString.pwstrVal[0] == 0);
    CHECK(v.vt == VTYPE_PWSTR);

    void* old = v.VarEnum.vtRecWideString.pwstrVal;
    CHECK(V8SetWString(host.mm(), v, u"abc"));
    CHECK(host.frees == 1);  // the old block went back before the new one came
    CHECK_FALSE(host.Owns(old));
    CHECK(host.allocations.back() == 8);
    CHECK(std::memcmp(v.VarEnum.vtRecWideString.pwstrVal, u"abc", 8) == 0);
    CHECK(v.VarEnum.vtRecWideString.wstrLen == 3);

    V8ClearVar(host.mm(), v);
    CHECK(host.blocks.empty());
    CHECK(v.vt == VTYPE_EMPTY);
    CHECK(host.badFrees == 0);
}

TEST_CASE("setter allocation failure keeps the type with zero length") {
    TestMemory host;
    host.failNext = 1;
    V8Variant v{};
    CHECK_FALSE(V8SetWString(host.mm(), v, u"abc"));
    CHECK(v.vt == VTYPE_PWSTR);
    CHECK(v.VarEnum.vtRecWideString.wstrLen == 0);
    CHECK(V8AsWString(v).empty());
    CHECK(V8AllocWString(nullptr, u"x") == nullptr);
}

TEST_CASE("null data leaves the record alone; blobs and narrow strings are copied") {
    TestMemory host;
    V8Variant v = Int(5);
    CHECK(V8SetBlob(host.mm(), v, nullptr, 10));
    CHECK(V8SetPChar(host.mm(), v, nullptr));
    CHECK(v.vt == VTYPE_I4);
    CHECK(v.VarEnum.lVal == 5);

    const unsigned char bytes[] = {0, 1, 2};
    CHECK(V8SetBlob(host.mm(), v, bytes, 3));
    CHECK(host.allocations.back() == 3);
    CHECK(v.vt == VTYPE_BLOB);
    CHECK(std::memcmp(v.VarEnum.vtRecString.pstrVal, bytes, 3) == 0);

    CHECK(V8SetString(host.mm(), v, ""));
    CHECK(host.allocations.back() == 1);
    CHECK(v.vt == VTYPE_PSTR);
    CHECK(V8AsWString(v).empty());  // narrow text is not wide text
    V8ClearVar(host.mm(), v);
    CHECK(host.blocks.empty());
}

TEST_CASE("integer, double and Boolean readings") {
    TestMemory host;
    V8Variant s{};
    V8SetWString(host.mm(), s, u"25");
    CHECK(V8AsInteger(s) == 25);
    V8SetWString(host.mm(), s, u"x");
    CHECK(V8AsInteger(s) == 0);
    V8SetWString(host.mm(), s, u"0");
    CHECK_FALSE(V8AsBoolean(s));
    V8SetWString(host.mm(), s, u"1");
    CHECK(V8AsBoolean(s));
    V8SetWString(host.mm(), s, u"99999999999");
    CHECK(V8AsInteger(s) == 0);

    CHECK(V8AsInteger(Dbl(2.9)) == 2);
    CHECK(V8AsInteger(Dbl(-2.9)) == -2);
    CHECK(V8AsInteger(Dbl(4294967297.0)) == 1);  // low 32 bits of the truncation
    V8Variant b{};
    V8SetBool(nullptr, b, true);
    CHECK(V8AsInteger(b) == 0);
    CHECK(V8AsBoolean(b));
    CHECK(V8AsBoolean(Int(2)));

    V8Variant i8{};
    V8SetInt64(nullptr, i8, 5);
    CHECK_FALSE(V8AsBoolean(i8));
    V8Variant date{};
    V8SetDate(nullptr, date, 45310.75);
    CHECK(V8AsBoolean(date));
    CHECK(V8AsInteger(date) == 45310);
    CHECK(V8AsDateTime(date) == 45310.75);

    const char16_t saved = platform::DecimalSeparator();
    V8SetWString(host.mm(), s, u"1,5");
    platform::SetDecimalSeparator(u',');
    CHECK(V8AsDouble(s) == 1.5);
    platform::SetDecimalSeparator(u'.');
    CHECK(V8AsDouble(s) == 0);
    platform::SetDecimalSeparator(saved);
    V8ClearVar(host.mm(), s);
}

TEST_CASE("wide string reading stops at the terminator, not at the length") {
    char16_t text[] = {u'a', u'b', 0, u'c', u'd', 0};
    V8Variant v = Typed(VTYPE_PWSTR);
    v.VarEnum.vtRecWideString.pwstrVal = text;
    v.VarEnum.vtRecWideString.wstrLen = 5;
    CHECK(V8AsWString(v) == u"ab");
}

TEST_CASE("the type is read from the low 16 bits; the host's padding may hold garbage") {
    V8Variant v = Int(42);
    v.vt = 0xABCD0000u | VTYPE_I4;
    CHECK(V8AsInteger(v) == 42);
    CHECK(V8ToText(v) == u"42");
    CHECK(V8TypeName(v) == u"VTYPE_I4");
    V8SetInt(nullptr, v, 7);
    CHECK(v.vt == VTYPE_I4);  // writers clear the upper half
}

TEST_CASE("type names with their flag suffix") {
    CHECK(V8TypeName(Typed(22)) == u"VTYPE_PWSTR");
    CHECK(V8TypeName(Typed(0x4003)) == u"VTYPE_I4 by ref");
    CHECK(V8TypeName(Typed(0x200B)) == u"VTYPE_BOOL array");
    CHECK(V8TypeName(Typed(0x5002)) == u"VTYPE_I2 by ref");
    CHECK(V8TypeName(Typed(0x1011)) == u"VTYPE_I8 vector");
    CHECK(V8TypeName(Typed(0xFFF)) == u"VTYPE_STR_BLOB");
    CHECK(V8TypeName(Typed(25)) == u"unknown type");
    CHECK(V8TypeName(Typed(0x401A)) == u"unknown type");
}

TEST_CASE("text for the call log") {
    CHECK(V8ToText(Typed(0)).empty());
    CHECK(V8ToText(Int(-17)) == u"-17");
    CHECK(V8ToText(Dbl(3)) == u"3");
    const char16_t saved = platform::DecimalSeparator();
    platform::SetDecimalSeparator(u',');
    CHECK(V8ToText(Dbl(2.5)) == u"2,5");
    platform::SetDecimalSeparator(u'.');
    CHECK(V8ToText(Dbl(2.5)) == u"2.5");
    CHECK(V8ToText(Dbl(0.1)) == u"0.1");
    CHECK(V8ToText(Dbl(1e20)) == u"1E20");
    platform::SetDecimalSeparator(saved);
    V8Variant b{};
    V8SetBool(nullptr, b, true);
    CHECK(V8ToText(b) == u"True");
    V8SetBool(nullptr, b, false);
    CHECK(V8ToText(b) == u"False");
    V8Variant l{};
    V8SetInt64(nullptr, l, -9000000000LL);
    CHECK(V8ToText(l) == u"-9000000000");

    V8Variant date{};
    V8SetDate(nullptr, date, 1.0);
    CHECK(ToTextError(date) == "Unsupported data type - VTYPE_DATE");
    CHECK(ToTextError(Typed(0x4003)) == "Unsupported data type - VTYPE_I4 by ref");
    CHECK(ToTextError(Typed(VTYPE_PSTR)) == "Unsupported data type - VTYPE_PSTR");
    CHECK(ToTextError(Typed(VTYPE_NULL)) == "Unsupported data type - VTYPE_NULL");
}

TEST_CASE("broken-down time to day count") {
    V8Tm tm{};
    tm.tm_year = 124, tm.tm_mon = 0, tm.tm_mday = 19, tm.tm_hour = 18;
    CHECK(V8TmToDateTime(tm) == doctest::Approx(45310.75));
    tm.tm_year = -1, tm.tm_mon = 11, tm.tm_mday = 30, tm.tm_hour = 0;
    CHECK(V8TmToDateTime(tm) == 0.0);
    tm.tm_year = 100, tm.tm_mon = 1, tm.tm_mday = 29;  // 2000 is a leap year
    CHECK_NOTHROW(V8TmToDateTime(tm));
    tm.tm_year = 101;
    CHECK_THROWS_WITH_AS(V8TmToDateTime(tm), "Invalid argument to date encode", EComponentError);
    tm.tm_mday = 1, tm.tm_hour = 24;
    CHECK_THROWS_WITH_AS(V8TmToDateTime(tm), "Invalid argument to time encode", EComponentError);
    V8Variant v = Typed(VTYPE_TM);
    v.VarEnum.tmVal = tm;
    CHECK(ToTextError(v) == "Invalid argument to time encode");
    tm.tm_hour = 13, tm.tm_min = 5, tm.tm_sec = 9;
    v.VarEnum.tmVal = tm;
    CHECK_FALSE(V8ToText(v).empty());
}

namespace {
std::u16string TmText(int year, int month, int day, int hour, int minute, int second) {
    V8Variant v = Typed(VTYPE_TM);
    v.VarEnum.tmVal.tm_year = year - 1900, v.VarEnum.tmVal.tm_mon = month - 1, v.VarEnum.tmVal.tm_mday = day;
    v.VarEnum.tmVal.tm_hour = hour, v.VarEnum.tmVal.tm_min = minute, v.VarEnum.tmVal.tm_sec = second;
    return V8ToText(v);
}
}  // namespace

TEST_CASE("dates before the day count's epoch keep their day and time of day") {
    // The day is the integral part and the time the fraction's magnitude: -1.75 is 1899-12-29 18:20.
    const std::u16string sep(1, platform::TimeSeparator());
    for (const auto& [year, month, day] : {std::tuple{1899, 12, 29}, std::tuple{1601, 1, 1}, std::tuple{1600, 2, 29},
                                           std::tuple{1, 1, 1}, std::tuple{2024, 3, 5}}) {
        const std::u16string text = TmText(year, month, day, 18, 20, 30);
        CAPTURE(ToUtf8(text));
#ifdef _WIN32
        // The locale decides the layout; the numbers are the date's own.
        const auto yearText = IntToText(year);
        CHECK(text.find(std::u16string(4 - std::min<size_t>(4, yearText.size()), u'0') + yearText) != std::u16string::npos);
        CHECK(text.find(IntToText(day)) != std::u16string::npos);
        CHECK(text.find(sep + u"20" + sep + u"30") != std::u16string::npos);
#else
        char expected[32];
        std::snprintf(expected, sizeof expected, "%02d.%02d.%04d 18:20:30", day, month, year);
        CHECK(ToUtf8(text) == expected);
#endif
    }
}

// The host's process runs in the desktop's locale (a GTK client calls
// setlocale), where the C library reads and writes "1,5": numbers in values
// and in the log must not follow it.
TEST_CASE("numbers read and written alike in a Russian process locale") {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    const char* russian = nullptr;
    for (const char* name : {"ru_RU.UTF-8", "ru_RU.utf8", "Russian_Russia.1251", "ru-RU"}) {
        if ((russian = std::setlocale(LC_ALL, name)) != nullptr) break;
    }
    REQUIRE_MESSAGE(russian != nullptr, "no Russian locale on this machine (the bootstrap makes ru_RU.UTF-8)");
    REQUIRE(std::string(std::localeconv()->decimal_point) == ",");

    double value = 0;
    CHECK(TryTextToDouble(u"1250.75", u'.', value));
    CHECK(value == 1250.75);
    CHECK(TryTextToDouble(u"+1e-3", u'.', value));
    CHECK(value == 0.001);
    CHECK_FALSE(TryTextToDouble(u"1,5", u'.', value));
    CHECK(TryTextToDouble(u"1,5", u',', value));
    CHECK(value == 1.5);
    CHECK_FALSE(TryTextToDouble(u"1e999", u'.', value));
    CHECK(DoubleToText(1250.75, u'.') == u"1250.75");
    CHECK(DoubleToText(1250.75, u',') == u"1250,75");
    CHECK(DoubleToText(1e20, u'.') == u"1E20");
    CHECK(DoubleToText(-0.00001, u'.') == u"-1E-5");
    CHECK(DoubleToText(0.1 + 0.2, u'.') == u"0.3");
    CHECK(DoubleToText(std::numeric_limits<double>::infinity(), u'.') == u"INF");
    std::setlocale(LC_ALL, saved.c_str());
}
