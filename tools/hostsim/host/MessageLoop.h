// Components may create windows or post to the thread that made them, so
// on Windows the thread that creates and calls them keeps its message queue
// moving. On Linux the component's windows have a thread of their own and
// events arrive from it: the host's thread only waits.
#pragma once

#include <chrono>

namespace hostsim {

// Dispatches this thread's messages for `duration` (zero: only what is queued now).
// False when WM_QUIT arrived; it is posted again for the caller's loop.
bool PumpMessages(std::chrono::milliseconds duration);

}  // namespace hostsim

