#include "napi/Component.h"

#include <memory>
#include <string>

#include "common/Error.h"
#include "log/Log.h"
#include "napi/Dispatch.h"
#include "napi/Registry.h"

namespace {

// What the host receives as the component object: the three table addresses,
// an unused word, then the object once per interface, so that every table
// function finds the object four words after the word it was called through.
struct ComponentBlock {
    const void* words[7];
};
static_assert(sizeof(ComponentBlock) == 7 * sizeof(void*));
constexpr size_t kObjectOffset = 4;

std::unique_ptr<TClassRegList> gRegistry;

TV8UserObject& ObjectOf(void* self) {
    return *static_cast<TV8UserObject*>(const_cast<void*>(static_cast<const void**>(self)[kObjectOffset]));
}

const TClassReg* ClassOf(void* self) { return ObjectOf(self).ClassReg; }

const char16_t* HostCopy(void* self, const std::u16string* text) {
    return text ? V8AllocWString(ObjectOf(self).V8MM, *text) : nullptr;
}

// IInitDone
bool V8_CALL Init(void* self, void* connection) {
    auto& object = ObjectOf(self);
    object.V8 = static_cast<TV8AddInDefBaseEx*>(connection);
    try {
        return object.Init();
    } catch (...) {
        return false;
    }
}

bool V8_CALL SetMemManager(void* self, void* memoryManager) {
    auto& object = ObjectOf(self);
    object.V8MM = static_cast<TV8MemoryManager*>(memoryManager);
    try {
        return object.SetMemManager();
    } catch (...) {
        return false;
    }
}

int32_t V8_CALL GetInfo(void* self) {
    try {
        return ObjectOf(self).GetInfo();
    } catch (...) {
        return 0;
    }
}

void V8_CALL Done(void* self) {
    try {
        ObjectOf(self).Done();
    } catch (...) {
    }
}

// ILanguageExtenderBase: look-ups
bool V8_CALL RegisterExtensionAs(void* self, V8Char** extensionName) {
    if (!extensionName) return true;
    const TClassReg* reg = ClassOf(self);
    *extensionName = reg ? V8AllocWString(ObjectOf(self).V8MM, reg->RegisterExtensionAs) : nullptr;
    return true;
}

int32_t V8_CALL GetNProps(void* self) { return ClassOf(self) ? ClassOf(self)->PropCount() : 0; }

int32_t V8_CALL FindProp(void* self, const V8Char* name) {
    return name && ClassOf(self) ? ClassOf(self)->FindProp(name) : -1;
}

const V8Char* V8_CALL GetPropName(void* self, int32_t prop, int32_t alias) {
    const TPropReg* p = ClassOf(self) ? ClassOf(self)->Prop(prop) : nullptr;
    return p ? HostCopy(self, alias == 0 ? &p->PropName : &p->PropNameLoc) : nullptr;
}

bool V8_CALL GetPropVal(void* self, int32_t prop, V8Variant* value) { return DispatchGetPropVal(ObjectOf(self), prop, value); }

bool V8_CALL SetPropVal(void* self, int32_t prop, V8Variant* value) { return DispatchSetPropVal(ObjectOf(self), prop, value); }

bool V8_CALL IsPropReadable(void* self, int32_t prop) {
    const TPropReg* p = ClassOf(self) ? ClassOf(self)->Prop(prop) : nullptr;
    return p && p->IsReadable;
}

bool V8_CALL IsPropWritable(void* self, int32_t prop) {
    const TPropReg* p = ClassOf(self) ? ClassOf(self)->Prop(prop) : nullptr;
    return p && p->IsWritable;
}

int32_t V8_CALL GetNMethods(void* self) { return ClassOf(self) ? ClassOf(self)->MethCount() : 0; }

int32_t V8_CALL FindMethod(void* self, const V8Char* name) {
    return name && ClassOf(self) ? ClassOf(self)->FindMethod(name) : -1;
}

const V8Char* V8_CALL GetMethodName(void* self, int32_t method, int32_t alias) {
    const TMethReg* m = ClassOf(self) ? ClassOf(self)->Method(method) : nullptr;
    return m ? HostCopy(self, alias == 0 ? &m->MethName : &m->MethNameLoc) : nullptr;
}

int32_t V8_CALL GetNParams(void* self, int32_t method) {
    const TMethReg* m = ClassOf(self) ? ClassOf(self)->Method(method) : nullptr;
    return m ? m->ParamCount : 0;
}

bool V8_CALL GetParamDefValue(void* self, int32_t method, int32_t param, V8Variant* value) {
    const TMethReg* m = ClassOf(self) ? ClassOf(self)->Method(method) : nullptr;
    if (!m || !value || param < 0 || param >= m->DefParams.ValueCount()) return false;
    *value = m->DefParams.Values[static_cast<size_t>(param)].Value;
    return true;
}

bool V8_CALL HasRetVal(void* self, int32_t method) {
    const TMethReg* m = ClassOf(self) ? ClassOf(self)->Method(method) : nullptr;
    return m && m->IsFunction;
}

bool V8_CALL CallAsProc(void* self, int32_t method, V8Variant* params, int32_t count) {
    return DispatchCallAsProc(ObjectOf(self), method, params, count);
}

bool V8_CALL CallAsFunc(void* self, int32_t method, V8Variant* retValue, V8Variant* params, int32_t count) {
    return DispatchCallAsFunc(ObjectOf(self), method, retValue, params, count);
}

// LocaleBase
void V8_CALL SetLocale(void* self, const V8Char* locale) {
    try {
        auto& object = ObjectOf(self);
        object.locale = locale ? std::u16string(locale) : std::u16string();
        object.SetLocale();
    } catch (...) {
    }
}

constexpr V8InitDoneVtbl kInitDone{nullptr, Init, SetMemManager, GetInfo, Done};
constexpr V8LanguageExtenderVtbl kLanguageExtender{
    nullptr,     RegisterExtensionAs, GetNProps,      FindProp,   GetPropName,      GetPropVal,
    SetPropVal,  IsPropReadable,      IsPropWritable, GetNMethods, FindMethod,      GetMethodName,
    GetNParams,  GetParamDefValue,    HasRetVal,      CallAsProc, CallAsFunc};
constexpr V8LocaleVtbl kLocale{nullptr, SetLocale};

static_assert(sizeof(V8InitDoneVtbl) == 5 * sizeof(void*));
static_assert(sizeof(V8LanguageExtenderVtbl) == 17 * sizeof(void*));
static_assert(sizeof(V8LocaleVtbl) == 2 * sizeof(void*));

}  // namespace

const V8InitDoneVtbl& InitDoneTable() { return kInitDone; }
const V8LanguageExtenderVtbl& LanguageExtenderTable() { return kLanguageExtender; }
const V8LocaleVtbl& LocaleTable() { return kLocale; }

TClassRegList& ClassRegistry() {
    if (!gRegistry) gRegistry = std::make_unique<TClassRegList>();
    return *gRegistry;
}

void ComponentLoad() {
    TLog::Load();
    ClassRegistry();
}

void ComponentUnload() {
    gRegistry.reset();
    TLog::Unload();
}

const char16_t* NapiGetClassNames() {
    static const char16_t kNone[] = u"";
    return gRegistry ? gRegistry->ClassNames().c_str() : kNone;
}

int32_t NapiGetClassObject(const char16_t* className, void** component) {
    if (!className || !component || !gRegistry) return 0;
    try {
        const TClassReg* reg = gRegistry->FindClass(className);
        if (!reg || !reg->UserClass) return 0;
        std::unique_ptr<TV8UserObject> object = reg->UserClass();
        if (!object) return 0;
        auto block = std::make_unique<ComponentBlock>();
        block->words[0] = &kInitDone;
        block->words[1] = &kLanguageExtender;
        block->words[2] = &kLocale;
        block->words[3] = nullptr;
        object->ClassReg = reg;
        block->words[4] = block->words[5] = block->words[6] = object.release();
        *component = block.release();
        return 1;
    } catch (...) {
        return 0;
    }
}

int32_t NapiDestroyObject(void** component) {
    if (!component || !*component) return 0;
    const std::unique_ptr<ComponentBlock> block(static_cast<ComponentBlock*>(*component));
    TV8UserObject* object = static_cast<TV8UserObject*>(const_cast<void*>(block->words[kObjectOffset]));
    // A driver's teardown may fail (closing its window can). A plain delete,
    // as unique_ptr's is noexcept: the object's memory is released even when
    // its destructor throws, and the error stays on this side of the host.
    try {
        delete object;
    } catch (...) {
        try {
            TLog::Append(u"EXCEPTION", CurrentErrorMessage(), TLog::mtError);
        } catch (...) {
            // The log itself may be what failed; the host learns nothing either way.
        }
    }
    return 0;
}
