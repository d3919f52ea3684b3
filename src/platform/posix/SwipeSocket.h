// Swipes from other programs on Linux: each connected emulator listens on a
// Unix stream socket of its own, in the user's runtime folder, named with
// its process id. One request per connection:
//   request  uint32 command, uint32 size, then `size` bytes of data
//   reply    int32 status, uint32 size, then `size` bytes of answer
// (all little-endian, as on the machines this runs on). Only the user's own
// processes can reach the socket (mode 0600 in a folder only the user writes).
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct TSwipeReply {
    int32_t status = 0;
    std::string answer;
};

// Called on the listener's thread for each request; the peer's process id from the kernel.
using TSwipeHandler = std::function<TSwipeReply(uint32_t ACommand, const std::string& AData, pid_t APeer)>;

// $XDG_RUNTIME_DIR when it is the user's own folder, else /tmp/mcr-swipe-UID
// (made 0700; refused when someone else owns it). Throws EComponentError.
std::filesystem::path SwipeSocketFolder();

class TSwipeListener {
public:
    // Binds the socket and starts the listener's thread; throws EComponentError.
    // A request of more than AMaxData bytes gets the status AOversized unread.
    TSwipeListener(TSwipeHandler AHandler, std::size_t AMaxData, int32_t AOversized);
    // Stops the thread (a request being handled is finished first) and removes the socket.
    ~TSwipeListener();
    TSwipeListener(const TSwipeListener&) = delete;
    TSwipeListener& operator=(const TSwipeListener&) = delete;

    const std::filesystem::path& Path() const;

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
};

struct TSwipeEndpoint {
    std::filesystem::path path;
    pid_t pid = 0;
};

// The sockets of living processes, oldest process first; files left by
// processes that have ended are removed on the way.
std::vector<TSwipeEndpoint> FindSwipeEndpoints();

// One request; nothing, with `AFailure` set, when the socket cannot be
// reached or gives no whole reply within `ATimeout`.
std::optional<TSwipeReply> SendSwipe(const std::filesystem::path& APath, uint32_t ACommand, const std::string& AData,
                                     std::chrono::milliseconds ATimeout, bool& ATimedOut);

}  // namespace platform
