// The swipe socket: requests and replies over a real socket in a private
// runtime folder, and what a hostile or careless peer may do to it.
#include <doctest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/posix/SwipeSocket.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// XDG_RUNTIME_DIR pointed at a fresh folder for the test's life.
struct TRuntimeFolder {
    fs::path path = fs::temp_directory_path() / ("mcr-swipe-test-" + std::to_string(::getpid()));
    std::string previous;
    bool had = false;
    TRuntimeFolder() {
        fs::create_directory(path);
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::replace);
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) had = true, previous = old;
        ::setenv("XDG_RUNTIME_DIR", path.c_str(), 1);
    }
    ~TRuntimeFolder() {
        had ? ::setenv("XDG_RUNTIME_DIR", previous.c_str(), 1) : ::unsetenv("XDG_RUNTIME_DIR");
        fs::remove_all(path);
    }
};

constexpr int32_t kOversized = 77;

platform::TSwipeReply Echo(uint32_t ACommand, const std::string& AData, pid_t APeer) {
    return {static_cast<int32_t>(ACommand), AData + "/" + std::to_string(APeer)};
}

}  // namespace

TEST_CASE("swipe socket: a request reaches the handler with the peer's pid, and the reply comes back") {
    TRuntimeFolder runtime;
    std::string path;
    {
        platform::TSwipeListener listener(&Echo, 16, kOversized);
        path = listener.Path();
        struct stat info {};
        REQUIRE(::stat(path.c_str(), &info) == 0);
        CHECK((info.st_mode & 0777) == 0600);
        const auto found = platform::FindSwipeEndpoints();
        REQUIRE(found.size() == 1);
        CHECK(found[0].pid == ::getpid());
        bool timedOut = true;
        const auto reply = platform::SendSwipe(path, 5, "abc", 2s, timedOut);
        REQUIRE(reply);
        CHECK(reply->status == 5);
        CHECK(reply->answer == "abc/" + std::to_string(::getpid()));
        // Oversized data is refused without being read.
        const auto big = platform::SendSwipe(path, 5, std::string(17, 'x'), 2s, timedOut);
        REQUIRE(big);
        CHECK(big->status == kOversized);
        CHECK(big->answer.empty());
    }
    CHECK_FALSE(fs::exists(path));
    bool timedOut = true;
    CHECK_FALSE(platform::SendSwipe(path, 5, "abc", 1s, timedOut));
    CHECK_FALSE(timedOut);
}

TEST_CASE("swipe socket: a silent or half-written peer does not hold the listener, and stale files are dropped") {
    TRuntimeFolder runtime;
    // The file of a process that has ended: a pid far above the kernel's limit.
    const fs::path stale = runtime.path / "mcr-swipe-2147483646-0.sock";
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", stale.c_str());
        REQUIRE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
        ::close(fd);
    }
    platform::TSwipeListener listener(&Echo, 16, kOversized);
    CHECK(platform::FindSwipeEndpoints().size() == 1);
    CHECK_FALSE(fs::exists(stale));

    // A peer that sends half a header and waits: the next request is served once it is given up on.
    const int silent = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", listener.Path().c_str());
    REQUIRE(::connect(silent, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
    REQUIRE(::send(silent, "\x01\x00", 2, 0) == 2);
    bool timedOut = false;
    const auto reply = platform::SendSwipe(listener.Path(), 9, "x", 10s, timedOut);
    ::close(silent);
    REQUIRE(reply);
    CHECK(reply->status == 9);
}
