// The library's exports and the object block as the host finds them.
#include <doctest.h>

#include "Fixture.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

using namespace hostsim;
using fixture::Session;
using fixture::TestLibrary;

namespace {

// A value GetClassObject must leave alone when it refuses.
void* Sentinel() { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(0x5A5A5A50u)); }

// `operations` counts the entries after the destructor's (one on Windows,
// two on Linux), which stay null.
void CheckTable(void* table, std::size_t operations, const char* name) {
    CAPTURE(name);
    REQUIRE(table != nullptr);
    void* const* entry = static_cast<void* const*>(table);
    for (std::size_t i = 0; i < V8_DESTRUCTOR_ENTRIES; ++i) {
        CHECK(entry[i] == nullptr);
    }
    for (std::size_t i = V8_DESTRUCTOR_ENTRIES; i < V8_DESTRUCTOR_ENTRIES + operations; ++i) {
        CAPTURE(i);
        CHECK(entry[i] != nullptr);
    }
}

}  // namespace

TEST_CASE("exports: the class list names the three test classes in order") {
    const V8Char* names = TestLibrary().GetClassNames();
    REQUIRE(names != nullptr);
    CHECK(std::u16string(names) == u"A|B|Broken");
    CHECK(TestLibrary().ClassNames() ==
          std::vector<std::u16string>{std::u16string(fixture::kClassA), std::u16string(fixture::kClassB),
                                      std::u16string(fixture::kClassBroken)});
}

TEST_CASE("exports: a class name that does not match exactly, or whose constructor throws, creates nothing") {
    for (const char16_t* name : {u"a", u"A ", u" A", u"", u"A|B", u"b", u"Broken"}) {
        CAPTURE(std::u16string(name).size());
        void* component = Sentinel();
        CHECK(TestLibrary().GetClassObject(name, &component) == 0);
        CHECK(component == Sentinel());
    }
}

TEST_CASE("exports: every GetClassObject makes a separate object") {
    void* first = nullptr;
    void* second = nullptr;
    REQUIRE(TestLibrary().GetClassObject(u"A", &first) == 1);
    REQUIRE(TestLibrary().GetClassObject(u"A", &second) == 1);
    CHECK(first != nullptr);
    CHECK(second != nullptr);
    CHECK(first != second);
    CHECK(fixture::Word(first, 4) != fixture::Word(second, 4));
    CHECK(TestLibrary().DestroyObject(&first) == 0);
    CHECK(TestLibrary().DestroyObject(&second) == 0);
}

TEST_CASE("exports: DestroyObject of a null object pointer answers 0") {
    void* nothing = nullptr;
    CHECK(TestLibrary().DestroyObject(&nothing) == 0);
    CHECK(nothing == nullptr);
}

TEST_CASE("block: three tables, a zero word, then the object three times") {
    for (const auto className : {fixture::kClassA, fixture::kClassB}) {
        auto component = Component::Create(TestLibrary(), className);
        REQUIRE(component.has_value());
        // On x86 the object sits at byte offsets 16, 20 and 24, on x64 at 32, 40 and 48.
        const auto* bytes = static_cast<const unsigned char*>(component->Block());
        void* atOffset[3];
        for (std::size_t i = 0; i < 3; ++i) {
            std::memcpy(&atOffset[i], bytes + (4 + i) * sizeof(void*), sizeof(void*));
        }
        const auto words = component->Words();
        CHECK(atOffset[0] != nullptr);
        CHECK(atOffset[0] == atOffset[1]);
        CHECK(atOffset[1] == atOffset[2]);
        CHECK(words[4] == atOffset[0]);
        CHECK(words[3] == nullptr);
        CheckTable(words[0], 4, "IInitDone");
        CheckTable(words[1], 16, "LanguageExtender");
        CheckTable(words[2], 1, "Locale");
    }
}

TEST_CASE("init: setMemManager and Init succeed and GetInfo reports 2000") {
    HostMemory memory;
    HostConnection connection;
    auto component = Component::Create(TestLibrary(), fixture::kClassA);
    REQUIRE(component.has_value());
    CHECK(component->SetMemManager(&memory));
    CHECK(component->Init(&connection));
    CHECK(component->GetInfo() == 2000);
    component->Done();
    CHECK(component->Destroy() == 0);
    CHECK(memory.Clean());
}

TEST_CASE("init: RegisterExtensionAs before setMemManager hands back no name and still succeeds") {
    auto component = Component::Create(TestLibrary(), fixture::kClassA);
    REQUIRE(component.has_value());
    V8Char* name = static_cast<V8Char*>(Sentinel());
    CHECK(component->ExtenderTable().RegisterExtensionAs(component->Self(Component::kExtenderWord), &name));
    CHECK(name == nullptr);
}

TEST_CASE("init: each class registers its own extension name in host memory") {
    for (const auto& [className, extension] :
         {std::pair{fixture::kClassA, u"TestExtA"}, std::pair{fixture::kClassB, u"TestExtB"}}) {
        Session session(className);
        const auto registered = session.component.RegisterExtensionAs();
        CHECK(registered.result);
        CHECK(registered.name == extension);
        CHECK(session.component.Faults().empty());
        CHECK(session.memory.Outstanding().empty());
    }
}

TEST_CASE("locale: switching locales leaves both names of every member reachable") {
    Session session;
    for (const char16_t* locale : {u"en_US", u"", u"ru_RU", u"uk"}) {
        CAPTURE(std::u16string(locale).size());
        session.component.SetLocale(locale);
        CHECK(session.component.FindMethod(u"Sum") == fixture::kSum);
        CHECK(session.component.FindMethod(u"Сумма") == fixture::kSum);
        CHECK(session.component.GetMethodName(fixture::kEcho, 1) == u"Эхо");
        CHECK(session.component.GetPropName(fixture::kValue, 0) == u"Value");
    }
}

TEST_CASE("objects: two objects of one class keep separate state") {
    Session first;
    Session second;
    V8Variant value = MakeInt(41);
    REQUIRE(first.component.SetPropVal(fixture::kValue, value));
    V8Variant read = MakeEmpty();
    REQUIRE(second.component.GetPropVal(fixture::kValue, read));
    CHECK(ReadInt(read) == 0);
    REQUIRE(first.component.GetPropVal(fixture::kValue, read));
    CHECK(ReadInt(read) == 41);
}
