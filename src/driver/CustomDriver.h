// The base of every driver class: registration of a class from its export
// table, the last-result record, and the one accessor through which the host
// reads and writes every exported property.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "driver/Export.h"
#include "driver/Result.h"
#include "napi/Registry.h"

class TCustomDriver : public TV8UserObject {
public:
    // The root of every table chain: no members of its own.
    static const TExportTable Exports;

    TCustomDriver() { FLastResult.Clear(); }

    // Registers class T under AExtension (also the class name the host sees):
    // every exported method as a function, then every exported property.
    template <class T>
    static TClassReg& RegisterClass(std::u16string_view AExtension);
    // RegisterClass, then names the log after the extension and starts it.
    template <class T>
    static void RegisterDriver(std::u16string_view AExtension);
    // Class-level work when an object of T has been created; see CreateDriver.
    template <class T>
    static void ClassCreated() {}

    const TResult& LastResult() const { return FLastResult; }
    // The table of the object's own class, the start of every member walk.
    const TExportTable& ClassExports() const { return *FClass; }

    // The end of a standard method: the result record, and the host's Boolean when given.
    void SetSuccess(V8Variant* RetValue);
    virtual void SetFailure(const std::u16string& AMessage, V8Variant* RetValue, int32_t AErrorCode);

    // Finds the property by own or localized name in any letter case and
    // converts between the host's value and the property; every matching
    // descriptor is served. Fails with "Property not found: " + name.
    bool PropertyGetSet(const std::u16string& PropName, V8Variant& propValue, bool Get);
    bool PropertySet(const std::u16string& PropName, V8Variant& propValue);
    // The accessor registered for every exported property of every driver class.
    static bool PropGetSet(TV8UserObject& self, const std::u16string& PropName, V8Variant& propValue, bool Get,
                           TV8AddInDefBaseEx*& v8);

    // Puts text into a host record, failing when the host cannot allocate it.
    void SetHostText(V8Variant& AValue, std::u16string_view AText);

private:
    template <class T>
    friend std::unique_ptr<T> NewDriver();

    static TClassReg& RegisterTable(TV8UserClass AFactory, const TExportTable& AExports, std::u16string_view AExtension);
    static void TieLog(std::u16string_view AExtension);
    void ReadProperty(const TPropertyAccess& AAccess, V8Variant& AValue);
    void WriteProperty(const TPropertyAccess& AAccess, const V8Variant& AValue);

    const TExportTable* FClass = &Exports;
    TResult FLastResult;
};

// An object of driver class T bound to T's table (a class without a table of
// its own has its parent's, which is the same member walk), after T's
// class-level creation step.
template <class T>
std::unique_ptr<T> NewDriver() {
    static_assert(std::is_base_of_v<TCustomDriver, T>);
    auto object = std::make_unique<T>();
    object->FClass = &T::Exports;
    T::template ClassCreated<T>();
    return object;
}

// The factory that the registry calls when the host asks for an object.
template <class T>
std::unique_ptr<TV8UserObject> CreateDriver() {
    return NewDriver<T>();
}

template <class T>
TClassReg& TCustomDriver::RegisterClass(std::u16string_view AExtension) {
    return RegisterTable(&CreateDriver<T>, T::Exports, AExtension);
}

template <class T>
void TCustomDriver::RegisterDriver(std::u16string_view AExtension) {
    RegisterClass<T>(AExtension);
    TieLog(AExtension);
}
