// Calls and property access as the host makes them, including records the
// host leaves untidy and failures the component reports back.
#include <doctest.h>

#include "Fixture.h"

#include <chrono>
#include <cstdint>
#include <string>

using namespace hostsim;
using fixture::Session;

namespace {

// Inputs vary between runs so a result cannot be right by coincidence.
std::int32_t Varying(std::int32_t base) {
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    return base + static_cast<std::int32_t>(ticks % 1000);
}

// The host declares the type as 16 bits and does not clear the two bytes above.
void Pad(V8Variant& value, std::uint32_t junk) { value.vt = (junk << 16) | TypeOf(value); }

}  // namespace

TEST_CASE("calls: Sum adds its two integers") {
    Session session;
    const std::int32_t a = Varying(1'000'000);
    const std::int32_t b = -Varying(7);
    Values params(session.memory, 2);
    params[0] = MakeInt(a);
    params[1] = MakeInt(b);
    Values result(session.memory, 1);
    REQUIRE(session.component.CallAsFunc(fixture::kSum, result[0], params.All()));
    CHECK(TypeOf(result[0]) == VTYPE_I4);
    CHECK(ReadInt(result[0]) == a + b);
    // Plain numbers come back as they went in.
    CHECK(ReadInt(params[0]) == a);
    CHECK(ReadInt(params[1]) == b);
}

TEST_CASE("calls: a type with junk in its upper two bytes is read by its low 16 bits") {
    Session session;
    const std::int32_t a = Varying(100);
    const std::int32_t b = Varying(-5000);
    Values params(session.memory, 2);
    params[0] = MakeInt(a);
    params[1] = MakeInt(b);
    Pad(params[0], 0xABCD);
    Pad(params[1], 0xFFFF);
    REQUIRE(params[0].vt == 0xABCD0003u);
    Values result(session.memory, 1);
    REQUIRE(session.component.CallAsFunc(fixture::kSum, result[0], params.All()));
    CHECK(ReadInt(result[0]) == a + b);

    V8Variant value = MakeInt(Varying(300));
    const auto expected = ReadInt(value);
    Pad(value, 0x1234);
    REQUIRE(session.component.SetPropVal(fixture::kValue, value));
    V8Variant read = MakeEmpty();
    REQUIRE(session.component.GetPropVal(fixture::kValue, read));
    CHECK(ReadInt(read) == expected);
}

TEST_CASE("calls: Sum's defaults are the integers 1 and 7, and a call with them adds them") {
    Session session;
    Values params(session.memory, 2);
    for (std::int32_t i = 0; i < 2; ++i) {
        REQUIRE(session.component.GetParamDefValue(fixture::kSum, i, params[static_cast<std::size_t>(i)]));
        CHECK(TypeOf(params[static_cast<std::size_t>(i)]) == VTYPE_I4);
    }
    CHECK(ReadInt(params[0]) == 1);
    CHECK(ReadInt(params[1]) == 7);
    const std::int32_t expected = *ReadInt(params[0]) + *ReadInt(params[1]);
    Values result(session.memory, 1);
    REQUIRE(session.component.CallAsFunc(fixture::kSum, result[0], params.All()));
    CHECK(ReadInt(result[0]) == expected);
}

TEST_CASE("calls: Echo returns its text and replaces its parameter, all in host memory") {
    const std::u16string samples[] = {
        u"plain",
        u"",
        u"Кириллица и пробелы",
        u"\U0001F600 pair, tab\t and newline\n",
        std::u16string(5000, u'x'),
    };
    for (const std::u16string& text : samples) {
        CAPTURE(text.size());
        Session session;
        {
            Values params(session.memory, 1);
            params.Set(0, *MakeText(session.memory, text));
            Values result(session.memory, 1);
            REQUIRE(session.component.CallAsFunc(fixture::kEcho, result[0], params.All()));
            CHECK(ReadText(result[0]) == text);
            CHECK(ReadText(params[0]) == u"echo:" + text);
            CHECK(session.memory.Owns(result[0].VarEnum.vtRecWideString.pwstrVal));
            CHECK(session.memory.Owns(params[0].VarEnum.vtRecWideString.pwstrVal));
        }
        // The text the host passed in was replaced, so the component had to return it.
        CHECK(session.memory.Outstanding().empty());
        CHECK(session.memory.BadFrees().empty());
        CHECK(session.memory.Overruns().empty());
    }
}

TEST_CASE("calls: Fail reports the failure to the host and the call fails") {
    Session session;
    Values result(session.memory, 1);
    CHECK_FALSE(session.component.CallAsFunc(fixture::kFail, result[0], {}));
    const auto errors = session.connection.Errors();
    REQUIRE(errors.size() == 1);
    CHECK(errors[0].code == 1006);
    CHECK(errors[0].source == u"Внешняя компонента");
    CHECK(errors[0].description == u"Test failure");
    CHECK(static_cast<std::uint32_t>(errors[0].scode) == 0x80004005u);
    // The host only borrows the texts of AddError: a copy made in host memory must be given back.
    for (const auto& block : session.memory.Outstanding()) {
        MESSAGE("outstanding host block: allocation #" << block.order << ", " << block.size << " bytes");
    }
    CHECK(session.memory.Outstanding().empty());
}

TEST_CASE("calls: without Init a failure has nowhere to go but the call still fails cleanly") {
    Session session(fixture::kClassA, Session::Start::WithoutInit);
    Values result(session.memory, 1);
    CHECK_FALSE(session.component.CallAsFunc(fixture::kFail, result[0], {}));
    CHECK(session.connection.Errors().empty());
    // The object stays usable afterwards.
    CHECK(session.component.CallAsProc(fixture::kNop, {}));
}

TEST_CASE("calls: Nop runs as a procedure") {
    Session session;
    CHECK(session.component.CallAsProc(fixture::kNop, {}));
    CHECK(session.connection.Errors().empty());
}

TEST_CASE("properties: Value starts at zero and keeps what is written") {
    Session session;
    V8Variant read = MakeEmpty();
    REQUIRE(session.component.GetPropVal(fixture::kValue, read));
    CHECK(TypeOf(read) == VTYPE_I4);
    CHECK(ReadInt(read) == 0);
    for (const std::int32_t number : {Varying(1), -Varying(1), INT32_MAX, INT32_MIN}) {
        CAPTURE(number);
        V8Variant value = MakeInt(number);
        REQUIRE(session.component.SetPropVal(fixture::kValue, value));
        REQUIRE(session.component.GetPropVal(fixture::kValue, read));
        CHECK(ReadInt(read) == number);
    }
}

TEST_CASE("properties: Name reads as the class's text and refuses a write") {
    Session session;
    {
        Values read(session.memory, 1);
        REQUIRE(session.component.GetPropVal(fixture::kName, read[0]));
        CHECK(ReadText(read[0]) == u"A");
        CHECK(session.memory.Owns(read[0].VarEnum.vtRecWideString.pwstrVal));
    }
    {
        Values write(session.memory, 1);
        write.Set(0, *MakeText(session.memory, u"changed"));
        CHECK_FALSE(session.component.SetPropVal(fixture::kName, write[0]));
    }
    Values again(session.memory, 1);
    REQUIRE(session.component.GetPropVal(fixture::kName, again[0]));
    CHECK(ReadText(again[0]) == u"A");
}

TEST_CASE("properties: B's Flag is a boolean that keeps what is written") {
    Session session(fixture::kClassB);
    for (const bool flag : {true, false, true}) {
        CAPTURE(flag);
        V8Variant value = MakeBool(flag);
        REQUIRE(session.component.SetPropVal(fixture::kFlag, value));
        V8Variant read = MakeEmpty();
        REQUIRE(session.component.GetPropVal(fixture::kFlag, read));
        CHECK(TypeOf(read) == VTYPE_BOOL);
        CHECK(ReadBool(read) == flag);
    }
}
