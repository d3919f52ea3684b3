#include "napi/Registry.h"

#include <cstring>

#include "platform/Platform.h"

V8Variant* TDefParamList::AddParam(int32_t Num) {
    Values.push_back(TDefParamValue{Num - 1, {}});
    return &Values.back().Value;
}

void TDefParamList::AddInt(int32_t V, int32_t ParamNum) {
    TempParam = AddParam(ParamNum);
    V8SetType(*TempParam, VTYPE_I4);
    TempParam->VarEnum.lVal = V;
}

void TDefParamList::AddDouble(double V, int32_t ParamNum) {
    TempParam = AddParam(ParamNum);
    V8SetType(*TempParam, VTYPE_R8);
    TempParam->VarEnum.dblVal = V;
}

void TDefParamList::AddBool(bool V, int32_t ParamNum) {
    TempParam = AddParam(ParamNum);
    V8SetType(*TempParam, VTYPE_BOOL);
    TempParam->VarEnum.bVal = V ? 1 : 0;
}

void TDefParamList::AddDate(double V, int32_t ParamNum) {
    TempParam = AddParam(ParamNum);
    V8SetType(*TempParam, VTYPE_DATE);
    TempParam->VarEnum.date = V;
}

void TDefParamList::AddWString(const char16_t* V, int32_t ParamNum) {
    TempParam = AddParam(ParamNum);
    V8SetType(*TempParam, VTYPE_PWSTR);
    TempParam->VarEnum.vtRecWideString.pwstrVal = const_cast<char16_t*>(V);
    TempParam->VarEnum.vtRecWideString.wstrLen = V ? static_cast<uint32_t>(std::char_traits<char16_t>::length(V)) : 0;
}

void TDefParamList::AddAString(const char* V, int32_t ParamNum) {
    TempParam = AddParam(ParamNum);
    V8SetType(*TempParam, VTYPE_PSTR);
    TempParam->VarEnum.vtRecString.pstrVal = const_cast<char*>(V);
    TempParam->VarEnum.vtRecString.strLen = V ? static_cast<uint32_t>(std::strlen(V)) : 0;
}

TMethReg& TClassReg::AddMethod(std::u16string MethName, std::u16string MethNameLoc, bool IsFunction, TV8CallAsFunc func,
                               TV8CallAsProc proc, int32_t ParamCount) {
    auto reg = std::make_unique<TMethReg>();
    reg->MethName = std::move(MethName);
    reg->MethNameLoc = std::move(MethNameLoc);
    reg->IsFunction = IsFunction;
    reg->ParamCount = ParamCount;
    reg->ExecuteFunc = func;
    reg->ExecuteProc = proc;
    MethList.push_back(std::move(reg));
    return *MethList.back();
}

TMethReg& TClassReg::AddFunc(std::u16string MethName, std::u16string MethNameLoc, TV8CallAsFunc ExecuteProc,
                             int32_t ParamCount) {
    return AddMethod(std::move(MethName), std::move(MethNameLoc), true, ExecuteProc, nullptr, ParamCount);
}

TMethReg& TClassReg::AddProc(std::u16string MethName, std::u16string MethNameLoc, TV8CallAsProc ExecuteProc,
                             int32_t ParamCount) {
    return AddMethod(std::move(MethName), std::move(MethNameLoc), false, nullptr, ExecuteProc, ParamCount);
}

void TClassReg::AddProp(std::u16string PropName, std::u16string PropNameLoc, bool IsReadable, bool IsWritable,
                        TV8PropertyGetSet PropGetSet) {
    auto reg = std::make_unique<TPropReg>();
    reg->PropName = std::move(PropName);
    reg->PropNameLoc = std::move(PropNameLoc);
    reg->IsReadable = IsReadable;
    reg->IsWritable = IsWritable;
    reg->PropGetSet = PropGetSet;
    PropList.push_back(std::move(reg));
}

const TMethReg* TClassReg::Method(int32_t index) const {
    return index >= 0 && index < MethCount() ? MethList[static_cast<size_t>(index)].get() : nullptr;
}

const TPropReg* TClassReg::Prop(int32_t index) const {
    return index >= 0 && index < PropCount() ? PropList[static_cast<size_t>(index)].get() : nullptr;
}

int32_t TClassReg::FindMethod(std::u16string_view name) const {
    for (int32_t i = 0; i < MethCount(); ++i) {
        const auto& m = *MethList[static_cast<size_t>(i)];
        if (platform::SameTextLocale(name, m.MethNameLoc) || platform::SameTextLocale(name, m.MethName)) return i;
    }
    return -1;
}

int32_t TClassReg::FindProp(std::u16string_view name) const {
    for (int32_t i = 0; i < PropCount(); ++i) {
        const auto& p = *PropList[static_cast<size_t>(i)];
        if (platform::SameTextLocale(name, p.PropNameLoc) || platform::SameTextLocale(name, p.PropName)) return i;
    }
    return -1;
}

TClassReg& TClassRegList::RegisterClass(TV8UserClass UserClass, std::u16string RegisterExtensionAs,
                                        std::u16string NatApiClassName) {
    auto reg = std::make_unique<TClassReg>();
    reg->UserClass = UserClass;
    reg->RegisterExtensionAs = std::move(RegisterExtensionAs);
    reg->NatApiClassName = std::move(NatApiClassName);
    if (!classNames_.empty()) classNames_ += u'|';
    classNames_ += reg->NatApiClassName;
    ClassList.push_back(std::move(reg));
    return *ClassList.back();
}

const TClassReg* TClassRegList::FindClass(std::u16string_view name) const {
    for (const auto& reg : ClassList) {
        if (reg->NatApiClassName == name) return reg.get();
    }
    return nullptr;
}
