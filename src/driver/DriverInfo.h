// The driver description record: what the host learns about the driver from
// GetDescription. One process-wide record, filled when the driver class is
// registered and refreshed whenever a driver object is created.
#pragma once

#include <cstdint>
#include <string>

struct TEquipmentType {
    enum TValue : uint8_t {
        etScanner,
        etMCR,
        etFR,
        etReceiptPrinter,
        etLabelPrinter,
        etCustomerDisplay,
        etDataCollectionTerminal,
        etAcquiringTerminal,
        etScale,
        etPrintingScale,
        etRFIDReader,
        etECR,
        etVideocamera,
        etUnknown
    };
};

// The standard's name of an equipment type; fails with "Enum value unacceptable" outside the list.
std::u16string EquipmentTypeToString(TEquipmentType::TValue AValue);

struct TDriverInfo {
    std::u16string Name;
    std::u16string Description;
    TEquipmentType::TValue EquipmentType = TEquipmentType::etUnknown;
    bool IntegrationComponent = false;
    bool MainDriverInstalled = false;
    std::u16string DriverVersion;
    std::u16string IntegrationComponentVersion;
    std::u16string DownloadURL;
    bool LogIsEnabled = false;
    std::u16string LogPath;

    // Resets the type, the flags and the address; the name, description,
    // versions and log path survive, registration relies on that.
    void Clear();
};

extern TDriverInfo DriverInfo;
