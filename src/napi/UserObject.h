// The base class of every object that the host can create.
#pragma once

#include <memory>
#include <string>

#include "napi/V8Variant.h"

struct TClassReg;

class TV8UserObject {
public:
    TV8UserObject() = default;
    // A driver's teardown may fail; the boundary catches what it throws.
    virtual ~TV8UserObject() noexcept(false) = default;
    TV8UserObject(const TV8UserObject&) = delete;
    TV8UserObject& operator=(const TV8UserObject&) = delete;

    virtual bool Init() { return true; }
    virtual int32_t GetInfo() { return 2000; }
    virtual void SetLocale() {}
    virtual void Done() {}
    virtual bool SetMemManager() { return true; }

    void V8ClearVar(V8Variant& v) { ::V8ClearVar(V8MM, v); }
    void V8SetBool(V8Variant& v, bool value) { ::V8SetBool(V8MM, v, value); }
    void V8SetDate(V8Variant& v, double value) { ::V8SetDate(V8MM, v, value); }
    void V8SetInt(V8Variant& v, int32_t value) { ::V8SetInt(V8MM, v, value); }
    void V8SetInt64(V8Variant& v, int64_t value) { ::V8SetInt64(V8MM, v, value); }
    void V8SetDouble(V8Variant& v, double value) { ::V8SetDouble(V8MM, v, value); }
    bool V8SetWString(V8Variant& v, std::u16string_view value) { return ::V8SetWString(V8MM, v, value); }
    bool V8SetString(V8Variant& v, const std::string& value) { return ::V8SetString(V8MM, v, value); }
    bool V8SetPChar(V8Variant& v, const char* value) { return ::V8SetPChar(V8MM, v, value); }
    bool V8SetBlob(V8Variant& v, const void* value, uint32_t length) { return ::V8SetBlob(V8MM, v, value, length); }

    const TClassReg* ClassReg = nullptr;
    TV8MemoryManager* V8MM = nullptr;
    TV8AddInDefBaseEx* V8 = nullptr;
    std::u16string locale;
};

// The "virtual constructor" of a registered class.
using TV8UserClass = std::unique_ptr<TV8UserObject> (*)();

template <class T>
std::unique_ptr<TV8UserObject> CreateObject() {
    return std::make_unique<T>();
}
