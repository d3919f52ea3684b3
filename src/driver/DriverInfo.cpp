#include "driver/DriverInfo.h"

#include <iterator>

#include "common/Error.h"

// Constant-initialized: the registration fills it from another translation
// unit's dynamic initializer, which may run first.
constinit TDriverInfo DriverInfo;

std::u16string EquipmentTypeToString(TEquipmentType::TValue AValue) {
    static const char16_t* const kNames[] = {
        u"СканерШтрихкода",      u"СчитывательМагнитныхКарт", u"ФискальныйРегистратор", u"ПринтерЧеков",
        u"ПринтерЭтикеток",      u"ДисплейПокупателя",        u"ТерминалСбораДанных",   u"ЭквайринговыйТерминал",
        u"ЭлектронныеВесы",      u"ВесыСПечатьюЭтикеток",     u"СчитывательRFID",       u"ККТ",
        u"Видеокамера",          u"НеизвестныйТипОборудования"};
    static_assert(std::size(kNames) == TEquipmentType::etUnknown + 1);
    if (AValue >= std::size(kNames)) throw EComponentError(u"Enum value unacceptable");
    return kNames[AValue];
}

void TDriverInfo::Clear() {
    EquipmentType = TEquipmentType::etUnknown;
    IntegrationComponent = false;
    MainDriverInstalled = false;
    LogIsEnabled = false;
    DownloadURL.clear();
}
