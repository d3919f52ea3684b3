#include "emulator/Driver.h"

// Declaration order is the order the host sees the settings in.
constinit const TPropertyRow TDriver::kProperties[] = {
    {u"Transparency", Field<&TDriver::FTransparency>(),
     ExportPropAttribute(u"Прозрачность", u"Прозрачность", u"20", false)},
    {u"Barcode1", Element<&TDriver::FBarcode, 0>(),
     ExportPropAttribute(u"Штрихкод1", u"Штрихкод1", u"123456789", false)},
    {u"Barcode2", Element<&TDriver::FBarcode, 1>(),
     ExportPropAttribute(u"Штрихкод2", u"Штрихкод2", u"ABCDEFGH", false)},
    {u"Barcode3", Element<&TDriver::FBarcode, 2>(), ExportPropAttribute(u"Штрихкод3", u"Штрихкод3", u"", false)},
    {u"Barcode4", Element<&TDriver::FBarcode, 3>(), ExportPropAttribute(u"Штрихкод4", u"Штрихкод4", u"", false)},
    {u"Barcode5", Element<&TDriver::FBarcode, 4>(), ExportPropAttribute(u"Штрихкод5", u"Штрихкод5", u"", false)},
    {u"Barcode6", Element<&TDriver::FBarcode, 5>(), ExportPropAttribute(u"Штрихкод6", u"Штрихкод6", u"", false)},
    {u"Barcode7", Element<&TDriver::FBarcode, 6>(), ExportPropAttribute(u"Штрихкод7", u"Штрихкод7", u"", false)},
    {u"Barcode8", Element<&TDriver::FBarcode, 7>(), ExportPropAttribute(u"Штрихкод8", u"Штрихкод8", u"", false)},
    {u"Delay", Field<&TDriver::FDelay>(), ExportPropAttribute(u"Задержка", u"Задержка", u"2000", false)},
    {u"IsBase64_1", Element<&TDriver::FIsBase64, 0>(),
     ExportPropAttribute(u"IsBase64_1", u"IsBase64_1", u"false", false)},
    {u"IsBase64_2", Element<&TDriver::FIsBase64, 1>(),
     ExportPropAttribute(u"IsBase64_2", u"IsBase64_2", u"false", false)},
    {u"IsBase64_3", Element<&TDriver::FIsBase64, 2>(),
     ExportPropAttribute(u"IsBase64_3", u"IsBase64_3", u"false", false)},
    {u"IsBase64_4", Element<&TDriver::FIsBase64, 3>(),
     ExportPropAttribute(u"IsBase64_4", u"IsBase64_4", u"false", false)},
    {u"IsBase64_5", Element<&TDriver::FIsBase64, 4>(),
     ExportPropAttribute(u"IsBase64_5", u"IsBase64_5", u"false", false)},
    {u"IsBase64_6", Element<&TDriver::FIsBase64, 5>(),
     ExportPropAttribute(u"IsBase64_6", u"IsBase64_6", u"false", false)},
    {u"IsBase64_7", Element<&TDriver::FIsBase64, 6>(),
     ExportPropAttribute(u"IsBase64_7", u"IsBase64_7", u"false", false)},
    {u"IsBase64_8", Element<&TDriver::FIsBase64, 7>(),
     ExportPropAttribute(u"IsBase64_8", u"IsBase64_8", u"false", false)},
};

constinit const TExportTable TDriver::Exports{&TCommonDriver::Exports, {}, kProperties};

TDriver::~TDriver() {
    try {
        Close();
    } catch (...) {
        // The host is destroying the object; there is nobody to tell.
    }
}

void TDriver::UpdateDriverInfo(TDriverInfo& ADriverInfo) {
    TCommonDriver::UpdateDriverInfo(ADriverInfo);
    ADriverInfo.EquipmentType = TEquipmentType::etMCR;
}

void TDriver::Open() { TCommonDriver::Open(); }

void TDriver::Close() { TCommonDriver::Close(); }

void TDriver::TestDevice(std::u16string& ADescription, std::u16string& AInfo) {
    ADescription.clear();
    AInfo.clear();
}
