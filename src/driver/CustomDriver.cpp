#include "driver/CustomDriver.h"

#include <cstdint>
#include <exception>
#include <limits>
#include <new>

#include "common/Error.h"
#include "common/Text.h"
#include "log/Log.h"
#include "platform/Platform.h"

constinit const TExportTable TCustomDriver::Exports{};

namespace {

const char16_t kTypeUnacceptable[] = u"Property type unacceptable";

// The text of a narrow host string. The host's narrow strings carry no code
// page, and the component's own narrow setter writes UTF-8, so UTF-8 it is.
std::u16string NarrowText(const V8Variant& v) {
    const char* text = v.VarEnum.vtRecString.pstrVal;
    if (!text) return {};
    return FromUtf8(std::string_view(text, v.VarEnum.vtRecString.strLen));
}

}  // namespace

TClassReg& TCustomDriver::RegisterTable(TV8UserClass AFactory, const TExportTable& AExports,
                                        std::u16string_view AExtension) {
    TClassReg& reg = ClassRegistry().RegisterClass(AFactory, std::u16string(AExtension), std::u16string(AExtension));
    // Every exported method is a function: the standard's methods all return a value.
    ForEachMethod(AExports, [&](const TMethodRow& row) {
        if (const auto* meth = std::get_if<ExportMethAttribute>(&row.Attribute)) {
            reg.AddFunc(std::u16string(row.Name), std::u16string(meth->NameLoc()), row.Execute, meth->ParamCount());
        }
    });
    ForEachProperty(AExports, [&](const TPropertyRow& row) {
        reg.AddProp(std::u16string(row.Name), std::u16string(row.Attribute.NameLoc()), true, !row.Attribute.ReadOnly(),
                    &TCustomDriver::PropGetSet);
    });
    return reg;
}

void TCustomDriver::TieLog(std::u16string_view AExtension) {
    TLog::SetLogFileName(std::u16string(AExtension));
    TLog::Start();
}

void TCustomDriver::SetSuccess(V8Variant* RetValue) {
    FLastResult.Clear();
    if (RetValue) V8SetBool(*RetValue, true);
}

void TCustomDriver::SetFailure(const std::u16string& AMessage, V8Variant* RetValue, int32_t AErrorCode) {
    FLastResult.SetError(AMessage, AErrorCode);
    if (RetValue) V8SetBool(*RetValue, false);
    TLog::Append(u"Exception", FLastResult.ErrorDescription, TLog::mtError);
}

void TCustomDriver::SetHostText(V8Variant& AValue, std::u16string_view AText) {
    if (!V8SetWString(AValue, AText)) throw EComponentError(u"The host could not allocate memory for a string");
}

bool TCustomDriver::PropertyGetSet(const std::u16string& PropName, V8Variant& propValue, bool Get) {
    bool found = false;
    ForEachProperty(*FClass, [&](const TPropertyRow& row) {
        if (!platform::SameTextIgnoreCase(PropName, row.Name) &&
            !platform::SameTextIgnoreCase(PropName, row.Attribute.NameLoc())) {
            return;
        }
        if (Get) {
            ReadProperty(row.Access, propValue);
        } else {
            if (row.Attribute.ReadOnly()) throw EComponentError(u"Property is read-only: " + PropName);
            WriteProperty(row.Access, propValue);
        }
        found = true;
    });
    if (!found) throw EComponentError(u"Property not found: " + PropName);
    return true;
}

bool TCustomDriver::PropertySet(const std::u16string& PropName, V8Variant& propValue) {
    return PropertyGetSet(PropName, propValue, false);
}

bool TCustomDriver::PropGetSet(TV8UserObject& self, const std::u16string& PropName, V8Variant& propValue, bool Get,
                               TV8AddInDefBaseEx*&) {
    return dynamic_cast<TCustomDriver&>(self).PropertyGetSet(PropName, propValue, Get);
}

void TCustomDriver::ReadProperty(const TPropertyAccess& AAccess, V8Variant& AValue) {
    if (!AAccess.Get) throw EComponentError(kTypeUnacceptable);
    const TPropertyValue value = AAccess.Get(*this);
    switch (AAccess.Kind) {
        case TPropertyKind::Integer:
        case TPropertyKind::Int64: {
            const int64_t number = std::get<int64_t>(value);
            // A 64-bit value that a 32-bit integer cannot hold goes as a
            // double, so that the host at least sees the right number.
            if (number < std::numeric_limits<int32_t>::min() || number > std::numeric_limits<int32_t>::max()) {
                V8SetDouble(AValue, static_cast<double>(number));
            } else {
                V8SetInt(AValue, static_cast<int32_t>(number));
            }
            break;
        }
        case TPropertyKind::Boolean: V8SetBool(AValue, std::get<bool>(value)); break;
        case TPropertyKind::Float: V8SetDouble(AValue, std::get<double>(value)); break;
        case TPropertyKind::String: SetHostText(AValue, std::get<std::u16string>(value)); break;
        default: throw EComponentError(kTypeUnacceptable);
    }
}

void TCustomDriver::WriteProperty(const TPropertyAccess& AAccess, const V8Variant& AValue) {
    if (!AAccess.Set) throw EComponentError(kTypeUnacceptable);
    TPropertyValue value;
    switch (AAccess.Kind) {
        case TPropertyKind::Integer:
        case TPropertyKind::Int64: value = static_cast<int64_t>(V8AsInteger(AValue)); break;
        case TPropertyKind::Boolean: value = V8AsBoolean(AValue); break;
        case TPropertyKind::Float: value = V8AsDouble(AValue); break;
        case TPropertyKind::String:
            if (!V8IsString(AValue)) throw EComponentError(u"Value type unacceptable");
            value = V8BaseType(AValue) == VTYPE_PSTR ? NarrowText(AValue) : V8AsWString(AValue);
            break;
        default: throw EComponentError(kTypeUnacceptable);
    }
    AAccess.Set(*this, value);
}
