// A swipe from another program as every emulator window handles it, whatever
// carried it (window messages on Windows, a socket on Linux): the payload
// checked and resolved against the presets, the log entry, the delivery to
// the driver and the answer record. The windows only move the bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "emulator/BarcodesForm.h"
#include "emulator/Swipe.h"

// Who the emulator is to the swipe tools, and whether it takes swipes: the
// driver's device is open from Open until Close, shown or hidden.
struct TSwipeDevice {
    int serial = 0;  // among the process's emulators, from 1
    std::u16string driverName;
    bool open = false;
};

// The driver objects' serials in this process: 1, 2, ... in the order of creation.
int NextEmulatorSerial();

struct TSwipeIncoming {
    uint64_t command = 0;
    const void* data = nullptr;
    std::size_t size = 0;
    long sender = 0;  // the sender's process id; 0 when unknown
    // Whether the sender still waits for the answer; empty when the
    // transport cannot tell, taken as waiting.
    std::function<bool()> senderWaiting;
};

struct TSwipeFormState {
    const TSwipeDevice& device;
    const std::u16string& caption;
    const std::array<std::u16string, TBarcodesForm::kSlotCount>& presets;
    int32_t delay = 0;  // ms an accepted swipe waits for its event
};

struct TSwipeResponse {
    // The sender stopped waiting: nothing was delivered and nothing is to be answered.
    bool dropped = false;
    swipe::TStatus status = swipe::TStatus::kAccepted;
    std::string answer;  // the answer record's bytes
};

// Runs on the window's thread, as a click does; ADeliver gets the text of
// an accepted swipe. A describe request changes nothing: its status says
// whether the device is open.
TSwipeResponse HandleSwipe(const TSwipeIncoming& ARequest, const TSwipeFormState& AForm, const TOnGetData& ADeliver);
