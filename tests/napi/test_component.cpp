// The component boundary driven through its exported functions and tables, as a host would.
#include <doctest.h>

#include <algorithm>

#include "napi/Component.h"
#include "napi/TestObject.h"
#include "common/Error.h"
#include "napi/Registry.h"
#include "napi/UserObject.h"

#include <stdexcept>

namespace {

// A driver whose teardown fails, as a window's can, and whose method fails
// with a library error in non-ASCII text.
class Teardown : public TV8UserObject {
public:
    static inline int destroyed = 0;
    ~Teardown() {
        ++destroyed;
        throw EComponentError(u"teardown fails");
    }
};

bool Raise(TV8UserObject&, V8Variant&, V8Variant*, int32_t, TV8AddInDefBaseEx*&) {
    throw std::runtime_error("Ошибка «ключ» ü");
}

void RegisterTeardown() {
    ClassRegistry().RegisterClass(CreateObject<Teardown>, u"TestTeardown", u"Teardown").AddFunc(u"Raise", u"Поднять", Raise, 0);
}

}  // namespace

TEST_CASE("exports: class names, creation by exact name, destruction") {
    Loaded loaded;
    CHECK(std::u16string(NapiGetClassNames()) == u"A|B|Broken");

    void* sentinel = reinterpret_cast<void*>(0x1234);
    void* ptr = sentinel;
    for (const char16_t* name : {u"a", u"A ", u"Broken", u"", u"C"}) {
        CHECK(NapiGetClassObject(name, &ptr) == 0);
        CHECK(ptr == sentinel);
    }
    CHECK(NapiGetClassObject(nullptr, &ptr) == 0);
    CHECK(NapiGetClassObject(u"A", nullptr) == 0);

    void* first = nullptr;
    void* second = nullptr;
    REQUIRE(NapiGetClassObject(u"A", &first) == 1);
    REQUIRE(NapiGetClassObject(u"A", &second) == 1);
    CHECK(first != second);
    CHECK(static_cast<void**>(first)[4] != static_cast<void**>(second)[4]);
    CHECK(NapiDestroyObject(&first) == 0);
    CHECK(NapiDestroyObject(&second) == 0);

    void* none = nullptr;
    CHECK(NapiDestroyObject(&none) == 0);
    CHECK(NapiDestroyObject(nullptr) == 0);
}

TEST_CASE("block layout and the life-cycle entries") {
    Loaded loaded;
    Object a(u"A", false);
    void** w = a.words();
    CHECK(w[0] == &InitDoneTable());
    CHECK(w[1] == &LanguageExtenderTable());
    CHECK(w[2] == &LocaleTable());
    CHECK(w[3] == nullptr);
    CHECK(w[4] != nullptr);
    CHECK(w[4] == w[5]);
    CHECK(w[5] == w[6]);
    CHECK(std::ranges::all_of(InitDoneTable().destructor, [](void* entry) { return entry == nullptr; }));
    CHECK(std::ranges::all_of(LanguageExtenderTable().destructor, [](void* entry) { return entry == nullptr; }));
    CHECK(std::ranges::all_of(LocaleTable().destructor, [](void* entry) { return entry == nullptr; }));

    // Before setMemManager the extension name cannot be copied: null, still true.
    V8Char* name = reinterpret_cast<V8Char*>(0x1);
    CHECK(a.ext().RegisterExtensionAs(a.extSelf(), &name));
    CHECK(name == nullptr);

    CHECK(a.initDone().setMemManager(a.block, &a.memory));
    CHECK(a.initDone().Init(a.block, &a.connection));
    CHECK(a.initDone().GetInfo(a.block) == 2000);
    CHECK(a.ext().RegisterExtensionAs(a.extSelf(), &name));
    CHECK(a.Take(name) == u"TestExtA");

    const auto& locale = *static_cast<const V8LocaleVtbl*>(w[2]);
    locale.SetLocale(w + 2, u"ru_RU");
    CHECK(static_cast<TV8UserObject*>(w[4])->locale == u"ru_RU");
    locale.SetLocale(w + 2, u"en_US");
    CHECK(static_cast<TV8UserObject*>(w[4])->locale == u"en_US");
    a.initDone().Done(a.block);
}

TEST_CASE("look-ups through the table, out-of-range indexes answered safely") {
    Loaded loaded;
    Object a(u"A");
    const auto& ext = a.ext();
    void* self = a.extSelf();
    CHECK(ext.GetNMethods(self) == 4);
    CHECK(ext.GetNProps(self) == 2);
    CHECK(ext.FindMethod(self, u"Sum") == 0);
    CHECK(ext.FindMethod(self, u"Сумма") == 0);
    CHECK(ext.FindMethod(self, u"sum") == -1);
    CHECK(ext.FindMethod(self, nullptr) == -1);
    CHECK(ext.FindProp(self, u"Имя") == 1);
    CHECK(ext.FindProp(self, nullptr) == -1);
    CHECK(a.Take(ext.GetMethodName(self, 1, 0)) == u"Echo");
    CHECK(a.Take(ext.GetMethodName(self, 1, 1)) == u"Эхо");
    CHECK(a.Take(ext.GetMethodName(self, 1, 5)) == u"Эхо");
    CHECK(a.Take(ext.GetPropName(self, 0, 0)) == u"Value");
    CHECK(ext.GetNParams(self, 0) == 2);
    CHECK(ext.HasRetVal(self, 0));
    CHECK_FALSE(ext.HasRetVal(self, 3));
    CHECK(ext.IsPropReadable(self, 1));
    CHECK_FALSE(ext.IsPropWritable(self, 1));

    V8Variant def{};
    CHECK(ext.GetParamDefValue(self, 0, 1, &def));
    CHECK(def.vt == VTYPE_I4);
    CHECK(def.VarEnum.lVal == 7);
    CHECK_FALSE(ext.GetParamDefValue(self, 0, 2, &def));
    CHECK_FALSE(ext.GetParamDefValue(self, 1, 0, &def));

    for (int32_t bad : {-1, 4, 1000, INT32_MIN}) {
        CHECK(ext.GetMethodName(self, bad, 0) == nullptr);
        CHECK(ext.GetNParams(self, bad) == 0);
        CHECK_FALSE(ext.HasRetVal(self, bad));
        CHECK_FALSE(ext.GetParamDefValue(self, bad, 0, &def));
        V8Variant ret{};
        CHECK_FALSE(ext.CallAsFunc(self, bad, &ret, nullptr, 0));
        CHECK_FALSE(ext.CallAsProc(self, bad, nullptr, 0));
        CHECK(ext.GetPropName(self, bad, 1) == nullptr);
        CHECK_FALSE(ext.IsPropReadable(self, bad));
        CHECK_FALSE(ext.IsPropWritable(self, bad));
        CHECK_FALSE(ext.GetPropVal(self, bad, &ret));
        CHECK_FALSE(ext.SetPropVal(self, bad, &ret));
    }
    CHECK(a.memory.blocks.empty());
    CHECK(a.memory.badFrees == 0);
}

TEST_CASE("names cannot be copied when the host's allocation fails") {
    Loaded loaded;
    Object a(u"A");
    a.memory.failNext = 2;
    CHECK(a.ext().GetMethodName(a.extSelf(), 0, 0) == nullptr);
    V8Char* name = nullptr;
    CHECK(a.ext().RegisterExtensionAs(a.extSelf(), &name));
    CHECK(name == nullptr);
}

TEST_CASE("calls, properties and the error boundary") {
    Loaded loaded;
    Object a(u"A");
    const auto& ext = a.ext();
    void* self = a.extSelf();

    V8Variant params[2]{};
    V8SetInt(nullptr, params[0], 2);
    V8SetInt(nullptr, params[1], 40);
    params[1].vt |= 0x55AA0000u;  // padding garbage from the host
    V8Variant ret{};
    CHECK(ext.CallAsFunc(self, 0, &ret, params, 2));
    CHECK(ret.vt == VTYPE_I4);
    CHECK(ret.VarEnum.lVal == 42);

    V8Variant text[1]{};
    V8SetWString(a.memory.mm(), text[0], u"hi");
    CHECK(ext.CallAsFunc(self, 1, &ret, text, 1));
    CHECK(V8AsWString(ret) == u"hi");
    CHECK(V8AsWString(text[0]) == u"echo:hi");

    // A function called as a procedure leaves no host memory behind.
    const size_t before = a.memory.blocks.size();
    CHECK(ext.CallAsProc(self, 1, text, 1));
    CHECK(a.memory.blocks.size() == before);
    CHECK(V8AsWString(text[0]) == u"echo:echo:hi");

    CHECK(ext.CallAsProc(self, 3, nullptr, 0));
    CHECK(a.connection.reports.empty());

    CHECK_FALSE(ext.CallAsFunc(self, 2, &ret, nullptr, 0));
    REQUIRE(a.connection.reports.size() == 1);
    const auto& report = a.connection.reports[0];
    CHECK(report.code == 1006);
    CHECK(report.source == u"Внешняя компонента");
    CHECK(report.description == u"Test failure");
    CHECK(static_cast<uint32_t>(report.scode) == 0x80004005u);

    V8Variant value{};
    V8SetInt(nullptr, value, 9);
    CHECK(ext.SetPropVal(self, 0, &value));
    V8Variant read{};
    CHECK(ext.GetPropVal(self, 0, &read));
    CHECK(read.VarEnum.lVal == 9);
    CHECK_FALSE(ext.SetPropVal(self, 1, &value));
    CHECK(a.connection.reports.back().description == u"Property is read-only: Name");

    V8ClearVar(a.memory.mm(), ret);
    V8ClearVar(a.memory.mm(), text[0]);
    V8ClearVar(a.memory.mm(), read);
    // Error reports lend their texts: nothing is left in host memory.
    CHECK(a.memory.blocks.empty());
    CHECK(a.memory.badFrees == 0);
}

TEST_CASE("an error before Init is not reported but still fails the call") {
    Loaded loaded;
    Object a(u"A", false);
    V8Variant ret{};
    CHECK_FALSE(a.ext().CallAsFunc(a.extSelf(), 2, &ret, nullptr, 0));
    CHECK(a.connection.reports.empty());
}

TEST_CASE("a failing teardown is kept from the host, and a library error's text reaches it whole") {
    Loaded loaded;
    RegisterTeardown();
    Object t(u"Teardown");
    V8Variant ret{};
    CHECK_FALSE(t.ext().CallAsFunc(t.extSelf(), 0, &ret, nullptr, 0));
    REQUIRE(t.connection.reports.size() == 1);
    CHECK(t.connection.reports[0].description == u"Ошибка «ключ» ü");

    const int before = Teardown::destroyed;
    CHECK(NapiDestroyObject(&t.block) == 0);  // the block and the object are released (the leak check sees both)
    t.block = nullptr;
    CHECK(Teardown::destroyed == before + 1);
    CHECK(t.connection.reports.size() == 1);
}
