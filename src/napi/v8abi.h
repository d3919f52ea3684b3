/*
 * Binary interface between the 1C:Enterprise host and a Native API component:
 * the value record, the three interface tables of a component object, the
 * host's memory manager and connection tables, and the exported entry points.
 *
 * Plain C so that hosts written in C, the host simulator and the component
 * share one declaration. Every table is a flat run of function pointers in the
 * host's layout: the first entries are the places of the interface's virtual
 * destructor in the host's object model (V8_DESTRUCTOR_ENTRIES of them, left
 * empty), the operations follow.
 *
 * What differs between the host's platforms is gathered in the block below
 * and checked offset by offset at the end of this file.
 */
#ifndef MCR_V8ABI_H
#define MCR_V8ABI_H

#include <stddef.h>
#include <stdint.h>
#ifndef __cplusplus
#include <stdbool.h>
#endif

#ifndef _WIN32
#include <time.h>
#endif

#ifdef __cplusplus
extern "C" {
typedef char16_t V8Char;
#else
typedef uint16_t V8Char;
#endif

/* ---- The host's platforms --------------------------------------------
 * Windows (MSVC object model): one destructor entry per table, `long` is 32
 * bits, the date-time union member is nine ints, the record is 48 bytes.
 * Linux x86_64 (GCC, Itanium object model): two destructor entries (the
 * complete-object and the deleting destructor), `long` is 64 bits, the
 * date-time member is glibc's struct tm (56 bytes), the record is 64 bytes;
 * before each table sit the offset to the top of the object and the type
 * information, which the object model reads there. */
#ifdef _WIN32
/* Interface operations: callee-cleans on 32-bit Windows. */
#ifndef _WIN64
#define V8_CALL __stdcall
#else
#define V8_CALL
#endif
typedef int32_t V8Long;
typedef uint32_t V8ULong;
typedef uint32_t V8HResult;
typedef struct V8Tm {
    int32_t tm_sec, tm_min, tm_hour, tm_mday, tm_mon, tm_year, tm_wday, tm_yday, tm_isdst;
} V8Tm;
enum { V8_DESTRUCTOR_ENTRIES = 1, V8_TABLE_PREFIX = 0, V8_VARIANT_SIZE = 48, V8_VALUE_SIZE = 40 };
#else
#define V8_CALL
typedef long V8Long;
typedef unsigned long V8ULong;
typedef long V8HResult;
typedef struct tm V8Tm;
enum { V8_DESTRUCTOR_ENTRIES = 2, V8_TABLE_PREFIX = 1, V8_VARIANT_SIZE = 64, V8_VALUE_SIZE = 56 };
#endif

/* The two words before a table in the Itanium object model: the interface's
 * distance from the top of the object (0, -8, -16 for the block's words 0, 1
 * and 2) and its type information (none here). */
typedef struct V8TablePrefix {
    intptr_t offsetToTop;
    const void* typeInfo;
} V8TablePrefix;

/* Type codes of V8Variant.vt (bits 0-11) and its flags (bits 12-14). */
enum V8TypeCode {
    VTYPE_EMPTY = 0,
    VTYPE_NULL = 1,
    VTYPE_I2 = 2,
    VTYPE_I4 = 3,
    VTYPE_R4 = 4,
    VTYPE_R8 = 5,
    VTYPE_DATE = 6,
    VTYPE_TM = 7,
    VTYPE_PSTR = 8,
    VTYPE_INTERFACE = 9,
    VTYPE_ERROR = 10,
    VTYPE_BOOL = 11,
    VTYPE_VARIANT = 12,
    VTYPE_I1 = 13,
    VTYPE_UI1 = 14,
    VTYPE_UI2 = 15,
    VTYPE_UI4 = 16,
    VTYPE_I8 = 17,
    VTYPE_UI8 = 18,
    VTYPE_INT = 19,
    VTYPE_UINT = 20,
    VTYPE_HRESULT = 21,
    VTYPE_PWSTR = 22,
    VTYPE_BLOB = 23,
    VTYPE_CLSID = 24,
    VTYPE_STR_BLOB = 0xFFF,
    VTYPE_VECTOR = 0x1000,
    VTYPE_ARRAY = 0x2000,
    VTYPE_BYREF = 0x4000,
    VTYPE_ILLEGAL = 0xFFFF
};

typedef struct V8Guid {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
} V8Guid;

/*
 * The host's tagged value record: the value union at 0, then the element count
 * and the type (48 bytes with the count at 40 and the type at 44 on Windows,
 * 64 bytes with 56 and 60 on Linux). The host declares the type as a 16-bit
 * field followed by two bytes it does not promise to clear: readers look at
 * the low 16 bits only, writers store all 32 bits.
 */
typedef struct V8Variant {
    union {
        int8_t i8Val;
        int16_t shortVal;
        int32_t lVal;
        int32_t intVal;
        uint32_t uintVal;
        int64_t llVal;
        uint8_t ui8Val;
        uint16_t ushortVal;
        uint32_t ulVal;
        int64_t ullVal;
        int32_t errCode;
        V8HResult hRes;
        float fltVal;
        double dblVal;
        uint8_t bVal;
        V8Char chVal;
        V8Char wchVal;
        double date;
        V8Guid IDVal;
        struct V8Variant* pvarVal;
        V8Tm tmVal;
        struct {
            void* pInterfaceVal;
            V8Guid InterfaceID;
        } vtRecInterface;
        struct {
            char* pstrVal;
            uint32_t strLen;
        } vtRecString;
        struct {
            V8Char* pwstrVal;
            uint32_t wstrLen;
        } vtRecWideString;
        uint8_t raw[V8_VALUE_SIZE];
        uint64_t align_;
    } VarEnum;
    uint32_t cbElements;
    uint32_t vt;
} V8Variant;

/* Host services, reached through a pointer to an object whose first word is its table. */
typedef struct V8MemoryManagerVtbl {
    void* destructor[V8_DESTRUCTOR_ENTRIES];
    bool(V8_CALL* AllocMemory)(void* self, void** pMemory, V8ULong ulCountByte);
    void(V8_CALL* FreeMemory)(void* self, void** pMemory);
} V8MemoryManagerVtbl;

typedef struct V8AddInDefBaseVtbl {
    void* destructor[V8_DESTRUCTOR_ENTRIES];
    bool(V8_CALL* AddError)(void* self, uint16_t wcode, const V8Char* source, const V8Char* descr, V8Long scode);
    bool(V8_CALL* Read)(void* self, V8Char* wszPropName, V8Variant* pVal, V8Long* pErrCode, V8Char** errDescriptor);
    bool(V8_CALL* Write)(void* self, V8Char* wszPropName, V8Variant* pVar);
    bool(V8_CALL* RegisterProfileAs)(void* self, V8Char* wszProfileName);
    bool(V8_CALL* SetEventBufferDepth)(void* self, V8Long lDepth);
    V8Long(V8_CALL* GetEventBufferDepth)(void* self);
    bool(V8_CALL* ExternalEvent)(void* self, V8Char* wszSource, V8Char* wszMessage, V8Char* wszData);
    void(V8_CALL* CleanEventBuffer)(void* self);
    bool(V8_CALL* SetStatusLine)(void* self, V8Char* wszStatusLine);
    void(V8_CALL* ResetStatusLine)(void* self);
    void*(V8_CALL* GetInterface)(void* self, int32_t iface);
} V8AddInDefBaseVtbl;

/* The component object's three interfaces. `self` is the address of the
 * block word through which the table was reached. */
typedef struct V8InitDoneVtbl {
    void* destructor[V8_DESTRUCTOR_ENTRIES];
    bool(V8_CALL* Init)(void* self, void* connection);
    bool(V8_CALL* setMemManager)(void* self, void* memoryManager);
    V8Long(V8_CALL* GetInfo)(void* self);
    void(V8_CALL* Done)(void* self);
} V8InitDoneVtbl;

typedef struct V8LanguageExtenderVtbl {
    void* destructor[V8_DESTRUCTOR_ENTRIES];
    bool(V8_CALL* RegisterExtensionAs)(void* self, V8Char** extensionName);
    V8Long(V8_CALL* GetNProps)(void* self);
    V8Long(V8_CALL* FindProp)(void* self, const V8Char* name);
    const V8Char*(V8_CALL* GetPropName)(void* self, V8Long prop, V8Long alias);
    bool(V8_CALL* GetPropVal)(void* self, V8Long prop, V8Variant* value);
    bool(V8_CALL* SetPropVal)(void* self, V8Long prop, V8Variant* value);
    bool(V8_CALL* IsPropReadable)(void* self, V8Long prop);
    bool(V8_CALL* IsPropWritable)(void* self, V8Long prop);
    V8Long(V8_CALL* GetNMethods)(void* self);
    V8Long(V8_CALL* FindMethod)(void* self, const V8Char* name);
    const V8Char*(V8_CALL* GetMethodName)(void* self, V8Long method, V8Long alias);
    V8Long(V8_CALL* GetNParams)(void* self, V8Long method);
    bool(V8_CALL* GetParamDefValue)(void* self, V8Long method, V8Long param, V8Variant* value);
    bool(V8_CALL* HasRetVal)(void* self, V8Long method);
    bool(V8_CALL* CallAsProc)(void* self, V8Long method, V8Variant* params, V8Long count);
    bool(V8_CALL* CallAsFunc)(void* self, V8Long method, V8Variant* retValue, V8Variant* params, V8Long count);
} V8LanguageExtenderVtbl;

typedef struct V8LocaleVtbl {
    void* destructor[V8_DESTRUCTOR_ENTRIES];
    void(V8_CALL* SetLocale)(void* self, const V8Char* locale);
} V8LocaleVtbl;

/* Exported entry points (plain C calling convention). */
typedef const V8Char* (*V8GetClassNamesFn)(void);
typedef V8Long (*V8GetClassObjectFn)(const V8Char* className, void** component);
typedef V8Long (*V8DestroyObjectFn)(void** component);

#ifdef __cplusplus
}
#define V8_LAYOUT_CHECK static_assert
#else
#define V8_LAYOUT_CHECK _Static_assert
#endif

/* ---- Each platform's layout, offset by offset --------------------------- */
V8_LAYOUT_CHECK(sizeof(V8Variant) == V8_VARIANT_SIZE, "value record size");
V8_LAYOUT_CHECK(sizeof(((V8Variant*)0)->VarEnum) == V8_VALUE_SIZE, "value union size");
V8_LAYOUT_CHECK(offsetof(V8Variant, cbElements) == V8_VALUE_SIZE, "cbElements offset");
V8_LAYOUT_CHECK(offsetof(V8Variant, vt) == V8_VALUE_SIZE + 4, "vt offset");
V8_LAYOUT_CHECK(offsetof(V8Variant, VarEnum.vtRecString.strLen) == sizeof(void*), "strLen offset");
V8_LAYOUT_CHECK(offsetof(V8Variant, VarEnum.vtRecWideString.wstrLen) == sizeof(void*), "wstrLen offset");
V8_LAYOUT_CHECK(offsetof(V8Variant, VarEnum.vtRecInterface.InterfaceID) == sizeof(void*), "InterfaceID offset");
V8_LAYOUT_CHECK(sizeof(V8Guid) == 16, "GUID size");
V8_LAYOUT_CHECK(sizeof(V8Long) == sizeof(long), "the host's long");
V8_LAYOUT_CHECK(sizeof(V8Char) == 2, "UTF-16 text units");
V8_LAYOUT_CHECK(sizeof(V8TablePrefix) == 2 * sizeof(void*), "table prefix size");
V8_LAYOUT_CHECK(offsetof(V8InitDoneVtbl, Init) == V8_DESTRUCTOR_ENTRIES * sizeof(void*), "IInitDone first operation");
V8_LAYOUT_CHECK(sizeof(V8InitDoneVtbl) == (V8_DESTRUCTOR_ENTRIES + 4) * sizeof(void*), "IInitDone entries");
V8_LAYOUT_CHECK(offsetof(V8LanguageExtenderVtbl, RegisterExtensionAs) == V8_DESTRUCTOR_ENTRIES * sizeof(void*),
                "ILanguageExtenderBase first operation");
V8_LAYOUT_CHECK(offsetof(V8LanguageExtenderVtbl, CallAsFunc) == (V8_DESTRUCTOR_ENTRIES + 15) * sizeof(void*),
                "ILanguageExtenderBase last operation");
V8_LAYOUT_CHECK(sizeof(V8LanguageExtenderVtbl) == (V8_DESTRUCTOR_ENTRIES + 16) * sizeof(void*),
                "ILanguageExtenderBase entries");
V8_LAYOUT_CHECK(sizeof(V8LocaleVtbl) == (V8_DESTRUCTOR_ENTRIES + 1) * sizeof(void*), "LocaleBase entries");
V8_LAYOUT_CHECK(offsetof(V8MemoryManagerVtbl, AllocMemory) == V8_DESTRUCTOR_ENTRIES * sizeof(void*),
                "IMemoryManager first operation");
V8_LAYOUT_CHECK(offsetof(V8AddInDefBaseVtbl, AddError) == V8_DESTRUCTOR_ENTRIES * sizeof(void*),
                "IAddInDefBase first operation");
V8_LAYOUT_CHECK(offsetof(V8AddInDefBaseVtbl, GetInterface) == (V8_DESTRUCTOR_ENTRIES + 10) * sizeof(void*),
                "IAddInDefBaseEx GetInterface");
#ifdef _WIN32
V8_LAYOUT_CHECK(sizeof(V8Tm) == 36, "date-time member");
V8_LAYOUT_CHECK(sizeof(long) == 4, "Windows long");
#else
V8_LAYOUT_CHECK(sizeof(V8Tm) == 56, "glibc struct tm");
V8_LAYOUT_CHECK(sizeof(((V8Variant*)0)->VarEnum.hRes) == 8, "HRESULT is long");
#endif
#undef V8_LAYOUT_CHECK

#endif
