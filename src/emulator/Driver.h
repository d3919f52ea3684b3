// The magnetic card reader emulator: the concrete driver with its eighteen
// settings. Values reach the settings only through the host; the defaults of
// the descriptors and of the settings template are never applied here.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "driver/CommonDriver.h"

class TDriver : public TCommonDriver {
public:
    static constexpr std::size_t kPresetCount = 8;
    static const TExportTable Exports;

    TDriver() = default;
    ~TDriver() override;

    // The base's description, then the equipment type: a magnetic card reader.
    static void UpdateDriverInfo(TDriverInfo& ADriverInfo);

    void Open() override;
    void Close() override;
    // Two empty outputs; neither opens the device nor fails.
    void TestDevice(std::u16string& ADescription, std::u16string& AInfo) override;

    int32_t Transparency() const { return FTransparency; }
    int32_t Delay() const { return FDelay; }
    const std::u16string& Barcode(std::size_t AIndex) const { return FBarcode.at(AIndex); }
    bool IsBase64(std::size_t AIndex) const { return FIsBase64.at(AIndex); }

private:
    static const TPropertyRow kProperties[];

    int32_t FTransparency = 0;
    std::array<std::u16string, kPresetCount> FBarcode;
    std::array<bool, kPresetCount> FIsBase64{};
    int32_t FDelay = 0;
};
