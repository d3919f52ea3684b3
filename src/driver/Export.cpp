#include "driver/Export.h"

#include "common/Error.h"

TTypeValue GetTypeValue(TPropertyKind AKind) {
    switch (AKind) {
        case TPropertyKind::Integer:
        case TPropertyKind::Int64:
        case TPropertyKind::Float: return tvNumber;
        // Characters are named a string although their values are refused.
        case TPropertyKind::Char:
        case TPropertyKind::String: return tvString;
        case TPropertyKind::Boolean: return tvBoolean;
        default: return tvUnknown;
    }
}

std::u16string TypeValueToString(TTypeValue AValue) {
    switch (AValue) {
        case tvString: return u"String";
        case tvNumber: return u"Number";
        case tvBoolean: return u"Boolean";
        case tvUnknown: return u"Unknown";
    }
    throw EComponentError(u"Enum value unacceptable");
}
