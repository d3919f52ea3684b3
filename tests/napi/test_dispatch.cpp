// What the call log and the error boundary show for host calls.
#include <doctest.h>

#include "common/Text.h"
#include "log/Log.h"
#include "log/LogTestSupport.h"
#include "napi/Dispatch.h"
#include "napi/TestObject.h"
#include "platform/Platform.h"

namespace {

// Entries of the log without timestamps and without the header block.
std::vector<std::string> Entries(const ScopedLog& log) {
    std::vector<std::string> out;
    const auto lines = log.Lines();
    for (size_t i = 6; i < lines.size(); ++i) {
        if (lines[i].size() > 24 && lines[i][4] == '.') out.push_back(lines[i].substr(24));
    }
    return out;
}

}  // namespace

TEST_CASE("parameter list text") {
    V8Variant params[3]{};
    CHECK(ParamList(params, 0) == u"[]");
    V8SetInt(nullptr, params[0], 5);
    CHECK(ParamList(params, 2) == u"[5; ]");
    params[2].vt = VTYPE_BLOB;
    CHECK(ParamList(params, 3) == u"[5; ; BLOB]");
    params[2].vt = VTYPE_BLOB | 0x7E5A0000u;  // the host's padding holds junk
    CHECK(ParamList(params, 3) == u"[5; ; BLOB]");
    params[2].vt = VTYPE_BLOB | VTYPE_BYREF;
    CHECK_THROWS_WITH(ParamList(params, 3), "Unsupported data type - VTYPE_BLOB by ref");
}

TEST_CASE("method calls write an entry and an exit line with the parameters before and after") {
    Loaded loaded;
    ScopedLog log("calls");
    Object a(u"A");
    SetLogLevel(3);
    V8Variant params[2]{};
    V8SetInt(nullptr, params[0], 2);
    V8SetInt(nullptr, params[1], 3);
    V8Variant ret{};
    CHECK(a.ext().CallAsFunc(a.extSelf(), 0, &ret, params, 2));
    V8Variant text[1]{};
    V8SetWString(a.memory.mm(), text[0], u"old");
    CHECK(a.ext().CallAsFunc(a.extSelf(), 1, &ret, text, 1));
    CHECK(a.ext().CallAsProc(a.extSelf(), 3, nullptr, 0));
    V8Variant value{};
    CHECK(a.ext().GetPropVal(a.extSelf(), 0, &value));  // properties are not call-logged
    SetLogLevel(0);

    const auto entries = Entries(log);
    REQUIRE(entries.size() == 6);
    CHECK(entries[0] == "DEBUG\t> Sum: \tParams: [2; 3]");
    CHECK(entries[1] == "DEBUG\t< Sum: \tResult=5; Params: [2; 3]");
    CHECK(entries[2] == "DEBUG\t> Echo: \tParams: [old]");
    CHECK(entries[3] == "DEBUG\t< Echo: \tResult=old; Params: [echo:old]");
    CHECK(entries[4] == "DEBUG\t> Nop: \tParams: []");
    CHECK(entries[5] == "DEBUG\t< Nop: \t; Params: []");
    V8ClearVar(a.memory.mm(), ret);
    V8ClearVar(a.memory.mm(), text[0]);
}

TEST_CASE("a parameter without a text form fails the call before the method runs, even with logging off") {
    Loaded loaded;
    Object a(u"A");
    V8Variant params[1]{};
    V8SetDate(nullptr, params[0], 45000.0);
    V8Variant ret{};
    CHECK_FALSE(a.ext().CallAsFunc(a.extSelf(), 1, &ret, params, 1));
    REQUIRE(a.connection.reports.size() == 1);
    CHECK(a.connection.reports[0].description == u"Unsupported data type - VTYPE_DATE");
    CHECK(a.connection.reports[0].code == 1006);
    CHECK(ret.vt == VTYPE_EMPTY);  // Echo never ran

    ScopedLog log("refused");
    SetLogLevel(3);
    CHECK_FALSE(a.ext().CallAsFunc(a.extSelf(), 1, &ret, params, 1));
    SetLogLevel(0);
    const auto entries = Entries(log);
    REQUIRE(entries.size() == 1);
    CHECK(entries[0] == "ERROR\tEXCEPTION: \tUnsupported data type - VTYPE_DATE");
}

TEST_CASE("errors raised by a method or a property are reported and logged") {
    Loaded loaded;
    ScopedLog log("errors");
    Object a(u"A");
    SetLogLevel(3);
    V8Variant ret{};
    CHECK_FALSE(a.ext().CallAsFunc(a.extSelf(), 2, &ret, nullptr, 0));
    V8Variant value{};
    V8SetInt(nullptr, value, 1);
    CHECK_FALSE(a.ext().SetPropVal(a.extSelf(), 1, &value));
    SetLogLevel(0);
    const auto entries = Entries(log);
    REQUIRE(entries.size() == 3);
    CHECK(entries[0] == "DEBUG\t> Fail: \tParams: []");
    CHECK(entries[1] == "ERROR\tEXCEPTION: \tTest failure");
    CHECK(entries[2] == "ERROR\tEXCEPTION: \tProperty is read-only: Name");
    REQUIRE(a.connection.reports.size() == 2);
    for (const auto& r : a.connection.reports) {
        CHECK(r.code == 1006);
        CHECK(r.source == u"Внешняя компонента");
        CHECK(static_cast<uint32_t>(r.scode) == 0x80004005u);
    }
}

TEST_CASE("a log that cannot be written turns into a failed host call, not a crash") {
    Loaded loaded;
    ScopedLog log("unwritable");
    Object a(u"A");
    SetLogLevel(3);
    platform::CreateLogDirectory(log.TodayFile());
    CHECK_FALSE(a.ext().CallAsProc(a.extSelf(), 3, nullptr, 0));
    REQUIRE(a.connection.reports.size() == 1);
    CHECK(ToUtf8(a.connection.reports[0].description).rfind("Cannot open file \"", 0) == 0);
    CHECK_NOTHROW(SetLogLevel(0));  // the header never made it, so there is no footer to write
}
