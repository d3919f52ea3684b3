// Names, counts and indexes: how the host finds a component's members, and
// what it gets for anything out of range.
#include <doctest.h>

#include "Fixture.h"

#include <climits>
#include <cstdint>
#include <string>

using namespace hostsim;
using fixture::Session;

namespace {

struct Member {
    std::u16string_view english;
    std::u16string_view local;
};

constexpr Member kMethods[] = {{u"Sum", u"Сумма"}, {u"Echo", u"Эхо"}, {u"Fail", u"Сбой"}, {u"Nop", u"Пусто"}};
constexpr std::int32_t kParams[] = {2, 1, 0, 0};
constexpr bool kReturns[] = {true, true, true, false};
constexpr Member kProps[] = {{u"Value", u"Значение"}, {u"Name", u"Имя"}};

}  // namespace

TEST_CASE("lookup: class A has four methods and two properties, class B one property") {
    Session a;
    CHECK(a.component.GetNMethods() == static_cast<std::int32_t>(std::size(kMethods)));
    CHECK(a.component.GetNProps() == static_cast<std::int32_t>(std::size(kProps)));
    Session b(fixture::kClassB);
    CHECK(b.component.GetNMethods() == 0);
    CHECK(b.component.GetNProps() == 1);
    CHECK(b.component.GetPropName(fixture::kFlag, 0) == u"Flag");
    CHECK(b.component.GetPropName(fixture::kFlag, 1) == u"Флаг");
    CHECK(b.component.FindProp(u"Флаг") == fixture::kFlag);
}

TEST_CASE("lookup: methods are found by either name, in exact case only") {
    Session session;
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(std::size(kMethods)); ++i) {
        CAPTURE(i);
        CHECK(session.component.FindMethod(kMethods[i].english) == i);
        CHECK(session.component.FindMethod(kMethods[i].local) == i);
        CHECK(session.component.GetMethodName(i, 0) == kMethods[i].english);
        CHECK(session.component.GetMethodName(i, 1) == kMethods[i].local);
        CHECK(session.component.GetNParams(i) == kParams[i]);
        CHECK(session.component.HasRetVal(i) == kReturns[i]);
    }
    CHECK(session.component.FindMethod(u"sum") == -1);
    CHECK(session.component.FindMethod(u"SUM") == -1);
    CHECK(session.component.FindMethod(u"Sum ") == -1);
    CHECK(session.component.FindMethod(u"") == -1);
    CHECK(session.component.FindMethod(u"Value") == -1);  // a property is not a method
    CHECK(session.component.Faults().empty());
}

TEST_CASE("lookup: properties are found by either name and report their access") {
    Session session;
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(std::size(kProps)); ++i) {
        CAPTURE(i);
        CHECK(session.component.FindProp(kProps[i].english) == i);
        CHECK(session.component.FindProp(kProps[i].local) == i);
        CHECK(session.component.GetPropName(i, 0) == kProps[i].english);
        CHECK(session.component.GetPropName(i, 1) == kProps[i].local);
    }
    CHECK(session.component.IsPropReadable(fixture::kValue));
    CHECK(session.component.IsPropWritable(fixture::kValue));
    CHECK(session.component.IsPropReadable(fixture::kName));
    CHECK_FALSE(session.component.IsPropWritable(fixture::kName));
    CHECK(session.component.FindProp(u"Sum") == -1);
    CHECK(session.component.FindProp(u"") == -1);
}

TEST_CASE("lookup: an alias beyond the two names gives nothing or one of them, never garbage") {
    Session session;
    for (std::int32_t alias : {2, 5, -1}) {
        CAPTURE(alias);
        const auto name = session.component.GetMethodName(fixture::kSum, alias);
        if (name) {
            CHECK((*name == kMethods[fixture::kSum].english || *name == kMethods[fixture::kSum].local));
        }
        const auto prop = session.component.GetPropName(fixture::kValue, alias);
        if (prop) {
            CHECK((*prop == kProps[fixture::kValue].english || *prop == kProps[fixture::kValue].local));
        }
    }
    CHECK(session.component.Faults().empty());
    CHECK(session.memory.Outstanding().empty());
}

TEST_CASE("lookup: a null name finds nothing") {
    Session session;
    CHECK(session.component.FindMethod(static_cast<const V8Char*>(nullptr)) == -1);
    CHECK(session.component.FindProp(static_cast<const V8Char*>(nullptr)) == -1);
}

TEST_CASE("lookup: every member operation refuses an index out of range") {
    for (const auto className : {fixture::kClassA, fixture::kClassB}) {
        Session session(className);
        Component& c = session.component;
        const std::int32_t methods = c.GetNMethods();
        const std::int32_t props = c.GetNProps();
        const auto before = session.memory.AllocationCount();

        for (const std::int32_t i : {-1, methods, methods + 1, 1000, INT_MIN, INT_MAX}) {
            CAPTURE(i);
            CHECK_FALSE(c.GetMethodName(i, 0).has_value());
            CHECK_FALSE(c.GetMethodName(i, 1).has_value());
            CHECK(c.GetNParams(i) == 0);
            CHECK_FALSE(c.HasRetVal(i));
            Values defaults(session.memory, 1);
            CHECK_FALSE(c.GetParamDefValue(i, 0, defaults[0]));
            CHECK(TypeOf(defaults[0]) == VTYPE_EMPTY);
            Values params(session.memory, 2);
            Values result(session.memory, 1);
            CHECK_FALSE(c.CallAsProc(i, params.All()));
            CHECK_FALSE(c.CallAsFunc(i, result[0], params.All()));
            CHECK(TypeOf(result[0]) == VTYPE_EMPTY);
        }
        for (const std::int32_t i : {-1, props, props + 1, 1000, INT_MIN, INT_MAX}) {
            CAPTURE(i);
            CHECK_FALSE(c.GetPropName(i, 0).has_value());
            CHECK_FALSE(c.GetPropName(i, 1).has_value());
            CHECK_FALSE(c.IsPropReadable(i));
            CHECK_FALSE(c.IsPropWritable(i));
            Values value(session.memory, 1);
            CHECK_FALSE(c.GetPropVal(i, value[0]));
            CHECK(TypeOf(value[0]) == VTYPE_EMPTY);
            value[0] = MakeInt(1);
            CHECK_FALSE(c.SetPropVal(i, value[0]));
        }
        // Refusals cost nothing: no name was built and thrown away.
        CHECK(session.memory.AllocationCount() == before);
        CHECK(session.memory.Clean());
    }
}

TEST_CASE("lookup: a parameter index out of range has no default") {
    Session session;
    for (const std::int32_t param : {-1, 2, 1000}) {
        CAPTURE(param);
        V8Variant value = MakeEmpty();
        CHECK_FALSE(session.component.GetParamDefValue(fixture::kSum, param, value));
    }
    V8Variant value = MakeEmpty();
    CHECK_FALSE(session.component.GetParamDefValue(fixture::kNop, 0, value));
}
