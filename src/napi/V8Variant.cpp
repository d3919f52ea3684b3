#include "napi/V8Variant.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "common/DayCount.h"
#include "common/Error.h"
#include "common/Text.h"
#include "platform/Platform.h"

namespace {

// Truncation toward zero keeping the low 32 bits of the 64-bit result.
int32_t Truncate(double value) {
    if (!std::isfinite(value) || std::fabs(value) >= 9.2e18) return 0;
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(value))));
}

const char16_t* TypeCodeName(uint16_t t) {
    static const char16_t* const kNames[] = {
        u"VTYPE_EMPTY", u"VTYPE_NULL", u"VTYPE_I2",     u"VTYPE_I4",    u"VTYPE_R4",      u"VTYPE_R8",
        u"VTYPE_DATE",  u"VTYPE_TM",   u"VTYPE_PSTR",   u"VTYPE_INTERFACE", u"VTYPE_ERROR", u"VTYPE_BOOL",
        u"VTYPE_VARIANT", u"VTYPE_I1", u"VTYPE_UI1",    u"VTYPE_UI2",   u"VTYPE_UI4",     u"VTYPE_I8",
        u"VTYPE_UI8",   u"VTYPE_INT",  u"VTYPE_UINT",   u"VTYPE_HRESULT", u"VTYPE_PWSTR", u"VTYPE_BLOB",
        u"VTYPE_CLSID"};
    if (t < std::size(kNames)) return kNames[t];
    if (t == VTYPE_STR_BLOB) return u"VTYPE_STR_BLOB";
    return nullptr;
}

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

bool Allocate(TV8MemoryManager* mm, void** block, uint32_t bytes) {
    return mm != nullptr && mm->AllocMemory(block, bytes);
}

}  // namespace

bool V8IsString(const V8Variant& v) {
    const auto t = V8BaseType(v);
    return t == VTYPE_PSTR || t == VTYPE_PWSTR;
}

const char16_t* V8AsPWChar(const V8Variant& v) {
    return V8BaseType(v) == VTYPE_PWSTR ? v.VarEnum.vtRecWideString.pwstrVal : nullptr;
}

std::u16string V8AsWString(const V8Variant& v) {
    const char16_t* text = V8AsPWChar(v);
    return text ? std::u16string(text) : std::u16string();
}

int32_t V8AsInteger(const V8Variant& v) {
    switch (V8BaseType(v)) {
        case VTYPE_I2: return v.VarEnum.shortVal;
        case VTYPE_I4: return v.VarEnum.lVal;
        case VTYPE_R4: return Truncate(v.VarEnum.fltVal);
        case VTYPE_R8: return Truncate(v.VarEnum.dblVal);
        case VTYPE_DATE: return Truncate(v.VarEnum.date);
        case VTYPE_ERROR: return v.VarEnum.errCode;
        case VTYPE_UI1: return v.VarEnum.ui8Val;
        case VTYPE_PWSTR: {
            int32_t value = 0;
            return TryTextToInt(V8AsWString(v), value) ? value : 0;
        }
        default: return 0;
    }
}

double V8AsDouble(const V8Variant& v) {
    switch (V8BaseType(v)) {
        case VTYPE_I2: return v.VarEnum.shortVal;
        case VTYPE_I4: return v.VarEnum.lVal;
        case VTYPE_R4: return v.VarEnum.fltVal;
        case VTYPE_R8: return v.VarEnum.dblVal;
        case VTYPE_DATE: return v.VarEnum.date;
        case VTYPE_ERROR: return v.VarEnum.errCode;
        case VTYPE_UI1: return v.VarEnum.ui8Val;
        case VTYPE_PWSTR: {
            double value = 0;
            return TryTextToDouble(V8AsWString(v), platform::DecimalSeparator(), value) ? value : 0;
        }
        default: return 0;
    }
}

bool V8AsBoolean(const V8Variant& v) {
    if (V8BaseType(v) == VTYPE_BOOL) return v.VarEnum.bVal != 0;
    return V8AsInteger(v) != 0;
}

double V8AsDateTime(const V8Variant& v) {
    switch (V8BaseType(v)) {
        case VTYPE_R8: return v.VarEnum.dblVal;
        case VTYPE_DATE: return v.VarEnum.date;
        case VTYPE_TM: return V8TmToDateTime(v.VarEnum.tmVal);
        default: return 0;
    }
}

std::u16string V8TypeName(const V8Variant& v) {
    const uint16_t type = V8Type(v);
    const char16_t* name = TypeCodeName(type & kTypeMask);
    if (!name) return u"unknown type";
    std::u16string text = name;
    if (type & VTYPE_BYREF) {
        text += u" by ref";
    } else if (type & VTYPE_ARRAY) {
        text += u" array";
    } else if (type & VTYPE_VECTOR) {
        text += u" vector";
    }
    return text;
}

double V8TmToDateTime(const V8Tm& tm) {
    const int64_t year = static_cast<int64_t>(tm.tm_year) + 1900;
    const int64_t month = static_cast<int64_t>(tm.tm_mon) + 1;
    static const int kDaysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || tm.tm_mday < 1 ||
        tm.tm_mday > kDaysInMonth[month - 1] + (month == 2 && IsLeapYear(static_cast<int>(year)) ? 1 : 0)) {
        throw EComponentError(u"Invalid argument to date encode");
    }
    if (tm.tm_hour < 0 || tm.tm_hour > 23 || tm.tm_min < 0 || tm.tm_min > 59 || tm.tm_sec < 0 || tm.tm_sec > 59) {
        throw EComponentError(u"Invalid argument to time encode");
    }
    const double days = static_cast<double>(DaysFromCivil(year, month, tm.tm_mday));
    const double time = (tm.tm_hour * 3600.0 + tm.tm_min * 60.0 + tm.tm_sec) / 86400.0;
    // Before the epoch the fraction counts away from zero, as day-count dates do.
    return days < 0 ? days - time : days + time;
}

std::u16string V8ToText(const V8Variant& v) {
    switch (V8Type(v)) {
        case VTYPE_EMPTY: return {};
        case VTYPE_I4: return IntToText(v.VarEnum.lVal);
        case VTYPE_R8: return DoubleToText(v.VarEnum.dblVal, platform::DecimalSeparator());
        case VTYPE_TM: return platform::DateTimeToText(V8TmToDateTime(v.VarEnum.tmVal));
        case VTYPE_BOOL: return v.VarEnum.bVal ? u"True" : u"False";
        case VTYPE_I8: return IntToText(v.VarEnum.llVal);
        case VTYPE_PWSTR: return V8AsWString(v);
        default: throw EComponentError(u"Unsupported data type - " + V8TypeName(v));
    }
}

char16_t* V8AllocWString(TV8MemoryManager* memoryManager, std::u16string_view s) {
    const size_t bytes = (s.size() + 1) * sizeof(char16_t);
    if (bytes > std::numeric_limits<uint32_t>::max()) return nullptr;
    void* block = nullptr;
    if (!Allocate(memoryManager, &block, static_cast<uint32_t>(bytes)) || !block) return nullptr;
    auto* text = static_cast<char16_t*>(block);
    if (!s.empty()) std::memcpy(text, s.data(), s.size() * sizeof(char16_t));
    text[s.size()] = u'\0';
    return text;
}

void V8ClearVar(TV8MemoryManager* mm, V8Variant& v) {
    switch (V8BaseType(v)) {
        case VTYPE_PSTR:
        case VTYPE_PWSTR:
        case VTYPE_BLOB:
            if (v.VarEnum.vtRecString.pstrVal && mm) {
                mm->FreeMemory(reinterpret_cast<void**>(&v.VarEnum.vtRecString.pstrVal));
            }
            break;
        case VTYPE_INTERFACE:
            if (auto* unknown = static_cast<void***>(v.VarEnum.vtRecInterface.pInterfaceVal)) {
                // IUnknown::Release is entry 2 of the interface's table.
                using ReleaseFn = uint32_t(V8_CALL*)(void*);
                reinterpret_cast<ReleaseFn>((*unknown)[2])(unknown);
            }
            break;
        default: break;
    }
    std::memset(&v, 0, sizeof v);
}

void V8SetBool(TV8MemoryManager* mm, V8Variant& v, bool value) {
    V8ClearVar(mm, v);
    V8SetType(v, VTYPE_BOOL);
    v.VarEnum.bVal = value ? 1 : 0;
}

void V8SetInt(TV8MemoryManager* mm, V8Variant& v, int32_t value) {
    V8ClearVar(mm, v);
    V8SetType(v, VTYPE_I4);
    v.VarEnum.lVal = value;
}

void V8SetInt64(TV8MemoryManager* mm, V8Variant& v, int64_t value) {
    V8ClearVar(mm, v);
    V8SetType(v, VTYPE_I8);
    v.VarEnum.llVal = value;
}

void V8SetDouble(TV8MemoryManager* mm, V8Variant& v, double value) {
    V8ClearVar(mm, v);
    V8SetType(v, VTYPE_R8);
    v.VarEnum.dblVal = value;
}

void V8SetDate(TV8MemoryManager* mm, V8Variant& v, double value) {
    V8ClearVar(mm, v);
    V8SetType(v, VTYPE_DATE);
    v.VarEnum.date = value;
}

bool V8SetWString(TV8MemoryManager* mm, V8Variant& v, std::u16string_view value) {
    V8ClearVar(mm, v);
    V8SetType(v, VTYPE_PWSTR);
    const size_t bytes = (value.size() + 1) * sizeof(char16_t);
    if (bytes > std::numeric_limits<uint32_t>::max()) return false;
    void* block = nullptr;
    if (!Allocate(mm, &block, static_cast<uint32_t>(bytes)) || !block) return false;
    auto* text = static_cast<char16_t*>(block);
    if (!value.empty()) std::memcpy(text, value.data(), value.size() * sizeof(char16_t));
    text[value.size()] = u'\0';
    v.VarEnum.vtRecWideString.pwstrVal = text;
    v.VarEnum.vtRecWideString.wstrLen = static_cast<uint32_t>(value.size());
    return true;
}

bool V8SetPChar(TV8MemoryManager* mm, V8Variant& v, const char* value) {
    if (!value) return true;
    const size_t length = std::strlen(value);
    V8ClearVar(mm, v);
    V8SetType(v, VTYPE_PSTR);
    if (length + 1 > std::numeric_limits<uint32_t>::max()) return false;
    void* block = nullptr;
    if (!Allocate(mm, &block, static_cast<uint32_t>(length + 1)) || !block) return false;
    std::memcpy(block, value, length + 1);
    v.VarEnum.vtRecString.pstrVal = static_cast<char*>(block);
    v.VarEnum.vtRecString.strLen = static_cast<uint32_t>(length);
    return true;
}

bool V8SetString(TV8MemoryManager* mm, V8Variant& v, const std::string& value) { return V8SetPChar(mm, v, value.c_str()); }

bool V8SetBlob(TV8MemoryManager* mm, V8Variant& v, const void* value, uint32_t length) {
    if (!value) return true;
    V8ClearVar(mm, v);
    V8SetType(v, VTYPE_BLOB);
    void* block = nullptr;
    if (!Allocate(mm, &block, length) || (!block && length > 0)) return false;
    if (length > 0) std::memcpy(block, value, length);
    v.VarEnum.vtRecString.pstrVal = static_cast<char*>(block);
    v.VarEnum.vtRecString.strLen = length;
    return true;
}
