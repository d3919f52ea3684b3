#include "driver/TestDrivers.h"

#include "common/Error.h"
#include "emulator/Driver.h"

namespace {

constexpr TMethodRow kSampleMethods[] = {
    // Two descriptors on one method: registered once per descriptor.
    {u"Ping", HostCall<&TSampleDriver::Ping>, ExportMethAttribute(u"Пинг", 0)},
    {u"Ping", HostCall<&TSampleDriver::Ping>, ExportMethAttribute(u"Проверка", 1)},
    // Two descriptors on one action: listed twice, run once.
    {u"Refresh", RunAction<&TSampleDriver::Refresh>, AdditionalActionAttribute(u"Обновить")},
    {u"Refresh", RunAction<&TSampleDriver::Refresh>, AdditionalActionAttribute(u"Обновить ещё")},
};

constexpr TPropertyRow kSampleProperties[] = {
    {u"Count", Field<&TSampleDriver::Count>(), ExportPropAttribute(u"Количество", u"Количество штук", u"5", false)},
    {u"Big", Field<&TSampleDriver::Big>(), ExportPropAttribute(u"Большое", u"Большое", u"0", false)},
    {u"Flag", Field<&TSampleDriver::Flag>(), ExportPropAttribute(u"Флаг", u"Флаг", u"false", false)},
    {u"Ratio", Field<&TSampleDriver::Ratio>(), ExportPropAttribute(u"Доля", u"Доля", u"0.5", false)},
    {u"Text", Field<&TSampleDriver::Text>(), ExportPropAttribute(u"Текст", u"Текст", u"", false)},
    {u"Serial", Field<&TSampleDriver::Serial>(), ExportPropAttribute(u"Номер", u"Заводской номер", u"", true)},
    {u"Letter", Field<&TSampleDriver::Letter>(), ExportPropAttribute(u"Буква", u"Буква", u"x", false)},
    {u"Mode", Field<&TSampleDriver::Mode>(), ExportPropAttribute(u"Режим", u"Режим", u"mSlow", false)},
    {u"Twice", Accessors<&TSampleDriver::GetTwice, &TSampleDriver::SetTwice>(),
     ExportPropAttribute(u"Дважды", u"Дважды", u"1", false)},
    {u"Twice", Accessors<&TSampleDriver::GetTwice, &TSampleDriver::SetTwice>(),
     ExportPropAttribute(u"ЕщёРаз", u"Ещё раз", u"2", false)},
};

}  // namespace

constinit const TExportTable TSampleDriver::Exports{&TCommonDriver::Exports, kSampleMethods, kSampleProperties};

void TSampleDriver::Open() {
    ++OpenCount;
    if (FailOpen) throw EComponentError(u"Port COM9 is busy");
    TCommonDriver::Open();
}

void TSampleDriver::Close() {
    ++CloseCount;
    TCommonDriver::Close();
    if (FailClose) throw EComponentError(u"Port COM9 did not close");
}

bool TSampleDriver::Ping(V8Variant& RetValue, V8Variant*, int32_t, TV8AddInDefBaseEx*&) {
    V8SetInt(RetValue, ++PingCalls);
    return true;
}

void TBadTypeDriver::UpdateDriverInfo(TDriverInfo& ADriverInfo) {
    TCommonDriver::UpdateDriverInfo(ADriverInfo);
    ADriverInfo.EquipmentType = static_cast<TEquipmentType::TValue>(TEquipmentType::etUnknown + 1);
}

void RegisterDrivers() {
    TCommonDriver::RegisterDriver<TDriver>(u"tarvik", u"Драйвер эмулятор считывателя магнитных карт",
                                           u"Драйвер эмулятор считывателя магнитных карт 1С:Совместимо NativeAPI");
    TCustomDriver::RegisterClass<TSampleDriver>(u"Sample");
    TCustomDriver::RegisterClass<TBareDriver>(u"Bare");
    TCustomDriver::RegisterClass<TPlainDriver>(u"Plain");
    TCustomDriver::RegisterClass<TBadTypeDriver>(u"BadType");
}
