// The component loaded with the shipped and the test drivers, and driver
// objects driven through their interface tables the way the host drives them.
#pragma once

#include <doctest.h>

#include <span>
#include <string>
#include <string_view>

#include "common/Text.h"
#include "driver/TestDrivers.h"
#include "emulator/HeadlessForm.h"
#include "log/LogTestSupport.h"
#include "napi/Component.h"
#include "napi/TestObject.h"

// Drivers created while this lives get the headless emulator window, so that
// the driver tests need no desktop (the tool window has tests of its own).
struct HeadlessWindows {
    HeadlessWindows() { OverrideBarcodesForm(&CreateHeadlessForm); }
    ~HeadlessWindows() { OverrideBarcodesForm(nullptr); }
};

struct DriversLoaded {
    DriversLoaded() {
        ComponentLoad();
        RegisterDrivers();
    }
    ~DriversLoaded() { ComponentUnload(); }
    HeadlessWindows windows;
};

// Loaded drivers with the log pointed at a folder of the test's own.
struct DriverHost {
    DriversLoaded loaded;
    ScopedLog log{"driver"};
};

struct DriverObject : Object {
    explicit DriverObject(const char16_t* className) : Object(className) {}

    template <class T>
    T& As() const {
        return dynamic_cast<T&>(*static_cast<TV8UserObject*>(words()[4]));
    }

    int32_t Find(std::u16string_view name) const {
        return ext().FindMethod(extSelf(), std::u16string(name).c_str());
    }

    // Calls by name as a function, as the host does; the method must exist.
    bool Call(std::u16string_view name, V8Variant& ret, std::span<V8Variant> params = {}) {
        const int32_t index = Find(name);
        REQUIRE_MESSAGE(index >= 0, "no method named " << ToUtf8(name));
        return ext().CallAsFunc(extSelf(), index, &ret, params.data(), static_cast<int32_t>(params.size()));
    }

    // A host string record allocated in the host's memory.
    V8Variant Text(std::u16string_view text) {
        V8Variant v{};
        REQUIRE(V8SetWString(memory.mm(), v, text));
        return v;
    }

    // The text of a record, releasing the host memory it holds.
    std::u16string Take(V8Variant& v) {
        if (V8BaseType(v) == VTYPE_PWSTR) CHECK(memory.Owns(v.VarEnum.vtRecWideString.pwstrVal));
        std::u16string text = V8AsWString(v);
        V8ClearVar(memory.mm(), v);
        return text;
    }

    // GetLastError: the code, and the description through `description`.
    int32_t LastError(std::u16string* description = nullptr) {
        V8Variant ret{};
        V8Variant params[1]{};
        REQUIRE(Call(u"GetLastError", ret, params));
        REQUIRE(V8BaseType(ret) == VTYPE_I4);
        const std::u16string text = Take(params[0]);
        if (description) *description = text;
        return ret.VarEnum.lVal;
    }

    // A one-out-parameter standard method: its Boolean and the text it gave.
    bool TextMethod(std::u16string_view name, std::u16string& text) {
        V8Variant ret{};
        V8Variant params[1]{};
        REQUIRE(Call(name, ret, params));
        REQUIRE(V8BaseType(ret) == VTYPE_BOOL);
        text = Take(params[0]);
        return ret.VarEnum.bVal != 0;
    }

    // SetParameter(name, value) with the host's value record; its Boolean.
    bool SetParameter(std::u16string_view name, const V8Variant& value) {
        V8Variant ret{};
        V8Variant params[2]{Text(name), value};
        REQUIRE(Call(u"SetParameter", ret, params));
        REQUIRE(V8BaseType(ret) == VTYPE_BOOL);
        Take(params[0]);
        Take(params[1]);
        return ret.VarEnum.bVal != 0;
    }
};

inline V8Variant HostInt(int32_t value) {
    V8Variant v{};
    V8SetInt(nullptr, v, value);
    return v;
}

inline V8Variant HostBool(bool value) {
    V8Variant v{};
    V8SetBool(nullptr, v, value);
    return v;
}

inline V8Variant HostDouble(double value) {
    V8Variant v{};
    V8SetDouble(nullptr, v, value);
    return v;
}
