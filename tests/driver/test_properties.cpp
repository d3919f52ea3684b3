// The property accessor: finding a property by name and converting between
// the host's values and the driver's fields; the last-result record.
#include <doctest.h>

#include <cstring>
#include <limits>

#include "common/Error.h"
#include "driver/DriverHost.h"
#include "log/Log.h"

namespace {

// A driver object on its own, with a host memory manager for its strings.
struct Sample {
    DriversLoaded loaded;
    TestMemory memory;
    std::unique_ptr<TSampleDriver> driver = NewDriver<TSampleDriver>();
    Sample() { driver->V8MM = memory.mm(); }

    void Set(const std::u16string& name, V8Variant value) { driver->PropertyGetSet(name, value, false); }
    V8Variant Get(const std::u16string& name) {
        V8Variant value{};
        driver->PropertyGetSet(name, value, true);
        return value;
    }
    V8Variant HostText(std::u16string_view text) {
        V8Variant v{};
        REQUIRE(V8SetWString(memory.mm(), v, text));
        return v;
    }
};

}  // namespace

TEST_CASE("LogEnabled by its localized name reads a host Boolean; its own name in lower case writes it") {
    Sample s;
    ScopedLog log("prop");
    SetLogLevel(3);
    V8Variant value = s.Get(u"ЛогВключен");
    CHECK(V8BaseType(value) == VTYPE_BOOL);
    CHECK(value.VarEnum.bVal == 1);
    s.Set(u"logenabled", HostInt(0));
    CHECK(TLog::LogLevel() == 0);
    s.Set(u"ЛОГВКЛЮЧЕН", HostBool(true));
    CHECK(TLog::LogLevel() == 3);
    s.Set(u"LogEnabled", HostInt(7));  // any non-zero integer reads as true
    CHECK(TLog::LogLevel() == 3);
    s.Set(u"LogEnabled", HostBool(false));
    CHECK(TLog::LogLevel() == 0);
    CHECK(s.Get(u"LogEnabled").VarEnum.bVal == 0);
}

TEST_CASE("integer properties read as 32-bit integers and take the host value's integer reading") {
    Sample s;
    s.Set(u"Count", s.HostText(u"25"));
    CHECK(s.driver->Count == 25);
    s.Set(u"Count", s.HostText(u"abc"));
    CHECK(s.driver->Count == 0);
    s.Set(u"количество", HostDouble(-7.9));
    CHECK(s.driver->Count == -7);
    s.Set(u"Count", HostBool(true));  // a Boolean has no integer reading
    CHECK(s.driver->Count == 0);
    s.driver->Count = 41;
    V8Variant value = s.Get(u"Count");
    CHECK(V8BaseType(value) == VTYPE_I4);
    CHECK(value.VarEnum.lVal == 41);
}

TEST_CASE("a 64-bit property reads as a 32-bit integer while it fits, as a double beyond") {
    Sample s;
    s.driver->Big = std::numeric_limits<int32_t>::min();
    V8Variant value = s.Get(u"Big");
    CHECK(V8BaseType(value) == VTYPE_I4);
    CHECK(value.VarEnum.lVal == std::numeric_limits<int32_t>::min());
    s.driver->Big = int64_t{1} << 40;
    value = s.Get(u"Big");
    REQUIRE(V8BaseType(value) == VTYPE_R8);
    CHECK(value.VarEnum.dblVal == 1099511627776.0);
    s.Set(u"Big", HostInt(-3));
    CHECK(s.driver->Big == -3);
}

TEST_CASE("a floating-point property takes a host integer as a double and reads as a double") {
    Sample s;
    s.Set(u"Ratio", HostInt(3));
    CHECK(s.driver->Ratio == 3.0);
    s.Set(u"Ratio", HostDouble(0.25));
    V8Variant value = s.Get(u"Доля");
    CHECK(V8BaseType(value) == VTYPE_R8);
    CHECK(value.VarEnum.dblVal == 0.25);
}

TEST_CASE("a string property refuses a host value that is not a string and keeps its value") {
    Sample s;
    V8Variant before = s.HostText(u"before");
    s.Set(u"Text", before);
    V8ClearVar(s.memory.mm(), before);
    CHECK_THROWS_WITH(s.Set(u"Text", HostInt(5)), "Value type unacceptable");
    CHECK_THROWS_WITH(s.Set(u"Text", HostBool(true)), "Value type unacceptable");
    CHECK_THROWS_WITH(s.Set(u"Text", V8Variant{}), "Value type unacceptable");
    CHECK(s.driver->Text == u"before");
    V8Variant value = s.Get(u"Text");
    REQUIRE(V8BaseType(value) == VTYPE_PWSTR);
    CHECK(s.memory.Owns(value.VarEnum.vtRecWideString.pwstrVal));
    CHECK(V8AsWString(value) == u"before");
    V8ClearVar(s.memory.mm(), value);
    CHECK(s.memory.blocks.empty());
}

TEST_CASE("a narrow host string is taken as UTF-8 text, not dropped") {
    Sample s;
    V8Variant narrow{};
    REQUIRE(V8SetPChar(s.memory.mm(), narrow, "Привет"));
    s.Set(u"Text", narrow);
    CHECK(s.driver->Text == u"Привет");
    V8ClearVar(s.memory.mm(), narrow);
}

TEST_CASE("Boolean properties take a host Boolean directly and anything else by its integer reading") {
    Sample s;
    s.Set(u"Flag", HostBool(true));
    CHECK(s.driver->Flag);
    s.Set(u"Flag", s.HostText(u"0"));
    CHECK_FALSE(s.driver->Flag);
    s.Set(u"Flag", s.HostText(u"12"));
    CHECK(s.driver->Flag);
    s.Set(u"Flag", HostDouble(0.4));  // truncates to 0
    CHECK_FALSE(s.driver->Flag);
}

TEST_CASE("character and other enumeration properties fail on read and on write, leaving the field") {
    Sample s;
    CHECK_THROWS_WITH(s.Get(u"Letter"), "Property type unacceptable");
    CHECK_THROWS_WITH(s.Set(u"Letter", s.HostText(u"y")), "Property type unacceptable");
    CHECK(s.driver->Letter == u'x');
    V8Variant untouched = HostInt(9);
    CHECK_THROWS_WITH(s.driver->PropertyGetSet(u"Mode", untouched, true), "Property type unacceptable");
    CHECK(untouched.VarEnum.lVal == 9);  // the host record is written only on success
    CHECK_THROWS_WITH(s.Set(u"Режим", HostInt(1)), "Property type unacceptable");
    CHECK(s.driver->Mode == TMode::mSlow);
}

TEST_CASE("a read-only property refuses a write even of a convertible value") {
    Sample s;
    try {
        s.Set(u"serial", s.HostText(u"SN-2"));
        FAIL("the write went through");
    } catch (const EComponentError& e) {
        CHECK(e.Message() == u"Property is read-only: serial");
    }
    CHECK(s.driver->Serial == u"SN-1");
    CHECK(V8AsWString(s.Get(u"Номер")) == u"SN-1");
}

TEST_CASE("an unknown or empty name fails with the name exactly as given") {
    Sample s;
    const std::u16string names[] = {u"NoSuchThing", u"", u"Count ", u"Cоunt" /* Cyrillic о */};
    for (const auto& name : names) {
        try {
            s.Set(name, HostInt(1));
            FAIL("found");
        } catch (const EComponentError& e) {
            CHECK(e.Message() == u"Property not found: " + name);
        }
        CHECK_THROWS_AS(s.Get(name), EComponentError);
    }
    CHECK(s.driver->Count == 0);
}

TEST_CASE("every descriptor that matches is served: a doubly described property is written twice") {
    Sample s;
    s.Set(u"Twice", HostInt(4));
    CHECK(s.driver->Twice == 4);
    CHECK(s.driver->TwiceWrites == 2);
    s.Set(u"ЕщёРаз", HostInt(5));  // matches the second descriptor only
    CHECK(s.driver->TwiceWrites == 3);
}

TEST_CASE("property access never changes the last result") {
    Sample s;
    s.driver->SetFailure(u"Earlier failure", nullptr, kGeneralErrorCode);
    s.Set(u"Count", HostInt(2));
    CHECK_THROWS(s.Set(u"Nope", HostInt(2)));
    CHECK(s.driver->LastResult().ErrorDescription == u"Earlier failure");
    CHECK(s.driver->LastResult().GetIntResult() == 1001);
}

TEST_CASE("the last result: code 0 reads as the general code; success clears; no record, no host write") {
    TResult result;
    CHECK(result.GetIntResult() == 0);
    result.SetError(u"Broken", 0);
    CHECK(result.GetIntResult() == 1001);
    CHECK_FALSE(result.BoolResult);
    result.SetError(u"Other", 1005);
    CHECK(result.GetIntResult() == 1005);
    result.Clear();
    CHECK(result.GetIntResult() == 0);
    CHECK(result.ErrorDescription.empty());

    Sample s;
    s.driver->SetFailure(u"Failed", nullptr, 0);
    CHECK(s.driver->LastResult().GetIntResult() == 1001);
    s.driver->SetSuccess(nullptr);
    CHECK(s.driver->LastResult().GetIntResult() == 0);
    CHECK(s.driver->LastResult().ErrorDescription.empty());
    V8Variant ret = HostInt(5);
    s.driver->SetFailure(u"Failed", &ret, 1001);
    CHECK(V8BaseType(ret) == VTYPE_BOOL);
    CHECK(ret.VarEnum.bVal == 0);
}

TEST_CASE("value types and their names") {
    CHECK(GetTypeValue(TPropertyKind::Integer) == tvNumber);
    CHECK(GetTypeValue(TPropertyKind::Int64) == tvNumber);
    CHECK(GetTypeValue(TPropertyKind::Float) == tvNumber);
    CHECK(GetTypeValue(TPropertyKind::String) == tvString);
    CHECK(GetTypeValue(TPropertyKind::Char) == tvString);
    CHECK(GetTypeValue(TPropertyKind::Boolean) == tvBoolean);
    CHECK(GetTypeValue(TPropertyKind::Enum) == tvUnknown);
    CHECK(GetTypeValue(TPropertyKind::Other) == tvUnknown);
    CHECK(TypeValueToString(tvString) == u"String");
    CHECK(TypeValueToString(tvNumber) == u"Number");
    CHECK(TypeValueToString(tvBoolean) == u"Boolean");
    CHECK(TypeValueToString(tvUnknown) == u"Unknown");
    CHECK_THROWS_WITH(TypeValueToString(static_cast<TTypeValue>(4)), "Enum value unacceptable");
}

TEST_CASE("the host's own property writes report conversion failures through the boundary") {
    DriverHost host;
    DriverObject sample(u"Sample");
    const int32_t text = sample.ext().FindProp(sample.extSelf(), u"Текст");
    REQUIRE(text >= 0);
    V8Variant number = HostInt(3);
    CHECK_FALSE(sample.ext().SetPropVal(sample.extSelf(), text, &number));
    REQUIRE(sample.connection.reports.size() == 1);
    CHECK(sample.connection.reports[0].description == u"Value type unacceptable");
    CHECK(sample.connection.reports[0].code == 1006);
    CHECK(sample.LastError() == 0);  // the host's property calls are not recorded

    V8Variant value = sample.Text(u"ok");
    CHECK(sample.ext().SetPropVal(sample.extSelf(), text, &value));
    sample.Take(value);
    V8Variant read{};
    CHECK(sample.ext().GetPropVal(sample.extSelf(), text, &read));
    CHECK(sample.Take(read) == u"ok");
    CHECK(sample.memory.blocks.empty());
}
