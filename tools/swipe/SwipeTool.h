// The swipe tool's logic, the same on every platform: the options, the
// choice of the emulator, the exit codes and the messages. Each platform
// gives it the emulators it can reach, a way to send a request to one, and
// the console (McrSwipe.cpp: window messages; mcrswipe_posix.cpp: sockets).
//   0 accepted, 2 usage, 3 no connected emulator, 4 refused, 5 no answer in 5 s.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "emulator/Swipe.h"

namespace swipetool {

enum ExitCode : int { kAccepted = 0, kUsage = 2, kNoEmulator = 3, kRefused = 4, kNoAnswer = 5 };

struct TEmulator {
    long pid = 0;
    std::u16string caption;
    bool connected = false;
    std::uintptr_t window = 0;  // Windows: the emulator's window
    std::string socket;         // Linux: the emulator's socket
};

struct TReply {
    bool answered = false;  // false: no answer within the timeout
    bool gone = false;      // the emulator went away meanwhile
    swipe::TStatus status{};
    std::optional<swipe::TAnswer> answer;
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
