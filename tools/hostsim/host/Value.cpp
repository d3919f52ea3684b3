#include "Value.h"

#include "Text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace hostsim {
namespace {

V8Variant Typed(std::uint16_t type) noexcept {
    V8Variant value;
    std::memset(&value, 0, sizeof value);
    value.vt = type;
    return value;
}

std::string FormatDouble(double number) {
    char text[40] = {};
    // Shortest form that reads back to the same double.
    for (int precision = 1; precision <= 17; ++precision) {
        std::snprintf(text, sizeof text, "%.*g", precision, number);
        if (std::strtod(text, nullptr) == number) {
            break;
        }
    }
    return text;
}

std::string Narrow(std::u16string_view ascii) {
    std::string out;
    for (char16_t c : ascii) {
        if (c > 0x7F) {
            return {};
        }
        out += static_cast<char>(c);
    }
    return out;
}

bool StartsWith(std::u16string_view text, std::u16string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::uint16_t TypeOf(const V8Variant& value) noexcept { return static_cast<std::uint16_t>(value.vt & 0xFFFFu); }

V8Variant MakeEmpty() noexcept { return Typed(VTYPE_EMPTY); }

V8Variant MakeInt(std::int32_t number) noexcept {
    V8Variant value = Typed(VTYPE_I4);
    value.VarEnum.lVal = number;
    return value;
}

V8Variant MakeDouble(double number) noexcept {
    V8Variant value = Typed(VTYPE_R8);
    value.VarEnum.dblVal = number;
    return value;
}

V8Variant MakeBool(bool flag) noexcept {
    V8Variant value = Typed(VTYPE_BOOL);
    value.VarEnum.bVal = flag ? 1 : 0;
    return value;
}

std::optional<V8Variant> MakeText(HostMemory& memory, std::u16string_view text) {
    V8Char* copy = memory.AllocText(text);
    if (copy == nullptr) {
        return std::nullopt;
    }
    V8Variant value = Typed(VTYPE_PWSTR);
    value.VarEnum.vtRecWideString.pwstrVal = copy;
    value.VarEnum.vtRecWideString.wstrLen = static_cast<std::uint32_t>(text.size());
    return value;
}

std::optional<std::int32_t> ReadInt(const V8Variant& value) noexcept {
    const auto& u = value.VarEnum;
    switch (TypeOf(value)) {
        case VTYPE_I1: return u.i8Val;
        case VTYPE_I2: return u.shortVal;
        case VTYPE_I4:
        case VTYPE_INT: return u.lVal;
        case VTYPE_UI1: return u.ui8Val;
        case VTYPE_UI2: return u.ushortVal;
        case VTYPE_UI4:
        case VTYPE_UINT:
            if (u.ulVal > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())) {
                return std::nullopt;
            }
            return static_cast<std::int32_t>(u.ulVal);
        default: return std::nullopt;
    }
}

std::optional<double> ReadDouble(const V8Variant& value) noexcept {
    switch (TypeOf(value)) {
        case VTYPE_R4: return value.VarEnum.fltVal;
        case VTYPE_R8: return value.VarEnum.dblVal;
        case VTYPE_I8: return static_cast<double>(value.VarEnum.llVal);
        default: {
            const auto number = ReadInt(value);
            return number ? std::optional<double>(*number) : std::nullopt;
        }
    }
}

std::optional<bool> ReadBool(const V8Variant& value) noexcept {
    if (TypeOf(value) != VTYPE_BOOL) {
        return std::nullopt;
    }
    return value.VarEnum.bVal != 0;
}

std::optional<std::u16string> ReadText(const V8Variant& value) {
    if (TypeOf(value) != VTYPE_PWSTR) {
        return std::nullopt;
    }
    const auto& text = value.VarEnum.vtRecWideString;
    if (text.pwstrVal == nullptr) {
        return text.wstrLen == 0 ? std::optional<std::u16string>(std::u16string()) : std::nullopt;
    }
    return std::u16string(text.pwstrVal, text.wstrLen);
}

std::string Describe(const V8Variant& value) {
    const auto& u = value.VarEnum;
    const std::uint16_t type = TypeOf(value);
    switch (type) {
        case VTYPE_EMPTY: return "empty";
        case VTYPE_NULL: return "null";
        case VTYPE_BOOL: return u.bVal != 0 ? "b:true" : "b:false";
        case VTYPE_R4:
        case VTYPE_R8: return "d:" + FormatDouble(*ReadDouble(value));
        case VTYPE_DATE: return "date:" + FormatDouble(u.date);
        case VTYPE_I8: return "i8:" + std::to_string(u.llVal);
        case VTYPE_UI8: return "u8:" + std::to_string(static_cast<std::uint64_t>(u.ullVal));
        case VTYPE_ERROR: return "error:" + std::to_string(u.errCode);
        case VTYPE_PWSTR: {
            const auto text = ReadText(value);
            if (!text) {
                return "s:<null pointer, " + std::to_string(u.vtRecWideString.wstrLen) + " units>";
            }
            return "s:\"" + Printable(*text) + "\"";
        }
        case VTYPE_PSTR: {
            if (u.vtRecString.pstrVal == nullptr) {
                return "a:<null pointer>";
            }
            std::u16string widened;
            for (std::uint32_t i = 0; i < u.vtRecString.strLen; ++i) {
                widened += static_cast<char16_t>(static_cast<unsigned char>(u.vtRecString.pstrVal[i]));
            }
            return "a:\"" + Printable(widened) + "\"";
        }
        case VTYPE_BLOB: return "blob:" + std::to_string(u.vtRecString.strLen) + " bytes";
        default: {
            if (const auto number = ReadInt(value)) {
                return "i:" + std::to_string(*number);
            }
            char text[24];
            std::snprintf(text, sizeof text, "vt:0x%04X", static_cast<unsigned>(type));
            return text;
        }
    }
}

std::optional<V8Variant> ParseValue(HostMemory& memory, std::u16string_view notation) {
    if (notation == u"empty") {
        return MakeEmpty();
    }
    if (StartsWith(notation, u"s:")) {
        return MakeText(memory, notation.substr(2));
    }
    const std::string rest = Narrow(notation.size() > 2 ? notation.substr(2) : std::u16string_view());
    if (rest.empty() || rest.find_first_of(" \t") != std::string::npos) {
        return std::nullopt;
    }
    if (StartsWith(notation, u"b:")) {
        if (rest == "true" || rest == "1") {
            return MakeBool(true);
        }
        if (rest == "false" || rest == "0") {
            return MakeBool(false);
        }
        return std::nullopt;
    }
    char* end = nullptr;
    if (StartsWith(notation, u"i:")) {
        const long long number = std::strtoll(rest.c_str(), &end, 10);
        if (*end != '\0' || number < std::numeric_limits<std::int32_t>::min() ||
            number > std::numeric_limits<std::int32_t>::max()) {
            return std::nullopt;
        }
        return MakeInt(static_cast<std::int32_t>(number));
    }
    if (StartsWith(notation, u"d:")) {
        const double number = std::strtod(rest.c_str(), &end);
        if (*end != '\0' || !std::isfinite(number)) {
            return std::nullopt;
        }
        return MakeDouble(number);
    }
    return std::nullopt;
}

void Clear(HostMemory& memory, V8Variant& value) noexcept {
    try {
        switch (TypeOf(value)) {
            case VTYPE_PWSTR: memory.Release(value.VarEnum.vtRecWideString.pwstrVal); break;
            case VTYPE_PSTR:
            case VTYPE_BLOB: memory.Release(value.VarEnum.vtRecString.pstrVal); break;
            default: break;
        }
    } catch (...) {
        // Only the bad-free record could fail to grow; the record is emptied regardless.
    }
    value = MakeEmpty();
}

Values::Values(HostMemory& memory, std::size_t count) : memory_(memory), records_(count, MakeEmpty()) {}

Values::~Values() {
    for (V8Variant& record : records_) {
        Clear(memory_, record);
    }
}

void Values::Set(std::size_t index, const V8Variant& value) {
    V8Variant& record = records_.at(index);
    Clear(memory_, record);
    record = value;
}

}  // namespace hostsim
