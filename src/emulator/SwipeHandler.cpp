#include "emulator/SwipeHandler.h"

#include <atomic>

#include "common/Text.h"
#include "emulator/FormLogic.h"
#include "log/Log.h"
#include "platform/Platform.h"

namespace {

std::atomic<int> gLastSerial{0};

// Where data came from, in the log of a test run: the sender's process.
void LogSwipe(long ASender, const std::u16string& AMessage) {
    const std::u16string caption =
        u"Swipe from process " + (ASender > 0 ? IntToText(static_cast<int64_t>(ASender)) : std::u16string(u"unknown"));
    try {
        Log::i(caption, AMessage);
    } catch (...) {
        // A log that cannot be written does not stop the swipe.
    }
}

std::u16string Description(const TSwipeDevice& ADevice) {
    std::u16string text = u"emulator " + IntToText(static_cast<int64_t>(ADevice.serial)) + u" of its process";
    if (!ADevice.driverName.empty()) text += u", " + ADevice.driverName;
    return text;
}

}  // namespace

int NextEmulatorSerial() { return ++gLastSerial; }

TSwipeResponse HandleSwipe(const TSwipeIncoming& ARequest, const TSwipeFormState& AForm, const TOnGetData& ADeliver) {
    using swipe::TCommand;
    using swipe::TStatus;
    const swipe::TParsed parsed = swipe::ParseRequest(ARequest.command, ARequest.data, ARequest.size);
    const bool describe = parsed.request && parsed.request->command == TCommand::kDescribe;
    // A sender that gave up (the tool reported no answer) must not see its
    // swipe delivered later, so that a retry does not make two.
    if (ARequest.senderWaiting && !ARequest.senderWaiting()) {
        if (!describe) LogSwipe(ARequest.sender, u"dropped: the sender stopped waiting");
        return {true, parsed.refusal, {}};
    }
    TSwipeOutcome outcome{parsed.refusal, {}};
    if (parsed.request) outcome = ResolveSwipe(*parsed.request, AForm.device.open, AForm.presets);
    swipe::TAnswer answer;
    answer.delay = AForm.delay;
    answer.text = outcome.text;
    answer.presets = AForm.presets;
    answer.device = swipe::DeviceHandle(platform::ProcessId(), AForm.device.serial);
    answer.description = Description(AForm.device);
    answer.open = AForm.device.open;
    if (describe) {
        answer.text = AForm.caption;
        return {false, AForm.device.open ? TStatus::kAccepted : TStatus::kNotConnected, swipe::EncodeAnswer(answer)};
    }
    LogSwipe(ARequest.sender, SwipeLogText(outcome));
    if (outcome.status == TStatus::kAccepted && ADeliver) ADeliver(outcome.text);
    return {false, outcome.status, swipe::EncodeAnswer(answer)};
}
