#include "emulator/Driver.h"

#include <algorithm>
#include <iterator>
#include <thread>
#include <utility>

#include "emulator/Escapes.h"
#include "emulator/SwipeHandler.h"
#include "log/Log.h"
#include "platform/Platform.h"

// Declaration order is the order the host sees the settings in.
constinit const TPropertyRow TDriver::kProperties[] = {
    {u"Transparency", Field<&TDriver::FTransparency>(),
     ExportPropAttribute(u"Прозрачность", u"Прозрачность", u"20", false)},
    {u"Barcode1", Element<&TDriver::FBarcodes, 0>(),
     ExportPropAttribute(u"Штрихкод1", u"Штрихкод1", u"123456789", false)},
    {u"Barcode2", Element<&TDriver::FBarcodes, 1>(),
     ExportPropAttribute(u"Штрихкод2", u"Штрихкод2", u"ABCDEFGH", false)},
    {u"Barcode3", Element<&TDriver::FBarcodes, 2>(), ExportPropAttribute(u"Штрихкод3", u"Штрихкод3", u"", false)},
    {u"Barcode4", Element<&TDriver::FBarcodes, 3>(), ExportPropAttribute(u"Штрихкод4", u"Штрихкод4", u"", false)},
    {u"Barcode5", Element<&TDriver::FBarcodes, 4>(), ExportPropAttribute(u"Штрихкод5", u"Штрихкод5", u"", false)},
    {u"Barcode6", Element<&TDriver::FBarcodes, 5>(), ExportPropAttribute(u"Штрихкод6", u"Штрихкод6", u"", false)},
    {u"Barcode7", Element<&TDriver::FBarcodes, 6>(), ExportPropAttribute(u"Штрихкод7", u"Штрихкод7", u"", false)},
    {u"Barcode8", Element<&TDriver::FBarcodes, 7>(), ExportPropAttribute(u"Штрихкод8", u"Штрихкод8", u"", false)},
    {u"Delay", Accessors<&TDriver::Delay, &TDriver::SetDelay>(), ExportPropAttribute(u"Задержка", u"Задержка", u"2000", false)},
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

namespace {

const char16_t kCaption[] = u"Эмулятор MCR";
const char16_t kEventMessage[] = u"TracksData";
const char16_t kDeliveryLogCaption[] = u"Cчитанные данные в <>";  // the first letter is a Latin C

}  // namespace

TDriver::TDriver() : FfmBarcodes(NewBarcodesForm()) {
    FfmBarcodes->SetCaption(kCaption);
    FfmBarcodes->SetOnGetData([this](const std::u16string& AData) { DataEvent(AData); });
    FfmBarcodes->SetOnGetDelay([this] { return std::max(FDelay.load(), kMinDelay); });
    FfmBarcodes->SetIdentity(NextEmulatorSerial(), DriverInfo.Name);
}

TDriver::~TDriver() {
    // No more data from the window once the thread is waited for.
    FfmBarcodes.reset();
    FThread.join();
    // The base destructor closes the device; the window is no longer there to hide.
}

void TDriver::UpdateDriverInfo(TDriverInfo& ADriverInfo) {
    TCommonDriver::UpdateDriverInfo(ADriverInfo);
    ADriverInfo.EquipmentType = TEquipmentType::etMCR;
}

void TDriver::Open() {
    TCommonDriver::Open();
    // Logging is all or nothing once the device is connected.
    SetLogLevel(TLog::LogLevel() > 0 ? 3 : 0);
    for (std::size_t n = 0; n < kPresetCount; ++n) {
        FfmBarcodes->SetBarcode(static_cast<int>(n), DecodePreset(FBarcodes[n], FIsBase64[n]));
    }
    // The alpha is one byte: Transparency 26 gives 260, which wraps to 4.
    FfmBarcodes->SetAlpha(static_cast<uint8_t>(static_cast<uint32_t>(FTransparency) * 10u));
    // Open before the show: a swipe may come as soon as the window is there.
    FfmBarcodes->SetDeviceOpen(true);
    try {
        FfmBarcodes->Show();
    } catch (...) {
        FfmBarcodes->SetDeviceOpen(false);
        throw;
    }
}

void TDriver::Close() {
    TCommonDriver::Close();
    if (!FfmBarcodes) return;
    FfmBarcodes->SetDeviceOpen(false);
    FfmBarcodes->Hide();
}

void TDriver::TestDevice(std::u16string& ADescription, std::u16string& AInfo) {
    ADescription.clear();
    AInfo.clear();
}

std::u16string TDriver::DecodePreset(const std::u16string& AText, bool AIsBase64) {
    // A plain preset keeps its escapes as typed; the window decodes them when sending.
    if (!AIsBase64) return AText;
    return EscapeText(platform::AnsiToText(DecodeBase64Lenient(AText)));
}

// ---- delivery -----------------------------------------------------------------
//
// FExecuted is raised by DataEvent before the thread starts, so data arriving
// while the thread is still starting joins the pending delivery instead of
// waiting for the thread. A delivery takes FBarcode when its wait ends; data
// that comes after that moment, while the event is being raised, is not lost:
// the same thread makes a further delivery after that data's own full wait.

void TDriver::DataEvent(const std::u16string& AData) {
    {
        std::lock_guard lock(FLock);
        FBarcode = AData;
        if (FExecuted) {
            if (!FNewData) FArrived = TClock::now();
            FNewData = true;
            return;
        }
        FExecuted = true;
        FNewData = true;
        FArrived = TClock::now();
    }
    try {
        // An ended thread has lowered the flag as its last step; waiting for it is short.
        FThread.join();
        FThread.start([this] { DeliverData(); });
    } catch (...) {
        std::lock_guard lock(FLock);
        FExecuted = false;
        throw;
    }
}

int32_t TDriver::EffectiveDelay() {
    int32_t delay = FDelay.load();
    // The host may set Delay meanwhile; a value it sets is never overwritten.
    while (delay < kMinDelay && !FDelay.compare_exchange_weak(delay, kMinDelay)) {
    }
    return delay < kMinDelay ? kMinDelay : delay;
}

void TDriver::RaiseEvent(std::u16string AData) {
    if (!V8) return;  // never connected: there is nobody to tell
    char16_t source[] = u"";
    char16_t message[std::size(kEventMessage)];
    std::char_traits<char16_t>::copy(message, kEventMessage, std::size(kEventMessage));
    V8->ExternalEvent(source, message, AData.data());
}

void TDriver::DeliverData() noexcept {
    for (;;) {
        TClock::time_point arrived;
        {
            std::lock_guard lock(FLock);
            arrived = FArrived;
        }
        // A sleep may end a little early (timer granularity); the delay is a minimum.
        const TClock::time_point deadline = arrived + std::chrono::milliseconds(EffectiveDelay());
        while (TClock::now() < deadline) std::this_thread::sleep_until(deadline);
        std::u16string data;
        {
            // Taken, not copied: nothing reads FBarcode again before DataEvent writes it.
            std::lock_guard lock(FLock);
            data.swap(FBarcode);
            FNewData = false;
        }
        // Neither a failing event service nor a failing log may end the
        // process, and the log entry is made whatever the host did.
        try {
            RaiseEvent(data);
        } catch (...) {
        }
        try {
            Log::d(kDeliveryLogCaption, u"<" + data + u">");
        } catch (...) {
        }
        std::lock_guard lock(FLock);
        if (!FNewData) {
            FExecuted = false;
            return;
        }
    }
}
