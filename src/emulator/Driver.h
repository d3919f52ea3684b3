// The magnetic card reader emulator: the concrete driver with its eighteen
// settings. Values reach the settings only through the host; the defaults of
// the descriptors and of the settings template are never applied here.
//
// Data from the window is handed to the host as the external event
// "TracksData" after the delay, from a delivery thread: one delivery is
// pending at a time and carries the newest data.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "driver/CommonDriver.h"
#include "emulator/BarcodesForm.h"
#include "platform/ModuleThread.h"

class TDriver : public TCommonDriver {
public:
    static constexpr std::size_t kPresetCount = 8;
    static constexpr int32_t kMinDelay = 1000;
    static const TExportTable Exports;

    // Creates the window, hidden, on the calling thread.
    TDriver();
    // The window first, then the delivery thread (a pending delivery is still
    // made), then the base.
    ~TDriver() override;

    // The base's description, then the equipment type: a magnetic card reader.
    static void UpdateDriverInfo(TDriverInfo& ADriverInfo);

    void Open() override;
    void Close() override;
    // Two empty outputs; neither opens the device nor fails.
    void TestDevice(std::u16string& ADescription, std::u16string& AInfo) override;

    // The window's data callback, on the window's thread.
    void DataEvent(const std::u16string& AData);

    // The text the window shows for one preset.
    static std::u16string DecodePreset(const std::u16string& AText, bool AIsBase64);

    int32_t Transparency() const { return FTransparency; }
    int32_t Delay() const { return FDelay.load(); }
    void SetDelay(int32_t AValue) { FDelay.store(AValue); }
    const std::u16string& Barcode(std::size_t AIndex) const { return FBarcodes.at(AIndex); }
    bool IsBase64(std::size_t AIndex) const { return FIsBase64.at(AIndex); }
    // The emulator window, until the destruction begins.
    TBarcodesForm& Form() const { return *FfmBarcodes; }

private:
    using TClock = std::chrono::steady_clock;
    static const TPropertyRow kProperties[];

    void DeliverData() noexcept;
    // Raises Delay to the minimum where it is below; the delay to wait.
    int32_t EffectiveDelay();
    // The external event of one delivery, when the host has connected.
    void RaiseEvent(std::u16string AData);

    int32_t FTransparency = 0;
    std::array<std::u16string, kPresetCount> FBarcodes;  // Barcode1 ... Barcode8
    std::array<bool, kPresetCount> FIsBase64{};
    // Written by the host's SetParameter and by a delivery thread.
    std::atomic<int32_t> FDelay{0};

    std::unique_ptr<TBarcodesForm> FfmBarcodes;

    // What DataEvent and the delivery thread share.
    std::mutex FLock;
    std::u16string FBarcode;       // the newest data, until a delivery takes it
    bool FExecuted = false;        // a delivery is pending or under way
    bool FNewData = false;         // FBarcode has not been taken by a delivery yet
    TClock::time_point FArrived;   // when that data arrived, the start of its wait

    platform::TModuleThread FThread;
};
