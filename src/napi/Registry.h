// The classes offered to the host with their methods and properties, each under
// an English and a localized name. Filled at load, read-only afterwards.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "napi/UserObject.h"

using TV8CallAsFunc = bool (*)(TV8UserObject& self, V8Variant& RetValue, V8Variant* Params, int32_t ParamCount,
                               TV8AddInDefBaseEx*& v8);
using TV8CallAsProc = bool (*)(TV8UserObject& self, V8Variant* Params, int32_t ParamCount, TV8AddInDefBaseEx*& v8);
using TV8PropertyGetSet = bool (*)(TV8UserObject& self, const std::u16string& PropName, V8Variant& propValue, bool Get,
                                   TV8AddInDefBaseEx*& v8);

struct TDefParamValue {
    int32_t Num = 0;
    V8Variant Value{};
};

class TDefParamList {
public:
    // ParamNum counts from 1; the stored Num from 0.
    V8Variant* AddParam(int32_t Num);
    void AddInt(int32_t V, int32_t ParamNum);
    void AddDouble(double V, int32_t ParamNum);
    void AddBool(bool V, int32_t ParamNum);
    void AddDate(double V, int32_t ParamNum);
    // The text is referenced, not copied: it must be static.
    void AddWString(const char16_t* V, int32_t ParamNum);
    void AddAString(const char* V, int32_t ParamNum);

    int32_t ValueCount() const { return static_cast<int32_t>(Values.size()); }

    std::vector<TDefParamValue> Values;
    V8Variant* TempParam = nullptr;
};

struct TMethReg {
    std::u16string MethName;
    std::u16string MethNameLoc;
    bool IsFunction = false;
    int32_t ParamCount = 0;
    TDefParamList DefParams;
    TV8CallAsFunc ExecuteFunc = nullptr;
    TV8CallAsProc ExecuteProc = nullptr;
};

struct TPropReg {
    std::u16string PropName;
    std::u16string PropNameLoc;
    bool IsReadable = false;
    bool IsWritable = false;
    TV8PropertyGetSet PropGetSet = nullptr;
};

struct TClassReg {
    TV8UserClass UserClass = nullptr;
    std::u16string RegisterExtensionAs;
    std::u16string NatApiClassName;
    std::vector<std::unique_ptr<TPropReg>> PropList;
    std::vector<std::unique_ptr<TMethReg>> MethList;

    int32_t PropCount() const { return static_cast<int32_t>(PropList.size()); }
    int32_t MethCount() const { return static_cast<int32_t>(MethList.size()); }

    TMethReg& AddMethod(std::u16string MethName, std::u16string MethNameLoc, bool IsFunction, TV8CallAsFunc func,
                        TV8CallAsProc proc, int32_t ParamCount);
    TMethReg& AddFunc(std::u16string MethName, std::u16string MethNameLoc, TV8CallAsFunc ExecuteProc, int32_t ParamCount);
    TMethReg& AddProc(std::u16string MethName, std::u16string MethNameLoc, TV8CallAsProc ExecuteProc, int32_t ParamCount);
    void AddProp(std::u16string PropName, std::u16string PropNameLoc, bool IsReadable, bool IsWritable,
                 TV8PropertyGetSet PropGetSet);

    // Host look-ups; an index outside the lists gives null, a name that matches nothing -1.
    const TMethReg* Method(int32_t index) const;
    const TPropReg* Prop(int32_t index) const;
    int32_t FindMethod(std::u16string_view name) const;
    int32_t FindProp(std::u16string_view name) const;
};

class TClassRegList {
public:
    TClassReg& RegisterClass(TV8UserClass UserClass, std::u16string RegisterExtensionAs, std::u16string NatApiClassName);

    int32_t ClassCount() const { return static_cast<int32_t>(ClassList.size()); }
    // The registered class names joined by "|", in registration order.
    const std::u16string& ClassNames() const { return classNames_; }
    // Exact, case-sensitive match on NatApiClassName; the first registration wins.
    const TClassReg* FindClass(std::u16string_view name) const;

    std::vector<std::unique_ptr<TClassReg>> ClassList;

private:
    std::u16string classNames_;
};

// The process-wide registry: created by ComponentLoad, freed by ComponentUnload.
TClassRegList& ClassRegistry();
