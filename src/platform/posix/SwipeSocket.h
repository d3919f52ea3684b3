// Swipes from other programs on Linux: each connected emulator listens on a
// Unix stream socket of its own, named with its process id, in one folder per
// account that does not depend on the environment (the account's runtime
// folder /run/user/UID when it is private, else /tmp/mcr-swipe-UID), so that
// a tool started over ssh or by a CI agent finds the desktop's emulators.
// One request per connection:
//   request  uint32 command, uint32 size, then `size` bytes of data
//   reply    int32 status, uint32 size, then `size` bytes of answer
// (all little-endian, as on the machines this runs on). Only the account's
// own processes can reach the socket: its folder is the account's, mode 0700,
// checked before use; the socket itself is 0600 besides.
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

// Called on the listener's thread for each request; the peer's process id
// from the kernel. ASenderWaiting tells, when asked, whether the sender still
// waits for the reply: a request whose sender has given up is not to be acted on.
using TSwipeHandler = std::function<TSwipeReply(uint32_t ACommand, const std::string& AData, pid_t APeer,
                                                const std::function<bool()>& ASenderWaiting)>;

// Why APath cannot hold the sockets (not there, a link, not a folder, another
// account's, open to group or others); empty when it can.
std::u16string SwipeFolderFault(const std::filesystem::path& APath);

// The folder the emulators of this account put their sockets in: /run/user/UID
// when it passes SwipeFolderFault, else /tmp/mcr-swipe-UID (made 0700 when
// missing). Throws EComponentError saying why neither can be used.
std::filesystem::path SwipeSocketFolder();

struct TSwipeFolder {
    std::filesystem::path path;
    std::u16string fault;  // empty: looked in
};

// Every place a process of this account may have put its socket, each once:
// $XDG_RUNTIME_DIR, /run/user/UID, /tmp/mcr-swipe-UID, each checked.
std::vector<TSwipeFolder> SwipeSocketFolders();

class TSwipeListener {
public:
    // Binds the socket in AFolder (empty: SwipeSocketFolder()) and starts the
    // listener's thread; throws EComponentError. A request of more than
    // AMaxData bytes gets the status AOversized unread.
    TSwipeListener(TSwipeHandler AHandler, std::size_t AMaxData, int32_t AOversized,
                   const std::filesystem::path& AFolder = {});
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

// The sockets of living processes in the folders without a fault, oldest
// process first; files left by processes that have ended are removed on the way.
std::vector<TSwipeEndpoint> FindSwipeEndpoints(const std::vector<TSwipeFolder>& AFolders);

// One request, connecting, sending and receiving by AUntil; nothing when the
// socket cannot be reached or gives no whole reply in time, with ATimedOut
// set when time ran out (a listener that is busy, stopped or has a full
// backlog) rather than the socket being gone.
std::optional<TSwipeReply> SendSwipe(const std::filesystem::path& APath, uint32_t ACommand, const std::string& AData,
                                     std::chrono::steady_clock::time_point AUntil, bool& ATimedOut);

}  // namespace platform
