// The host's memory seen across whole sessions: everything the component
// hands over comes from the host's manager and nothing is left behind, even
// when the manager refuses.
#include <doctest.h>

#include "Fixture.h"

#include <string>

using namespace hostsim;
using fixture::Session;

namespace {

// Everything a host asks that makes the component hand texts over.
void WalkEverything(Component& component, HostMemory& memory) {
    component.RegisterExtensionAs();
    for (std::int32_t i = 0; i < component.GetNMethods(); ++i) {
        component.GetMethodName(i, 0);
        component.GetMethodName(i, 1);
    }
    for (std::int32_t i = 0; i < component.GetNProps(); ++i) {
        component.GetPropName(i, 0);
        component.GetPropName(i, 1);
        Values value(memory, 1);
        if (component.IsPropReadable(i)) {
            component.GetPropVal(i, value[0]);
        }
    }
}

}  // namespace

TEST_CASE("memory: a whole session leaves no host block behind and frees nothing foreign") {
    for (const auto className : {fixture::kClassA, fixture::kClassB}) {
        HostMemory memory;
        HostConnection connection;
        {
            auto component = Component::Create(fixture::TestLibrary(), className);
            REQUIRE(component.has_value());
            component->SetMemManager(&memory);
            component->Init(&connection);
            component->SetLocale(u"ru_RU");
            WalkEverything(*component, memory);
            if (className == fixture::kClassA) {
                Values params(memory, 1);
                params.Set(0, *MakeText(memory, u"text"));
                Values result(memory, 1);
                component->CallAsFunc(fixture::kEcho, result[0], params.All());
            }
            CHECK(component->TextsReceived() > 0);
            // Every text was a host block with its terminator inside.
            CHECK(component->Faults().empty());
            CHECK(component->Destroy() == 0);
        }
        CHECK(memory.AllocationCount() > 0);
        CHECK(memory.Outstanding().empty());
        CHECK(memory.BadFrees().empty());
        CHECK(memory.Overruns().empty());
    }
}

TEST_CASE("memory: when the host refuses memory, names come back null and nothing breaks") {
    Session session;
    Component& c = session.component;
    session.memory.FailNextAllocations(1);
    CHECK_FALSE(c.GetMethodName(fixture::kSum, 0).has_value());
    session.memory.FailNextAllocations(1);
    CHECK_FALSE(c.GetPropName(fixture::kValue, 1).has_value());
    session.memory.FailNextAllocations(1);
    CHECK_FALSE(c.RegisterExtensionAs().name.has_value());
    CHECK(session.memory.RefusedCount() == 3);

    // Service resumes once the host gives memory again.
    CHECK(c.GetMethodName(fixture::kSum, 0) == u"Sum");
    CHECK(c.Faults().empty());
    CHECK(session.memory.Clean());
}

TEST_CASE("memory: a call that needs memory the host refuses fails or returns no text, and leaks nothing") {
    Session session;
    {
        Values params(session.memory, 1);
        params.Set(0, *MakeText(session.memory, u"refused"));
        Values result(session.memory, 1);
        session.memory.FailNextAllocations(1'000);
        const bool ok = session.component.CallAsFunc(fixture::kEcho, result[0], params.All());
        if (ok) {
            // Whatever it returned must still be readable and its own text intact.
            CHECK(ReadText(result[0]) == u"refused");
        }
        CHECK(session.memory.RefusedCount() > 0);
        Values name(session.memory, 1);
        const bool read = session.component.GetPropVal(fixture::kName, name[0]);
        if (read) {
            CHECK(ReadText(name[0]) == u"A");
        }
        session.memory.FailNextAllocations(0);
    }
    CHECK(session.memory.Outstanding().empty());
    CHECK(session.memory.BadFrees().empty());
    // And the object still works afterwards.
    Values result(session.memory, 1);
    Values params(session.memory, 2);
    params[0] = MakeInt(2);
    params[1] = MakeInt(3);
    CHECK(session.component.CallAsFunc(fixture::kSum, result[0], params.All()));
    CHECK(ReadInt(result[0]) == 5);
}
