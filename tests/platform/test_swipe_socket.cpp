// The swipe socket: requests and replies over a real socket in a private
// folder, and what a hostile, careless or impatient peer may do to it.
#include <doctest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <list>
#include <string>
#include <thread>

#include "common/Error.h"
#include "platform/posix/FileSupport.h"
#include "platform/posix/SwipeSocket.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using TClock = std::chrono::steady_clock;

namespace {

// A fresh private folder for the test's sockets.
struct TSocketFolder {
    fs::path path = fs::temp_directory_path() / ("mcr-swipe-test-" + std::to_string(::getpid()));
    TSocketFolder() {
        fs::create_directory(path);
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::replace);
    }
    ~TSocketFolder() { fs::remove_all(path); }
    std::vector<platform::TSwipeFolder> Only() const { return {{path, {}}}; }
};

// An environment variable set for the test's life.
struct TEnvironment {
    std::string name, previous;
    bool had = false;
    TEnvironment(std::string AName, const std::string& AValue) : name(std::move(AName)) {
        if (const char* old = std::getenv(name.c_str())) had = true, previous = old;
        ::setenv(name.c_str(), AValue.c_str(), 1);
    }
    ~TEnvironment() { had ? ::setenv(name.c_str(), previous.c_str(), 1) : ::unsetenv(name.c_str()); }
};

constexpr int32_t kOversized = 77;

platform::TSwipeReply Echo(uint32_t ACommand, const std::string& AData, pid_t APeer,
                           const std::function<bool()>& ASenderWaiting) {
    return {static_cast<int32_t>(ACommand), AData + "/" + std::to_string(APeer) + (ASenderWaiting() ? "" : "/gone")};
}

sockaddr_un AddressOf(const fs::path& APath) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", APath.c_str());
    return address;
}

TClock::time_point In(TClock::duration ADelay) { return TClock::now() + ADelay; }

}  // namespace

TEST_CASE("swipe socket: a request reaches the handler with the peer's pid, and the reply comes back") {
    TSocketFolder folder;
    std::string path;
    {
        platform::TSwipeListener listener(&Echo, 16, kOversized, folder.path);
        path = listener.Path();
        struct stat info {};
        REQUIRE(::stat(path.c_str(), &info) == 0);
        CHECK((info.st_mode & 0777) == 0600);
        const auto found = platform::FindSwipeEndpoints(folder.Only());
        REQUIRE(found.size() == 1);
        CHECK(found[0].pid == ::getpid());
        bool timedOut = true;
        const auto reply = platform::SendSwipe(path, 5, "abc", In(2s), timedOut);
        REQUIRE(reply);
        CHECK(reply->status == 5);
        // The sender waits for this reply, so the handler is told so.
        CHECK(reply->answer == "abc/" + std::to_string(::getpid()));
        // Oversized data is refused without being read.
        const auto big = platform::SendSwipe(path, 5, std::string(17, 'x'), In(2s), timedOut);
        REQUIRE(big);
        CHECK(big->status == kOversized);
        CHECK(big->answer.empty());
    }
    CHECK_FALSE(fs::exists(path));
    bool timedOut = true;
    CHECK_FALSE(platform::SendSwipe(path, 5, "abc", In(1s), timedOut));
    CHECK_FALSE(timedOut);
}

TEST_CASE("swipe socket: a silent or half-written peer does not hold the listener, and stale files are dropped") {
    TSocketFolder folder;
    // The file of a process that has ended: a pid far above the kernel's limit.
    const fs::path stale = folder.path / "mcr-swipe-2147483646-0.sock";
    {
        platform::Descriptor fd(::socket(AF_UNIX, SOCK_STREAM, 0));
        const sockaddr_un address = AddressOf(stale);
        REQUIRE(::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0);
    }
    platform::TSwipeListener listener(&Echo, 16, kOversized, folder.path);
    CHECK(platform::FindSwipeEndpoints(folder.Only()).size() == 1);
    CHECK_FALSE(fs::exists(stale));

    // A peer that sends half a header and waits: the next request is served once it is given up on.
    platform::Descriptor silent(::socket(AF_UNIX, SOCK_STREAM, 0));
    const sockaddr_un address = AddressOf(listener.Path());
    REQUIRE(::connect(silent.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0);
    REQUIRE(::send(silent.get(), "\x01\x00", 2, 0) == 2);
    bool timedOut = false;
    const auto reply = platform::SendSwipe(listener.Path(), 9, "x", In(10s), timedOut);
    REQUIRE(reply);
    CHECK(reply->status == 9);
}

TEST_CASE("swipe socket: a sender gives up in time on a listener that takes nothing, and its request is then known as abandoned") {
    TSocketFolder folder;
    std::promise<void> entered;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::promise<bool> waitingAfterRelease;
    std::atomic<int> calls{0};
    platform::TSwipeListener listener(
        [&](uint32_t, const std::string&, pid_t, const std::function<bool()>& ASenderWaiting) {
            if (calls++ == 0) {
                entered.set_value();
                released.wait();
                waitingAfterRelease.set_value(ASenderWaiting());
            }
            return platform::TSwipeReply{};
        },
        16, kOversized, folder.path);
    const sockaddr_un address = AddressOf(listener.Path());

    // A whole request that holds the listener's thread in the handler, as a stopped or busy window does.
    std::list<platform::Descriptor> peers;
    const int first = peers.emplace_back(::socket(AF_UNIX, SOCK_STREAM, 0)).get();
    REQUIRE(::connect(first, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0);
    REQUIRE(::send(first, "\x01\0\0\0\0\0\0\0", 8, 0) == 8);
    REQUIRE(entered.get_future().wait_for(10s) == std::future_status::ready);

    // Connections nobody accepts fill the backlog, after which the kernel refuses more.
    bool full = false;
    for (int i = 0; i < 256 && !full; ++i) {
        const int fd = peers.emplace_back(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0)).get();
        full = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 && errno == EAGAIN;
    }
    REQUIRE(full);

    const auto started = TClock::now();
    bool timedOut = false;
    CHECK_FALSE(platform::SendSwipe(listener.Path(), 1, "", In(300ms), timedOut));
    CHECK(timedOut);
    CHECK(TClock::now() - started < 5s);

    // The first sender gives up; the handler, let go, learns that nobody waits any more.
    peers.clear();
    release.set_value();
    auto waiting = waitingAfterRelease.get_future();
    REQUIRE(waiting.wait_for(10s) == std::future_status::ready);
    CHECK_FALSE(waiting.get());
}

TEST_CASE("swipe socket: only a private folder of the account's own holds the socket") {
    TSocketFolder folder;
    CHECK(platform::SwipeFolderFault(folder.path).empty());
    const fs::path file = folder.path / "file";
    { platform::Descriptor made(::open(file.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600)); }
    const fs::path inner = folder.path / "inner";
    fs::create_directory(inner);
    fs::permissions(inner, fs::perms::owner_all, fs::perm_options::replace);
    const fs::path link = folder.path / "link";
    fs::create_directory_symlink(inner, link);
    for (const fs::path& refused : {fs::path("relative/folder"), folder.path / "missing", file, link}) {
        CHECK_MESSAGE(!platform::SwipeFolderFault(refused).empty(), refused);
    }
    CHECK_THROWS_AS(platform::TSwipeListener(&Echo, 16, kOversized, link), EComponentError);

    // Open to others, or another account's: refused before anything is made in it.
    fs::permissions(inner, fs::perms::group_exec | fs::perms::others_exec, fs::perm_options::add);
    CHECK_THROWS_AS(platform::TSwipeListener(&Echo, 16, kOversized, inner), EComponentError);
    if (::geteuid() == 0) {
        fs::permissions(inner, fs::perms::owner_all, fs::perm_options::replace);
        REQUIRE(::chown(inner.c_str(), 65534, 65534) == 0);
        CHECK_THROWS_AS(platform::TSwipeListener(&Echo, 16, kOversized, inner), EComponentError);
    }
    CHECK(fs::is_empty(inner));

    // A path the socket's address cannot hold is refused, not cut short.
    fs::path deep = folder.path;
    while (deep.native().size() < 120) deep /= "deeper";
    fs::create_directories(deep);
    for (fs::path step = deep; step != folder.path; step = step.parent_path()) {
        fs::permissions(step, fs::perms::owner_all, fs::perm_options::replace);
    }
    CHECK_THROWS_AS(platform::TSwipeListener(&Echo, 16, kOversized, deep), EComponentError);
}

TEST_CASE("swipe socket: the tool looks in every place of the account once, whatever its runtime folder") {
    TSocketFolder folder;
    const fs::path fallback = "/tmp/mcr-swipe-" + std::to_string(::geteuid());
    const auto paths = [](const std::vector<platform::TSwipeFolder>& AFolders) {
        std::vector<std::string> texts;
        for (const auto& one : AFolders) texts.push_back(one.path.native());
        return texts;
    };
    {
        TEnvironment runtime("XDG_RUNTIME_DIR", folder.path.native());
        const auto folders = platform::SwipeSocketFolders();
        REQUIRE(folders.size() == 3);
        CHECK(folders[0].path == folder.path);
        CHECK(folders[0].fault.empty());
        CHECK(folders[2].path == fallback);
        // A socket in the runtime folder is found with the others.
        platform::TSwipeListener listener(&Echo, 16, kOversized, folder.path);
        bool found = false;
        for (const auto& endpoint : platform::FindSwipeEndpoints(folders)) found |= endpoint.path == listener.Path();
        CHECK(found);
    }
    {
        // The same place by another spelling is looked in once.
        TEnvironment runtime("XDG_RUNTIME_DIR", fallback.native() + "/");
        const auto texts = paths(platform::SwipeSocketFolders());
        CHECK(texts.size() == 2);
        CHECK(std::count(texts.begin(), texts.end(), "/run/user/" + std::to_string(::geteuid())) == 1);
    }
    {
        // A runtime folder open to others is named, not looked in.
        platform::TSwipeListener listener(&Echo, 16, kOversized, folder.path);
        fs::permissions(folder.path, fs::perms::others_exec, fs::perm_options::add);
        TEnvironment runtime("XDG_RUNTIME_DIR", folder.path.native());
        const auto folders = platform::SwipeSocketFolders();
        REQUIRE(folders[0].path == folder.path);
        CHECK_FALSE(folders[0].fault.empty());
        CHECK(platform::FindSwipeEndpoints({folders[0]}).empty());
        // The component's own place does not follow the environment.
        CHECK(platform::SwipeSocketFolder() != folder.path);
    }
}
