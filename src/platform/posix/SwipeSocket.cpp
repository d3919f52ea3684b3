#include "platform/posix/SwipeSocket.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "common/Error.h"
#include "platform/posix/FileSupport.h"

namespace platform {
namespace {

constexpr char kPrefix[] = "mcr-swipe-";
constexpr char kSuffix[] = ".sock";
// A peer that connects and then sends nothing must not hold the emulator.
constexpr int kRequestTimeoutMs = 2000;
constexpr std::size_t kHeaderBytes = 8;

std::atomic<unsigned> serial{0};

[[noreturn]] void RaiseSocketError(const char16_t* AWhat, int AError) {
    throw EComponentError(std::u16string(AWhat) + u": " + SystemText(AError));
}

bool OwnPrivateFolder(const std::filesystem::path& APath) {
    struct stat info {};
    return ::lstat(APath.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
           (info.st_mode & 0022) == 0;
}

sockaddr_un Address(const std::filesystem::path& APath) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string& text = APath.native();
    if (text.size() >= sizeof address.sun_path) {
        throw EComponentError(u"The socket path is too long: " + FromUtf8(text));
    }
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    return address;
}

// Whole buffers over a stream, within the time left; false on end, error or timeout.
bool Transfer(int AFd, char* AData, std::size_t ASize, bool AReading, std::chrono::steady_clock::time_point AUntil) {
    std::size_t done = 0;
    while (done < ASize) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(AUntil - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd wait{AFd, static_cast<short>(AReading ? POLLIN : POLLOUT), 0};
        const int ready = ::poll(&wait, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        const ssize_t moved = AReading ? ::recv(AFd, AData + done, ASize - done, 0)
                                       : ::send(AFd, AData + done, ASize - done, MSG_NOSIGNAL);
        if (moved < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (moved <= 0) return false;
        done += static_cast<std::size_t>(moved);
    }
    return true;
}

void PutWord(std::string& AOut, uint32_t AValue) {
    for (int i = 0; i < 4; ++i) AOut += static_cast<char>(AValue >> (8 * i) & 0xFF);
}

uint32_t GetWord(const char* AIn) {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= static_cast<uint32_t>(static_cast<unsigned char>(AIn[i])) << (8 * i);
    return value;
}

// The process id in a socket's name, or 0 when the name is not one of ours.
pid_t PidOf(const std::string& AName) {
    if (!AName.starts_with(kPrefix) || !AName.ends_with(kSuffix)) return 0;
    const std::string middle = AName.substr(sizeof kPrefix - 1, AName.size() - (sizeof kPrefix - 1) - (sizeof kSuffix - 1));
    char* end = nullptr;
    const long pid = std::strtol(middle.c_str(), &end, 10);
    return end != middle.c_str() && *end == '-' && pid > 0 ? static_cast<pid_t>(pid) : 0;
}

}  // namespace

std::filesystem::path SwipeSocketFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime == '/' && OwnPrivateFolder(runtime)) return runtime;
    const std::filesystem::path folder = "/tmp/mcr-swipe-" + std::to_string(::geteuid());
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) RaiseFileError(u"Cannot create the folder", FromUtf8(folder.native()), errno);
    if (!OwnPrivateFolder(folder)) {
        throw EComponentError(u"The folder \"" + FromUtf8(folder.native()) + u"\" is not the user's own private folder");
    }
    return folder;
}

struct TSwipeListener::TImpl {
    TSwipeHandler handler;
    std::size_t maxData = 0;
    int32_t oversized = 0;
    std::filesystem::path path;
    int listener = -1;
    int wake[2] = {-1, -1};
    std::thread thread;

    ~TImpl() {
        for (int fd : {listener, wake[0], wake[1]}) {
            if (fd >= 0) ::close(fd);
        }
        if (!path.empty()) ::unlink(path.c_str());
    }

    void Loop() {
        for (;;) {
            pollfd waits[2] = {{listener, POLLIN, 0}, {wake[0], POLLIN, 0}};
            if (::poll(waits, 2, -1) < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if (waits[1].revents != 0) return;
            if (waits[0].revents & POLLIN) {
                const int peer = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
                if (peer >= 0) {
                    Descriptor connection(peer);
                    Serve(peer);
                }
            }
        }
    }

    void Serve(int APeer) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kRequestTimeoutMs);
        ucred credentials{};
        socklen_t length = sizeof credentials;
        const pid_t pid = ::getsockopt(APeer, SOL_SOCKET, SO_PEERCRED, &credentials, &length) == 0 ? credentials.pid : 0;
        char header[kHeaderBytes];
        if (!Transfer(APeer, header, sizeof header, true, until)) return;
        const uint32_t command = GetWord(header);
        const uint32_t size = GetWord(header + 4);
        TSwipeReply reply{oversized, {}};
        // An oversized request is refused without reading it.
        if (size <= maxData) {
            std::string data(size, '\0');
            if (!Transfer(APeer, data.data(), data.size(), true, until)) return;
            try {
                reply = handler(command, data, pid);
            } catch (...) {
                // No reply: the sender reports that the emulator did not answer.
                return;
            }
        }
        std::string bytes;
        PutWord(bytes, static_cast<uint32_t>(reply.status));
        PutWord(bytes, static_cast<uint32_t>(reply.answer.size()));
        bytes += reply.answer;
        Transfer(APeer, bytes.data(), bytes.size(), false, until + std::chrono::milliseconds(kRequestTimeoutMs));
    }
};

TSwipeListener::TSwipeListener(TSwipeHandler AHandler, std::size_t AMaxData, int32_t AOversized)
    : FImpl(std::make_unique<TImpl>()) {
    FImpl->handler = std::move(AHandler);
    FImpl->maxData = AMaxData;
    FImpl->oversized = AOversized;
    const std::filesystem::path path = SwipeSocketFolder() / (kPrefix + std::to_string(::getpid()) + "-" +
                                                              std::to_string(serial++) + kSuffix);
    const sockaddr_un address = Address(path);
    FImpl->listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (FImpl->listener < 0) RaiseSocketError(u"Cannot create the swipe socket", errno);
    // A file of this name is one an earlier process of the same id left behind.
    ::unlink(path.c_str());
    // Made 0600 from the start: no moment in which another account could connect.
    const mode_t previous = ::umask(0177);
    const int bound = ::bind(FImpl->listener, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    const int bindError = errno;
    ::umask(previous);
    if (bound != 0) RaiseSocketError(u"Cannot bind the swipe socket", bindError);
    FImpl->path = path;
    if (::listen(FImpl->listener, 8) != 0) RaiseSocketError(u"Cannot listen on the swipe socket", errno);
    if (::pipe2(FImpl->wake, O_CLOEXEC) != 0) RaiseSocketError(u"Cannot create a pipe", errno);
    try {
        FImpl->thread = std::thread([impl = FImpl.get()] { impl->Loop(); });
    } catch (const std::system_error& error) {
        throw EComponentError(u"Cannot create a thread: " + FromUtf8(error.what()));
    }
}

TSwipeListener::~TSwipeListener() {
    const char stop = 1;
    [[maybe_unused]] const ssize_t written = ::write(FImpl->wake[1], &stop, 1);
    if (FImpl->thread.joinable()) FImpl->thread.join();
}

const std::filesystem::path& TSwipeListener::Path() const { return FImpl->path; }

std::vector<TSwipeEndpoint> FindSwipeEndpoints() {
    std::vector<TSwipeEndpoint> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(SwipeSocketFolder(), error)) {
        const pid_t pid = PidOf(entry.path().filename().string());
        if (pid == 0 || !entry.is_socket(error)) continue;
        if (::kill(pid, 0) != 0 && errno == ESRCH) {
            std::filesystem::remove(entry.path(), error);
            continue;
        }
        found.push_back({entry.path(), pid});
    }
    std::sort(found.begin(), found.end(), [](const TSwipeEndpoint& a, const TSwipeEndpoint& b) {
        return a.pid != b.pid ? a.pid < b.pid : a.path < b.path;
    });
    return found;
}

std::optional<TSwipeReply> SendSwipe(const std::filesystem::path& APath, uint32_t ACommand, const std::string& AData,
                                     std::chrono::milliseconds ATimeout, bool& ATimedOut) {
    ATimedOut = false;
    Descriptor fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (fd.get() < 0) return std::nullopt;
    const sockaddr_un address = Address(APath);
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return std::nullopt;
    const auto until = std::chrono::steady_clock::now() + ATimeout;
    std::string request;
    PutWord(request, ACommand);
    PutWord(request, static_cast<uint32_t>(AData.size()));
    request += AData;
    char header[kHeaderBytes];
    if (!Transfer(fd.get(), request.data(), request.size(), false, until) ||
        !Transfer(fd.get(), header, sizeof header, true, until)) {
        ATimedOut = std::chrono::steady_clock::now() >= until;
        return std::nullopt;
    }
    TSwipeReply reply{static_cast<int32_t>(GetWord(header)), std::string(std::min<uint32_t>(GetWord(header + 4), 1 << 20), '\0')};
    if (!Transfer(fd.get(), reply.answer.data(), reply.answer.size(), true, until)) {
        ATimedOut = std::chrono::steady_clock::now() >= until;
        return std::nullopt;
    }
    return reply;
}

}  // namespace platform
