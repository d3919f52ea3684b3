// Components may create windows or post to the thread that made them, so
// the thread that creates and calls them keeps its message queue moving.
#pragma once

#ifdef _WIN32

#include <chrono>

namespace hostsim {

// Dispatches this thread's messages for `duration` (zero: only what is queued now).
// False when WM_QUIT arrived; it is posted again for the caller's loop.
bool PumpMessages(std::chrono::milliseconds duration);

}  // namespace hostsim

#endif
