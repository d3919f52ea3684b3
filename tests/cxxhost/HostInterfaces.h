// The host's interfaces as the host itself declares them on Linux: ordinary
// C++ abstract classes laid out by g++ (the Itanium object model), so the
// component's hand-made tables are checked against what the compiler makes
// of these declarations. Deliberately independent of the component's own
// header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>

namespace host {

using WCHAR_T = char16_t;

enum TYPEVAR : std::uint16_t {
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
};

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};

struct tVariant {
    union {
        std::int8_t i8Val;
        std::int16_t shortVal;
        std::int32_t lVal;
        int intVal;
        unsigned int uintVal;
        std::int64_t llVal;
        std::uint8_t ui8Val;
        std::uint16_t ushortVal;
        std::uint32_t ulVal;
        std::uint64_t ullVal;
        std::int32_t errCode;
        long hRes;
        float fltVal;
        double dblVal;
        bool bVal;
        char chVal;
        WCHAR_T wchVal;
        double date;
        GUID IDVal;
        tVariant* pvarVal;
        struct tm tmVal;
        struct {
            void* pInterfaceVal;
            GUID InterfaceID;
        };
        struct {
            char* pstrVal;
            std::uint32_t strLen;
        };
        struct {
            WCHAR_T* pwstrVal;
            std::uint32_t wstrLen;
        };
    };
    std::uint32_t cbElements;
    TYPEVAR vt;
};

static_assert(sizeof(struct tm) == 56, "glibc's struct tm");
static_assert(sizeof(tVariant) == 64, "the value record");
static_assert(offsetof(tVariant, cbElements) == 56, "the element count");
static_assert(offsetof(tVariant, vt) == 60, "the type");
static_assert(sizeof(long) == 8, "the host's long on x86_64");

// What the host gives the component.
class IMemoryManager {
public:
    virtual ~IMemoryManager() {}
    virtual bool AllocMemory(void** pMemory, unsigned long ulCountByte) = 0;
    virtual void FreeMemory(void** pMemory) = 0;
};

class IInterface {};

enum Interfaces { eIMsgBox = 0, eIPlatformInfo };

class IAddInDefBase {
public:
    virtual ~IAddInDefBase() {}
    virtual bool AddError(unsigned short wcode, const WCHAR_T* source, const WCHAR_T* descr, long scode) = 0;
    virtual bool Read(WCHAR_T* wszPropName, tVariant* pVal, long* pErrCode, WCHAR_T** errDescriptor) = 0;
    virtual bool Write(WCHAR_T* wszPropName, tVariant* pVar) = 0;
    virtual bool RegisterProfileAs(WCHAR_T* wszProfileName) = 0;
    virtual bool SetEventBufferDepth(long lDepth) = 0;
    virtual long GetEventBufferDepth() = 0;
    virtual bool ExternalEvent(WCHAR_T* wszSource, WCHAR_T* wszMessage, WCHAR_T* wszData) = 0;
    virtual void CleanEventBuffer() = 0;
    virtual bool SetStatusLine(WCHAR_T* wszStatusLine) = 0;
    virtual void ResetStatusLine() = 0;
};

class IAddInDefBaseEx : public IAddInDefBase {
public:
    virtual IInterface* GetInterface(Interfaces iface) = 0;
};

// What the component gives the host.
class IInitDone {
public:
    virtual ~IInitDone() {}
    virtual bool Init(void* disp) = 0;
    virtual bool setMemManager(void* mem) = 0;
    virtual long GetInfo() = 0;
    virtual void Done() = 0;
};

class ILanguageExtenderBase {
public:
    virtual ~ILanguageExtenderBase() {}
    virtual bool RegisterExtensionAs(WCHAR_T** wsExtensionName) = 0;
    virtual long GetNProps() = 0;
    virtual long FindProp(const WCHAR_T* wsPropName) = 0;
    virtual const WCHAR_T* GetPropName(long lPropNum, long lPropAlias) = 0;
    virtual bool GetPropVal(const long lPropNum, tVariant* pvarPropVal) = 0;
    virtual bool SetPropVal(const long lPropNum, tVariant* varPropVal) = 0;
    virtual bool IsPropReadable(const long lPropNum) = 0;
    virtual bool IsPropWritable(const long lPropNum) = 0;
    virtual long GetNMethods() = 0;
    virtual long FindMethod(const WCHAR_T* wsMethodName) = 0;
    virtual const WCHAR_T* GetMethodName(const long lMethodNum, const long lMethodAlias) = 0;
    virtual long GetNParams(const long lMethodNum) = 0;
    virtual bool GetParamDefValue(const long lMethodNum, const long lParamNum, tVariant* pvarParamDefValue) = 0;
    virtual bool HasRetVal(const long lMethodNum) = 0;
    virtual bool CallAsProc(const long lMethodNum, tVariant* paParams, const long lSizeArray) = 0;
    virtual bool CallAsFunc(const long lMethodNum, tVariant* pvarRetValue, tVariant* paParams,
                            const long lSizeArray) = 0;
};

class LocaleBase {
public:
    virtual ~LocaleBase() {}
    virtual void SetLocale(const WCHAR_T* loc) = 0;
};

class IComponentBase : public IInitDone, public ILanguageExtenderBase, public LocaleBase {
public:
    virtual ~IComponentBase() {}
};

// The library's exports.
using GetClassNamesFn = const WCHAR_T* (*)();
using GetClassObjectFn = long (*)(const WCHAR_T* wsName, IComponentBase** pIntf);
using DestroyObjectFn = long (*)(IComponentBase** pIntf);

}  // namespace host
