#include "napi/Component.h"

#include <limits>
#include <memory>
#include <string>
#include <type_traits>

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

// ComponentUnload frees the registry from the library's load-time object's
// destructor. The holder itself has no destructor of its own: static objects
// of different files go in an order the linker picks, and a destructor of the
// holder that ran first would leave the unload a dangling registry to free.
union RegistryHolder {
    std::unique_ptr<TClassRegList> registry;
    constexpr RegistryHolder() : registry() {}
    ~RegistryHolder() {}
};
RegistryHolder gHolder;
std::unique_ptr<TClassRegList>& gRegistry = gHolder.registry;

TV8UserObject& ObjectOf(void* self) {
    return *static_cast<TV8UserObject*>(const_cast<void*>(static_cast<const void**>(self)[kObjectOffset]));
}

const TClassReg* ClassOf(void* self) { return ObjectOf(self).ClassReg; }

// The host's indexes and counts are `long`, 64 bits on Linux; one beyond the
// registry's range becomes -1, which no list holds.
int32_t Index(V8Long value) {
    return value < 0 || value > std::numeric_limits<int32_t>::max() ? -1 : static_cast<int32_t>(value);
}

int32_t Count(V8Long value) {
    return value < 0 ? 0 : value > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                                         : static_cast<int32_t>(value);
}

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

V8Long V8_CALL GetInfo(void* self) {
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

V8Long V8_CALL GetNProps(void* self) { return ClassOf(self) ? ClassOf(self)->PropCount() : 0; }

V8Long V8_CALL FindProp(void* self, const V8Char* name) {
    return name && ClassOf(self) ? ClassOf(self)->FindProp(name) : -1;
}

const V8Char* V8_CALL GetPropName(void* self, V8Long prop, V8Long alias) {
    const TPropReg* p = ClassOf(self) ? ClassOf(self)->Prop(Index(prop)) : nullptr;
    return p ? HostCopy(self, alias == 0 ? &p->PropName : &p->PropNameLoc) : nullptr;
}

bool V8_CALL GetPropVal(void* self, V8Long prop, V8Variant* value) { return DispatchGetPropVal(ObjectOf(self), Index(prop), value); }

bool V8_CALL SetPropVal(void* self, V8Long prop, V8Variant* value) { return DispatchSetPropVal(ObjectOf(self), Index(prop), value); }

bool V8_CALL IsPropReadable(void* self, V8Long prop) {
    const TPropReg* p = ClassOf(self) ? ClassOf(self)->Prop(Index(prop)) : nullptr;
    return p && p->IsReadable;
}

bool V8_CALL IsPropWritable(void* self, V8Long prop) {
    const TPropReg* p = ClassOf(self) ? ClassOf(self)->Prop(Index(prop)) : nullptr;
    return p && p->IsWritable;
}

V8Long V8_CALL GetNMethods(void* self) { return ClassOf(self) ? ClassOf(self)->MethCount() : 0; }

V8Long V8_CALL FindMethod(void* self, const V8Char* name) {
    return name && ClassOf(self) ? ClassOf(self)->FindMethod(name) : -1;
}

const V8Char* V8_CALL GetMethodName(void* self, V8Long method, V8Long alias) {
    const TMethReg* m = ClassOf(self) ? ClassOf(self)->Method(Index(method)) : nullptr;
    return m ? HostCopy(self, alias == 0 ? &m->MethName : &m->MethNameLoc) : nullptr;
}

V8Long V8_CALL GetNParams(void* self, V8Long method) {
    const TMethReg* m = ClassOf(self) ? ClassOf(self)->Method(Index(method)) : nullptr;
    return m ? m->ParamCount : 0;
}

bool V8_CALL GetParamDefValue(void* self, V8Long method, V8Long param, V8Variant* value) {
    const TMethReg* m = ClassOf(self) ? ClassOf(self)->Method(Index(method)) : nullptr;
    if (!m || !value || param < 0 || param >= m->DefParams.ValueCount()) return false;
    *value = m->DefParams.Values[static_cast<size_t>(param)].Value;
    return true;
}

bool V8_CALL HasRetVal(void* self, V8Long method) {
    const TMethReg* m = ClassOf(self) ? ClassOf(self)->Method(Index(method)) : nullptr;
    return m && m->IsFunction;
}

bool V8_CALL CallAsProc(void* self, V8Long method, V8Variant* params, V8Long count) {
    return DispatchCallAsProc(ObjectOf(self), Index(method), params, Count(count));
}

bool V8_CALL CallAsFunc(void* self, V8Long method, V8Variant* retValue, V8Variant* params, V8Long count) {
    return DispatchCallAsFunc(ObjectOf(self), Index(method), retValue, params, Count(count));
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

// A table as the host's object model lays it out: on Linux the offset to the
// top of the object and the type information come first, and the block's
// word points past them.
struct NoPrefix {};
using TablePrefix = std::conditional_t<V8_TABLE_PREFIX != 0, V8TablePrefix, NoPrefix>;

// The interface at block word `word` lies that many words below the top.
template <bool Prefixed = V8_TABLE_PREFIX != 0>
constexpr auto MakePrefix(intptr_t word) {
    if constexpr (Prefixed) {
        return V8TablePrefix{-word * static_cast<intptr_t>(sizeof(void*)), nullptr};
    } else {
        return NoPrefix{};
    }
}

template <class Table, intptr_t Word>
struct HostTable {
    [[no_unique_address]] TablePrefix prefix = MakePrefix(Word);
    Table table;
};

constexpr HostTable<V8InitDoneVtbl, 0> kInitDone{.table = {{}, Init, SetMemManager, GetInfo, Done}};
constexpr HostTable<V8LanguageExtenderVtbl, 1> kLanguageExtender{
    .table = {{},          RegisterExtensionAs, GetNProps,      FindProp,    GetPropName, GetPropVal,
              SetPropVal,  IsPropReadable,      IsPropWritable, GetNMethods, FindMethod,  GetMethodName,
              GetNParams,  GetParamDefValue,    HasRetVal,      CallAsProc,  CallAsFunc}};
constexpr HostTable<V8LocaleVtbl, 2> kLocale{.table = {{}, SetLocale}};

static_assert(offsetof(std::remove_const_t<decltype(kLanguageExtender)>, table) ==
              V8_TABLE_PREFIX * sizeof(V8TablePrefix));

}  // namespace

const V8InitDoneVtbl& InitDoneTable() { return kInitDone.table; }
const V8LanguageExtenderVtbl& LanguageExtenderTable() { return kLanguageExtender.table; }
const V8LocaleVtbl& LocaleTable() { return kLocale.table; }

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

V8Long NapiGetClassObject(const char16_t* className, void** component) {
    if (!className || !component || !gRegistry) return 0;
    try {
        const TClassReg* reg = gRegistry->FindClass(className);
        if (!reg || !reg->UserClass) return 0;
        std::unique_ptr<TV8UserObject> object = reg->UserClass();
        if (!object) return 0;
        auto block = std::make_unique<ComponentBlock>();
        block->words[0] = &kInitDone.table;
        block->words[1] = &kLanguageExtender.table;
        block->words[2] = &kLocale.table;
        block->words[3] = nullptr;
        object->ClassReg = reg;
        block->words[4] = block->words[5] = block->words[6] = object.release();
        *component = block.release();
        return 1;
    } catch (...) {
        return 0;
    }
}

V8Long NapiDestroyObject(void** component) {
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
