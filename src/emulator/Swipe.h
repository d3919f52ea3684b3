// Swipes from other programs: the message a test tool sends to a connected
// emulator window, the window's answer, and the checks every payload passes
// before anything uses it. Portable, so that every transport (window
// messages on Windows, a local socket elsewhere) shares the checks, the
// status codes and the messages.
//
// The payload: a command code, and data of `size` bytes.
//   kSwipeText    the text to swipe as UTF-16 units, no terminator, at most
//                 kMaxTextChars characters; its escapes are decoded by the
//                 window as the edit box's are
//   kSwipePreset  a 32-bit preset number, 1 to 8
//   kDescribe     no data; the answer introduces the emulator: its handle,
//                 caption, description, whether it is open, its presets
// The status is the sender's answer; with it the window may send an answer
// record (kAnswer) back to the sender: the delivery's delay and text, the
// reason of a refusal, the presets and who the emulator is.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace swipe {

// The window class of every emulator window, by which the tool finds them.
inline constexpr char16_t kWindowClass[] = u"McrEmulator.CardSwipeWindow";

enum class TCommand : uint32_t {
    kSwipeText = 0x4D435201,
    kSwipePreset = 0x4D435202,
    kDescribe = 0x4D435203,
    kAnswer = 0x4D435280,  // from the window back to the sender
};

// 0 is what a window answers that does not know the protocol.
enum class TStatus : int32_t {
    kAccepted = 1,
    kNotConnected = 2,
    kEmpty = 3,
    kTooLong = 4,
    kBadEscape = 5,
    kEmptyPreset = 6,
    kBadPayload = 7,
    kBadPreset = 8,
    kUnknownCommand = 9,
};

// The limit of a text swipe, in characters as the user counts them (code
// points, escapes counted as typed). A character takes up to two UTF-16
// units, so the payload may need four bytes for each.
inline constexpr std::size_t kMaxTextChars = 32768;
inline constexpr std::size_t kMaxDataBytes = 4 * kMaxTextChars;
inline constexpr int kPresetCount = 8;

// Code points: a surrogate pair counts once, a lone surrogate once.
std::size_t CountCharacters(std::u16string_view AText);

// "PID-N": one emulator among all, N its serial within process PID (1 for
// the first driver object's). The same form on every platform.
std::u16string DeviceHandle(long APid, int ASerial);
// Nothing when the text is not a handle.
struct TDeviceId {
    long pid = 0;
    int serial = 0;
};
std::optional<TDeviceId> ParseDeviceHandle(std::u16string_view AText);

struct TRequest {
    TCommand command = TCommand::kDescribe;
    std::u16string text;  // kSwipeText
    int preset = 0;       // kSwipePreset, 1 to 8
};

// A payload as it arrived: checked before any byte is read, and no byte is
// read beyond `size`. A request, or the refusal.
struct TParsed {
    std::optional<TRequest> request;
    TStatus refusal = TStatus::kBadPayload;
};
TParsed ParseRequest(uint64_t ACommand, const void* AData, std::size_t ASize);

// The payload bytes of a request, as ParseRequest reads them back.
std::string EncodeRequest(const TRequest& ARequest);

struct TAnswer {
    int32_t delay = 0;     // ms until the event, for an accepted swipe
    std::u16string text;   // the text to be delivered, the refusal's detail, or for kDescribe the caption
    std::array<std::u16string, kPresetCount> presets;
    std::u16string device;       // its handle, DeviceHandle
    std::u16string description;  // its serial in the process and the driver's name
    bool open = false;           // the driver's device is open: swipes are taken
};
std::string EncodeAnswer(const TAnswer& AAnswer);
// Nothing when the bytes are not a well-formed answer.
std::optional<TAnswer> DecodeAnswer(const void* AData, std::size_t ASize);

// Why a swipe was refused, for the tool's standard error and the log.
std::u16string StatusText(TStatus AStatus);

// Card text for a console line: control characters (below 32, and 127) as
// "<0xHH>", everything else as it is.
std::u16string ShowControls(std::u16string_view AText);

}  // namespace swipe
