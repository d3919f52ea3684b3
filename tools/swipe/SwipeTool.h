// The swipe tool's logic, the same on every platform: the options, the
// choice of the emulator, the exit codes and the messages. Each platform
// gives it the emulators it can reach, each described by itself, a way to
// send a request to one, and the console (McrSwipe.cpp: window messages;
// mcrswipe_posix.cpp: sockets).
//   0 accepted (or listed), 2 usage or several open emulators, 3 no open
//   emulator, 4 refused, 5 no answer in 5 s, 6 the emulator's process is out
//   of the tool's reach (Windows: it runs as administrator, the tool does not).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "emulator/Swipe.h"

namespace swipetool {

enum ExitCode : int { kAccepted = 0, kUsage = 2, kNoEmulator = 3, kRefused = 4, kNoAnswer = 5, kDenied = 6 };

struct TReply {
    bool answered = false;  // false: no answer within the timeout, or one of the two below
    bool gone = false;      // the emulator went away meanwhile
    bool denied = false;    // the system would not deliver the request to the emulator's process
    swipe::TStatus status{};
    std::optional<swipe::TAnswer> answer;
};

struct TEmulator {
    long pid = 0;
    std::uintptr_t window = 0;  // Windows: the emulator's window
    std::string socket;         // Linux: the emulator's socket
    // Its answer to kDescribe, asked while finding it: handle, caption,
    // description, open or not (the status, kAccepted when open), presets.
    TReply described;
};

// The platform's part.
extern const char16_t kProgram[];
std::vector<TEmulator> FindEmulators();
TReply Send(const TEmulator& AEmulator, const swipe::TRequest& ARequest);
// Where the tool looked, for the message that found nothing.
std::u16string Whereabouts();
void Write(bool AError, const std::u16string& AText);

// The whole run for the arguments after the program's name; the exit code.
int Main(const std::vector<std::u16string>& AArguments);

}  // namespace swipetool
