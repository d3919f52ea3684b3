// Native checks of the host's bookkeeping, run under the sanitizers: the
// memory books, the connection's recording across threads, the value helpers,
// and the component handle against a small component linked into this program.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest.h>

#include "Component.h"
#include "HostConnection.h"
#include "HostMemory.h"
#include "Library.h"
#include "Text.h"
#include "Value.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace hostsim;
using namespace std::chrono_literals;

namespace {

// Calls through the table exactly as a component would.
const V8MemoryManagerVtbl& MemoryTable(HostMemory& memory) {
    return **static_cast<const V8MemoryManagerVtbl* const*>(memory.Interface());
}

const V8AddInDefBaseVtbl& ConnectionTable(HostConnection& connection) {
    return **static_cast<const V8AddInDefBaseVtbl* const*>(connection.Interface());
}

void* ComponentAlloc(HostMemory& memory, std::uint32_t size) {
    void* block = nullptr;
    const bool ok = MemoryTable(memory).AllocMemory(memory.Interface(), &block, size);
    CHECK(ok == (block != nullptr));
    return block;
}

void ComponentFree(HostMemory& memory, void* block) {
    MemoryTable(memory).FreeMemory(memory.Interface(), &block);
}

}  // namespace

TEST_CASE("memory: blocks are tracked from allocation to free") {
    HostMemory memory;
    void* block = ComponentAlloc(memory, 10);
    REQUIRE(block != nullptr);
    CHECK(memory.Owns(block));
    CHECK(memory.SizeOf(block) == std::optional<std::size_t>(10));
    CHECK(memory.AllocationCount() == 1);

    void* pointer = block;
    MemoryTable(memory).FreeMemory(memory.Interface(), &pointer);
    CHECK(pointer == nullptr);  // the host clears the caller's pointer
    CHECK_FALSE(memory.Owns(block));
    CHECK(memory.FreeCount() == 1);
    CHECK(memory.Clean());
}

TEST_CASE("memory: a zero-byte request still yields a distinct, freeable block") {
    HostMemory memory;
    void* a = ComponentAlloc(memory, 0);
    void* b = ComponentAlloc(memory, 0);
    REQUIRE(a != nullptr);
    CHECK(a != b);
    ComponentFree(memory, a);
    ComponentFree(memory, b);
    CHECK(memory.Clean());
}

TEST_CASE("memory: freeing what the host never gave, or gave and took back, is recorded, not fatal") {
    HostMemory memory;
    int stranger = 0;
    ComponentFree(memory, &stranger);
    REQUIRE(memory.BadFrees().size() == 1);
    CHECK(memory.BadFrees()[0].address == &stranger);

    void* block = ComponentAlloc(memory, 4);
    ComponentFree(memory, block);
    ComponentFree(memory, block);
    const auto bad = memory.BadFrees();
    REQUIRE(bad.size() == 2);
    CHECK(bad[1].address == block);
    CHECK_FALSE(bad[1].reason.empty());
    CHECK(memory.FreeCount() == 1);
    CHECK_FALSE(memory.Clean());

    CHECK_FALSE(memory.Release(&stranger));
    CHECK(memory.BadFrees().size() == 3);
}

TEST_CASE("memory: a null pointer is harmless, a null address of the pointer is not") {
    HostMemory memory;
    void* nothing = nullptr;
    MemoryTable(memory).FreeMemory(memory.Interface(), &nothing);
    CHECK(memory.BadFrees().empty());
    CHECK(memory.Release(nullptr));
    MemoryTable(memory).FreeMemory(memory.Interface(), nullptr);
    CHECK(memory.BadFrees().size() == 1);
    CHECK_FALSE(MemoryTable(memory).AllocMemory(memory.Interface(), nullptr, 8));
    CHECK(memory.AllocationCount() == 0);
}

TEST_CASE("memory: outstanding blocks are reported in allocation order with their sizes") {
    HostMemory memory;
    void* first = ComponentAlloc(memory, 3);
    void* second = ComponentAlloc(memory, 5);
    void* third = ComponentAlloc(memory, 7);
    ComponentFree(memory, second);
    const auto leaks = memory.Outstanding();
    REQUIRE(leaks.size() == 2);
    CHECK(leaks[0].address == first);
    CHECK(leaks[0].size == 3);
    CHECK(leaks[0].order == 1);
    CHECK(leaks[1].address == third);
    CHECK(leaks[1].size == 7);
    CHECK(leaks[1].order == 3);
    CHECK_FALSE(memory.Clean());
}

TEST_CASE("memory: refused allocations fail cleanly and then service resumes") {
    HostMemory memory;
    memory.FailNextAllocations(2);
    void* block = reinterpret_cast<void*>(0x1);
    CHECK_FALSE(MemoryTable(memory).AllocMemory(memory.Interface(), &block, 16));
    CHECK(block == nullptr);
    CHECK(memory.AllocText(u"x") == nullptr);
    CHECK(memory.RefusedCount() == 2);
    CHECK(memory.AllocationCount() == 0);
    void* granted = ComponentAlloc(memory, 16);
    CHECK(granted != nullptr);
    ComponentFree(memory, granted);
    CHECK(memory.Clean());
}

TEST_CASE("memory: writing past a block is noticed when it is freed") {
    HostMemory memory;
    auto* text = static_cast<V8Char*>(ComponentAlloc(memory, 2 * sizeof(V8Char)));
    REQUIRE(text != nullptr);
    text[0] = u'a';
    text[1] = u'b';
    text[2] = 0;  // the terminator nobody paid for
    ComponentFree(memory, text);
    const auto overruns = memory.Overruns();
    REQUIRE(overruns.size() == 1);
    CHECK(overruns[0].size == 2 * sizeof(V8Char));
    CHECK_FALSE(memory.Clean());
}

TEST_CASE("memory: host texts are terminated copies in host blocks") {
    HostMemory memory;
    const std::u16string source = u"Привет\U0001F600";
    V8Char* copy = memory.AllocText(source);
    REQUIRE(copy != nullptr);
    CHECK(std::u16string(copy) == source);
    CHECK(memory.SizeOf(copy) == (source.size() + 1) * sizeof(V8Char));
    CHECK(memory.Release(copy));
    CHECK(memory.Clean());
}

TEST_CASE("memory: allocation and free from many threads keep the books straight") {
    HostMemory memory;
    constexpr int kThreads = 4;
    constexpr int kRounds = 500;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&memory, t] {
            for (int i = 0; i < kRounds; ++i) {
                void* block = nullptr;
                MemoryTable(memory).AllocMemory(memory.Interface(), &block, static_cast<std::uint32_t>(t + i % 13));
                MemoryTable(memory).FreeMemory(memory.Interface(), &block);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    CHECK(memory.AllocationCount() == kThreads * kRounds);
    CHECK(memory.FreeCount() == kThreads * kRounds);
    CHECK(memory.Clean());
}

TEST_CASE("connection: errors keep a null source apart from an empty one") {
    HostConnection connection;
    const auto& table = ConnectionTable(connection);
    CHECK(std::ranges::all_of(table.destructor, [](void* entry) { return entry == nullptr; }));
    CHECK(table.AddError(connection.Interface(), 1006, u"Внешняя компонента", u"Test failure",
                         static_cast<std::int32_t>(0x80004005u)));
    CHECK(table.AddError(connection.Interface(), 1001, nullptr, u"", 0));
    const auto errors = connection.Errors();
    REQUIRE(errors.size() == 2);
    CHECK(errors[0].code == 1006);
    CHECK(errors[0].source == u"Внешняя компонента");
    CHECK(errors[0].description == u"Test failure");
    CHECK(static_cast<std::uint32_t>(errors[0].scode) == 0x80004005u);
    CHECK_FALSE(errors[1].source.has_value());
    REQUIRE(errors[1].description.has_value());
    CHECK(errors[1].description->empty());
}

TEST_CASE("connection: services the host does not simulate answer no") {
    HostConnection connection;
    const auto& table = ConnectionTable(connection);
    void* self = connection.Interface();
    V8Variant value = MakeInt(5);
    V8Long code = 77;
    V8Char* description = nullptr;
    std::u16string name = u"Key";
    CHECK_FALSE(table.Read(self, name.data(), &value, &code, &description));
    CHECK_FALSE(table.Write(self, name.data(), &value));
    CHECK_FALSE(table.RegisterProfileAs(self, name.data()));
    CHECK_FALSE(table.SetEventBufferDepth(self, 10));
    CHECK(table.GetEventBufferDepth(self) == 0);
    CHECK_FALSE(table.SetStatusLine(self, name.data()));
    CHECK(table.GetInterface(self, 0) == nullptr);
    table.CleanEventBuffer(self);
    table.ResetStatusLine(self);
    CHECK(connection.Errors().empty());
    CHECK(connection.EventCount() == 0);
}

TEST_CASE("connection: events from several threads are all recorded with their thread and order") {
    HostConnection connection;
    constexpr int kThreads = 4;
    constexpr int kEach = 250;
    std::vector<std::thread> threads;
    std::vector<std::thread::id> ids(kThreads);
    std::atomic<int> ready{0};
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            ids[static_cast<std::size_t>(t)] = std::this_thread::get_id();
            ++ready;
            while (ready.load() < kThreads) {
                std::this_thread::yield();
            }
            const auto& table = ConnectionTable(connection);
            std::u16string source = u"T" + std::u16string(1, static_cast<char16_t>(u'0' + t));
            for (int i = 0; i < kEach; ++i) {
                std::u16string message = u"m";
                std::u16string data = std::u16string(1, static_cast<char16_t>(u'0' + i % 10));
                table.ExternalEvent(connection.Interface(), source.data(), message.data(), data.data());
            }
        });
    }
    CHECK(connection.WaitForEvents(kThreads * kEach, 10s));
    for (auto& thread : threads) {
        thread.join();
    }
    const auto events = connection.Events();
    REQUIRE(events.size() == kThreads * kEach);
    for (int t = 0; t < kThreads; ++t) {
        const std::u16string source = u"T" + std::u16string(1, static_cast<char16_t>(u'0' + t));
        int seen = 0;
        std::chrono::steady_clock::time_point last{};
        for (const EventRecord& event : events) {
            if (event.source != source) {
                continue;
            }
            CHECK(event.thread == ids[static_cast<std::size_t>(t)]);
            CHECK(event.data == std::u16string(1, static_cast<char16_t>(u'0' + seen % 10)));
            CHECK(event.time >= last);
            last = event.time;
            ++seen;
        }
        CHECK(seen == kEach);
    }
}

TEST_CASE("connection: waiting for events gives up after the timeout and wakes when they come") {
    HostConnection connection;
    const auto started = std::chrono::steady_clock::now();
    CHECK_FALSE(connection.WaitForEvents(1, 50ms));
    CHECK(std::chrono::steady_clock::now() - started >= 50ms);

    std::thread late([&] {
        std::this_thread::sleep_for(20ms);
        std::u16string message = u"late";
        ConnectionTable(connection).ExternalEvent(connection.Interface(), nullptr, message.data(), nullptr);
    });
    CHECK(connection.WaitForEvents(1, 10s));
    late.join();
    const auto events = connection.Events();
    REQUIRE(events.size() == 1);
    CHECK_FALSE(events[0].source.has_value());
    CHECK(events[0].message == u"late");
    CHECK_FALSE(events[0].data.has_value());
    CHECK(events[0].thread != std::this_thread::get_id());

    std::u16string empty;
    ConnectionTable(connection).ExternalEvent(connection.Interface(), empty.data(), empty.data(), empty.data());
    const auto second = connection.Events().at(1);
    REQUIRE(second.source.has_value());
    CHECK(second.source->empty());
    connection.Clear();
    CHECK(connection.EventCount() == 0);
}

TEST_CASE("values: only the low 16 bits of the type count") {
    V8Variant value = MakeInt(-42);
    value.vt = 0xABCD0000u | VTYPE_I4;
    CHECK(TypeOf(value) == VTYPE_I4);
    CHECK(ReadInt(value) == -42);
    CHECK(Describe(value) == "i:-42");
    value.vt = 0xFFFF0000u | VTYPE_BOOL;
    value.VarEnum.bVal = 1;
    CHECK(ReadBool(value) == true);
}

TEST_CASE("values: readers refuse what does not convert") {
    CHECK_FALSE(ReadInt(MakeDouble(2.5)).has_value());
    CHECK_FALSE(ReadBool(MakeInt(1)).has_value());
    CHECK_FALSE(ReadText(MakeInt(1)).has_value());
    CHECK(ReadDouble(MakeInt(3)) == 3.0);
    V8Variant big = MakeEmpty();
    big.vt = VTYPE_UI4;
    big.VarEnum.ulVal = 0x80000000u;
    CHECK_FALSE(ReadInt(big).has_value());
    V8Variant broken = MakeEmpty();
    broken.vt = VTYPE_PWSTR;
    broken.VarEnum.vtRecWideString.wstrLen = 3;
    CHECK_FALSE(ReadText(broken).has_value());
    CHECK(Describe(broken).find("null") != std::string::npos);
}

TEST_CASE("values: texts are read by their unit count, not up to a zero") {
    HostMemory memory;
    const std::u16string withZero(u"a\0b", 3);
    auto value = MakeText(memory, withZero);
    REQUIRE(value.has_value());
    CHECK(ReadText(*value) == withZero);
    CHECK(Describe(*value) == "s:\"a<0x00>b\"");
    Clear(memory, *value);
    CHECK(TypeOf(*value) == VTYPE_EMPTY);
    CHECK(memory.Clean());
}

TEST_CASE("values: display text shows control characters and broken surrogates as codes") {
    CHECK(Printable(u"ok\n\t") == "ok<0x0A><0x09>");
    CHECK(Printable(u"Эхо") == "Эхо");
    CHECK(Printable(std::u16string(1, char16_t(0xD800)) + u"x") == "<0xD800>x");
    CHECK(Printable(u"\U0001F600") == "\xF0\x9F\x98\x80");
    CHECK(Describe(MakeBool(false)) == "b:false");
    CHECK(Describe(MakeDouble(2.5)) == "d:2.5");
    CHECK(Describe(MakeDouble(0.1)) == "d:0.1");
    CHECK(Describe(MakeEmpty()) == "empty");
}

TEST_CASE("values: UTF-8 conversion never drops a broken sequence silently") {
    CHECK(ToUtf8(std::u16string(1, char16_t(0xDC00))) == "\xEF\xBF\xBD");
    CHECK(FromUtf8("\xC0\xAF") == u"\uFFFD\uFFFD");  // overlong '/'
    CHECK(FromUtf8("\xE2\x82") == u"\uFFFD\uFFFD");  // cut short
    CHECK(FromUtf8("\xED\xA0\x80") == u"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
    const std::u16string mixed = u"Сумма \U0001F600 x";
    CHECK(FromUtf8(ToUtf8(mixed)) == mixed);
}

TEST_CASE("values: typed notation parses the forms the simulator accepts and refuses the rest") {
    HostMemory memory;
    CHECK(ReadInt(*ParseValue(memory, u"i:-5")) == -5);
    CHECK(ReadDouble(*ParseValue(memory, u"d:2.5")) == 2.5);
    CHECK(ReadBool(*ParseValue(memory, u"b:true")) == true);
    CHECK(ReadBool(*ParseValue(memory, u"b:0")) == false);
    CHECK(TypeOf(*ParseValue(memory, u"empty")) == VTYPE_EMPTY);
    auto text = ParseValue(memory, u"s:a b:c");
    REQUIRE(text.has_value());
    CHECK(ReadText(*text) == u"a b:c");
    Clear(memory, *text);
    auto blank = ParseValue(memory, u"s:");
    REQUIRE(blank.has_value());
    CHECK(ReadText(*blank) == u"");
    Clear(memory, *blank);

    for (const char16_t* bad : {u"i:", u"i:5x", u"i:2147483648", u"i:-2147483649", u"i: 5", u"d:nan", u"d:inf",
                                u"b:yes", u"x:1", u"5", u"", u"Empty", u"i:\u0661"}) {
        CAPTURE(ToUtf8(bad));
        CHECK_FALSE(ParseValue(memory, bad).has_value());
    }
    CHECK(ReadInt(*ParseValue(memory, u"i:2147483647")) == 2147483647);
    memory.FailNextAllocations(1);
    CHECK_FALSE(ParseValue(memory, u"s:refused").has_value());
    CHECK(memory.Clean());
}

TEST_CASE("values: a record set returns every string it holds, even one the callee swapped in") {
    HostMemory memory;
    {
        Values params(memory, 2);
        params.Set(0, *MakeText(memory, u"mine"));
        params.Set(0, *MakeText(memory, u"replaced"));  // the first text must not be lost
        params[1] = *MakeText(memory, u"callee's");
        CHECK(memory.Outstanding().size() == 2);
    }
    CHECK(memory.Clean());

    std::u16string stack = u"not host memory";
    {
        Values params(memory, 1);
        params[0].vt = VTYPE_PWSTR;
        params[0].VarEnum.vtRecWideString.pwstrVal = stack.data();
        params[0].VarEnum.vtRecWideString.wstrLen = static_cast<std::uint32_t>(stack.size());
    }
    CHECK(memory.BadFrees().size() == 1);
}

// A minimal component linked into this program, so the handle's calls and its
// ownership rules can be checked under the sanitizers without Windows.
namespace fake {

struct Object {
    void* memory = nullptr;
    void* connection = nullptr;
    std::vector<std::string> calls;
};

struct Block {
    const void* tables[3];
    void* zero;
    Object* object[3];
};

std::map<void*, std::unique_ptr<Block>>& Blocks() {
    static std::map<void*, std::unique_ptr<Block>> blocks;
    return blocks;
}
std::map<void*, std::unique_ptr<Object>>& Objects() {
    static std::map<void*, std::unique_ptr<Object>> objects;
    return objects;
}
std::vector<std::string>& Journal() {
    static std::vector<std::string> journal;
    return journal;
}

Object& Of(void* self, std::size_t word) {
    return *reinterpret_cast<Block*>(static_cast<void**>(self) - word)->object[0];
}

V8Char* HostText(Object& object, std::u16string_view text, std::size_t units) {
    if (object.memory == nullptr) {
        return nullptr;
    }
    void* block = nullptr;
    const auto& table = **static_cast<const V8MemoryManagerVtbl* const*>(object.memory);
    if (!table.AllocMemory(object.memory, &block, static_cast<std::uint32_t>(units * sizeof(V8Char)))) {
        return nullptr;
    }
    std::memcpy(block, text.data(), std::min(units, text.size() + 1) * sizeof(V8Char));
    return static_cast<V8Char*>(block);
}

bool V8_CALL Init(void* self, void* connection) {
    Of(self, 0).connection = connection;
    Of(self, 0).calls.push_back("Init");
    return true;
}
bool V8_CALL SetMemManager(void* self, void* memory) {
    Of(self, 0).memory = memory;
    return true;
}
V8Long V8_CALL GetInfo(void* self) { return 2000; }
void V8_CALL Done(void* self) { Journal().push_back("Done"); }

bool V8_CALL RegisterExtensionAs(void* self, V8Char** name) {
    *name = HostText(Of(self, 1), u"Fake", 5);
    return *name != nullptr;
}
V8Long V8_CALL Zero(void*) { return 0; }
V8Long V8_CALL NotFound(void*, const V8Char*) { return -1; }
const V8Char* V8_CALL NoName(void*, V8Long, V8Long) { return nullptr; }
bool V8_CALL NoValue(void*, V8Long, V8Variant*) { return false; }
bool V8_CALL No(void*, V8Long) { return false; }
V8Long V8_CALL OneMethod(void*) { return 1; }
V8Long V8_CALL FindMethod(void*, const V8Char* name) {
    return name != nullptr && std::u16string_view(name) == u"Run" ? 0 : -1;
}
// Alias 0 is proper; 1 hands over a static text; 2 leaves out the terminator.
const V8Char* V8_CALL GetMethodName(void* self, V8Long method, V8Long alias) {
    static const V8Char kStatic[] = u"Static";
    if (method != 0) {
        return nullptr;
    }
    switch (alias) {
        case 0: return HostText(Of(self, 1), u"Run", 4);
        case 1: return kStatic;
        case 2: return HostText(Of(self, 1), u"Run", 3);
        default: return nullptr;
    }
}
V8Long V8_CALL NoParams(void*, V8Long) { return 0; }
bool V8_CALL NoDefault(void*, V8Long, V8Long, V8Variant*) { return false; }
bool V8_CALL CallAsProc(void* self, V8Long method, V8Variant*, V8Long) { return method == 0; }
bool V8_CALL CallAsFunc(void* self, V8Long method, V8Variant* result, V8Variant*, V8Long count) {
    if (method != 0) {
        return false;
    }
    *result = MakeInt(count);
    return true;
}
void V8_CALL SetLocale(void* self, const V8Char* locale) {
    Of(self, 2).calls.push_back("SetLocale:" + ToUtf8(locale != nullptr ? locale : u"<null>"));
}

const V8InitDoneVtbl kInitDone{{}, &Init, &SetMemManager, &GetInfo, &Done};
const V8LanguageExtenderVtbl kExtender{
    {}, &RegisterExtensionAs, &Zero,     &NotFound,  &NoName,        &NoValue,    &NoValue,
    &No,     &No,                  &OneMethod, &FindMethod, &GetMethodName, &NoParams, &NoDefault,
    &No,     &CallAsProc,          &CallAsFunc,
};
const V8LocaleVtbl kLocale{{}, &SetLocale};

const V8Char* GetClassNames() { return u"Fake|Other"; }

V8Long GetClassObject(const V8Char* name, void** component) {
    if (name == nullptr || std::u16string_view(name) != u"Fake") {
        return 0;
    }
    auto object = std::make_unique<Object>();
    auto block = std::make_unique<Block>(Block{{&kInitDone, &kExtender, &kLocale}, nullptr, {}});
    block->object[0] = block->object[1] = block->object[2] = object.get();
    *component = block.get();
    Objects().emplace(object.get(), std::move(object));
    Blocks().emplace(block.get(), std::move(block));
    return 1;
}

V8Long DestroyObject(void** component) {
    const auto found = Blocks().find(*component);
    if (found == Blocks().end()) {
        return -1;
    }
    Journal().push_back("DestroyObject");
    Objects().erase(found->second->object[0]);
    Blocks().erase(found);
    *component = nullptr;
    return 0;
}

Library Make() { return Library(&GetClassNames, &GetClassObject, &DestroyObject); }

}  // namespace fake

TEST_CASE("library: class names split on bars; a library needs all three entry points") {
    CHECK(fake::Make().ClassNames() == std::vector<std::u16string>{u"Fake", u"Other"});
    CHECK_THROWS_AS(Library(nullptr, &fake::GetClassObject, &fake::DestroyObject), std::invalid_argument);
}

TEST_CASE("component: creation failure gives no handle") {
    CHECK_FALSE(Component::Create(fake::Make(), u"Other").has_value());
    CHECK_FALSE(Component::Create(fake::Make(), u"").has_value());
}

TEST_CASE("component: calls reach the right block word and names come back freed") {
    HostMemory memory;
    HostConnection connection;
    auto component = Component::Create(fake::Make(), u"Fake");
    REQUIRE(component.has_value());
    const auto words = component->Words();
    CHECK(words[3] == nullptr);
    CHECK(words[4] == words[5]);
    CHECK(component->Self(Component::kLocaleWord) == static_cast<void**>(component->Block()) + 2);

    CHECK(component->SetMemManager(&memory));
    CHECK(component->Init(&connection));
    CHECK(component->GetInfo() == 2000);
    component->SetLocale(u"ru_RU");
    const auto extension = component->RegisterExtensionAs();
    CHECK(extension.result);
    CHECK(extension.name == u"Fake");
    CHECK(component->GetMethodName(0, 0) == u"Run");
    CHECK(component->FindMethod(u"Run") == 0);
    CHECK(component->FindMethod(static_cast<const V8Char*>(nullptr)) == -1);
    CHECK_FALSE(component->GetMethodName(5, 0).has_value());

    Values params(memory, 3);
    Values result(memory, 1);
    CHECK(component->CallAsFunc(0, result[0], params.All()));
    CHECK(ReadInt(result[0]) == 3);
    CHECK(component->CallAsProc(0, {}));

    CHECK(component->TextsReceived() == 2);
    CHECK(component->Faults().empty());
    CHECK(memory.Outstanding().empty());
    const auto& object = *fake::Objects().begin()->second;
    CHECK(object.calls == std::vector<std::string>{"Init", "SetLocale:ru_RU"});
}

TEST_CASE("component: texts not from host memory, or without a terminator, are faults") {
    HostMemory memory;
    auto component = Component::Create(fake::Make(), u"Fake");
    REQUIRE(component.has_value());
    component->SetMemManager(&memory);
    CHECK(component->GetMethodName(0, 1) == u"Static");
    REQUIRE(component->Faults().size() == 1);
    CHECK(component->Faults()[0].find("not allocated") != std::string::npos);
    CHECK(memory.BadFrees().empty());  // a foreign text is left alone, not freed

    CHECK(component->GetMethodName(0, 2) == u"Run");
    REQUIRE(component->Faults().size() == 2);
    CHECK(component->Faults()[1].find("terminator") != std::string::npos);
    CHECK(memory.Outstanding().empty());
}

TEST_CASE("component: no text before setMemManager, none when the host refuses memory") {
    HostMemory memory;
    auto component = Component::Create(fake::Make(), u"Fake");
    REQUIRE(component.has_value());
    const auto early = component->RegisterExtensionAs();
    CHECK_FALSE(early.result);
    CHECK_FALSE(early.name.has_value());
    component->SetMemManager(&memory);
    memory.FailNextAllocations(1);
    CHECK_FALSE(component->GetMethodName(0, 0).has_value());
    CHECK(component->Faults().empty());
    CHECK(memory.RefusedCount() == 1);
}

TEST_CASE("component: ending the handle calls Done after a successful Init, then DestroyObject, once") {
    fake::Journal().clear();
    HostConnection connection;
    {
        auto component = Component::Create(fake::Make(), u"Fake");
        REQUIRE(component.has_value());
        component->Init(&connection);
        Component moved = std::move(*component);
        CHECK(component->Block() == nullptr);
    }
    CHECK(fake::Journal() == std::vector<std::string>{"Done", "DestroyObject"});
    CHECK(fake::Blocks().empty());

    fake::Journal().clear();
    auto plain = Component::Create(fake::Make(), u"Fake");
    REQUIRE(plain.has_value());
    CHECK(plain->Destroy() == 0);
    CHECK(plain->Destroy() == 0);
    CHECK(fake::Journal() == std::vector<std::string>{"DestroyObject"});
    CHECK_THROWS_AS(plain->GetInfo(), std::logic_error);
}
