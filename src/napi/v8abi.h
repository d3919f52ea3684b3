/*
 * Binary interface between the 1C:Enterprise host and a Native API component:
 * the value record, the three interface tables of a component object, the
 * host's memory manager and connection tables, and the exported entry points.
 *
 * Plain C so that hosts written in C, the host simulator and the component
 * share one declaration. Every table is a flat run of function pointers in the
 * host's layout: entry 0 is the place of the interface's virtual destructor in
 * the host's object model (one entry), the operations follow from entry 1.
 */
#ifndef MCR_V8ABI_H
#define MCR_V8ABI_H

#include <stddef.h>
#include <stdint.h>
#ifndef __cplusplus
#include <stdbool.h>
#endif

#ifdef __cplusplus
extern "C" {
typedef char16_t V8Char;
#else
typedef uint16_t V8Char;
#endif

/* Interface operations: callee-cleans on 32-bit Windows, the platform default elsewhere. */
#if defined(_WIN32) && !defined(_WIN64)
#define V8_CALL __stdcall
#else
#define V8_CALL
#endif

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

typedef struct V8Tm {
    int32_t tm_sec, tm_min, tm_hour, tm_mday, tm_mon, tm_year, tm_wday, tm_yday, tm_isdst;
} V8Tm;

/*
 * The host's tagged value record: 48 bytes on every architecture, the value
 * union at 0, the element count at 40 and the type at 44. The host declares
 * the type as a 16-bit field followed by two bytes it does not promise to
 * clear: readers look at the low 16 bits only, writers store all 32 bits.
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
        uint32_t hRes;
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
        uint8_t raw[40];
        uint64_t align_;
    } VarEnum;
    uint32_t cbElements;
    uint32_t vt;
} V8Variant;

/* Host services, reached through a pointer to an object whose first word is its table. */
typedef struct V8MemoryManagerVtbl {
    void* destructor;
    bool(V8_CALL* AllocMemory)(void* self, void** pMemory, uint32_t ulCountByte);
    void(V8_CALL* FreeMemory)(void* self, void** pMemory);
} V8MemoryManagerVtbl;

typedef struct V8AddInDefBaseVtbl {
    void* destructor;
    bool(V8_CALL* AddError)(void* self, uint16_t wcode, const V8Char* source, const V8Char* descr, int32_t scode);
    bool(V8_CALL* Read)(void* self, V8Char* wszPropName, V8Variant* pVal, int32_t* pErrCode, V8Char** errDescriptor);
    bool(V8_CALL* Write)(void* self, V8Char* wszPropName, V8Variant* pVar);
    bool(V8_CALL* RegisterProfileAs)(void* self, V8Char* wszProfileName);
    bool(V8_CALL* SetEventBufferDepth)(void* self, int32_t lDepth);
    int32_t(V8_CALL* GetEventBufferDepth)(void* self);
    bool(V8_CALL* ExternalEvent)(void* self, V8Char* wszSource, V8Char* wszMessage, V8Char* wszData);
    void(V8_CALL* CleanEventBuffer)(void* self);
    bool(V8_CALL* SetStatusLine)(void* self, V8Char* wszStatusLine);
    void(V8_CALL* ResetStatusLine)(void* self);
    void*(V8_CALL* GetInterface)(void* self, int32_t iface);
} V8AddInDefBaseVtbl;

/* The component object's three interfaces. `self` is the address of the
 * block word through which the table was reached. */
typedef struct V8InitDoneVtbl {
    void* destructor;
    bool(V8_CALL* Init)(void* self, void* connection);
    bool(V8_CALL* setMemManager)(void* self, void* memoryManager);
    int32_t(V8_CALL* GetInfo)(void* self);
    void(V8_CALL* Done)(void* self);
} V8InitDoneVtbl;

typedef struct V8LanguageExtenderVtbl {
    void* destructor;
    bool(V8_CALL* RegisterExtensionAs)(void* self, V8Char** extensionName);
    int32_t(V8_CALL* GetNProps)(void* self);
    int32_t(V8_CALL* FindProp)(void* self, const V8Char* name);
    const V8Char*(V8_CALL* GetPropName)(void* self, int32_t prop, int32_t alias);
    bool(V8_CALL* GetPropVal)(void* self, int32_t prop, V8Variant* value);
    bool(V8_CALL* SetPropVal)(void* self, int32_t prop, V8Variant* value);
    bool(V8_CALL* IsPropReadable)(void* self, int32_t prop);
    bool(V8_CALL* IsPropWritable)(void* self, int32_t prop);
    int32_t(V8_CALL* GetNMethods)(void* self);
    int32_t(V8_CALL* FindMethod)(void* self, const V8Char* name);
    const V8Char*(V8_CALL* GetMethodName)(void* self, int32_t method, int32_t alias);
    int32_t(V8_CALL* GetNParams)(void* self, int32_t method);
    bool(V8_CALL* GetParamDefValue)(void* self, int32_t method, int32_t param, V8Variant* value);
    bool(V8_CALL* HasRetVal)(void* self, int32_t method);
    bool(V8_CALL* CallAsProc)(void* self, int32_t method, V8Variant* params, int32_t count);
    bool(V8_CALL* CallAsFunc)(void* self, int32_t method, V8Variant* retValue, V8Variant* params, int32_t count);
} V8LanguageExtenderVtbl;

typedef struct V8LocaleVtbl {
    void* destructor;
    void(V8_CALL* SetLocale)(void* self, const V8Char* locale);
} V8LocaleVtbl;

/* Exported entry points (plain C calling convention). */
typedef const V8Char* (*V8GetClassNamesFn)(void);
typedef int32_t (*V8GetClassObjectFn)(const V8Char* className, void** component);
typedef int32_t (*V8DestroyObjectFn)(void** component);

#ifdef __cplusplus
}
#endif

#endif
