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

std::optional<sockaddr_un> Address(const std::filesystem::path& APath) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string& text = APath.native();
    if (text.size() >= sizeof address.sun_path) return std::nullopt;
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    return address;
}

// Whether the peer still holds its end open: a sender that gave up has closed it.
bool PeerWaits(int APeer) {
    pollfd state{APeer, POLLRDHUP, 0};
    while (::poll(&state, 1, 0) < 0) {
        if (errno != EINTR) return false;
    }
    return (state.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)) == 0;
}

// Whether AFd became ready for AEvents by AUntil; false only once AUntil has
// passed (or on an error), so that callers can tell a timeout by the clock.
bool WaitFor(int AFd, short AEvents, std::chrono::steady_clock::time_point AUntil) {
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(AUntil - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd wait{AFd, AEvents, 0};
        const int ready = ::poll(&wait, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        return ready > 0;
    }
}

// Whole buffers over a stream, within the time left; false on end, error or timeout.
bool Transfer(int AFd, char* AData, std::size_t ASize, bool AReading, std::chrono::steady_clock::time_point AUntil) {
    std::size_t done = 0;
    while (done < ASize) {
        if (!WaitFor(AFd, AReading ? POLLIN : POLLOUT, AUntil)) return false;
        const ssize_t moved = AReading ? ::recv(AFd, AData + done, ASize - done, 0)
                                       : ::send(AFd, AData + done, ASize - done, MSG_NOSIGNAL);
        if (moved < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (moved <= 0) return false;
        done += static_cast<std::size_t>(moved);
    }
    return true;
}

// Connected by AUntil; false, with ATimedOut when time ran out. A Unix socket
// whose listener's backlog is full refuses a non-blocking connect with EAGAIN
// instead of queueing it, and offers nothing to wait on: retried.
bool Connect(int AFd, const sockaddr_un& AAddress, std::chrono::steady_clock::time_point AUntil, bool& ATimedOut) {
    constexpr std::chrono::steady_clock::duration kRetry = std::chrono::milliseconds(10);
    for (;;) {
        if (::connect(AFd, reinterpret_cast<const sockaddr*>(&AAddress), sizeof AAddress) == 0) return true;
        if (errno == EINPROGRESS) {
            if (!WaitFor(AFd, POLLOUT, AUntil)) {
                ATimedOut = true;
                return false;
            }
            int failure = 0;
            socklen_t length = sizeof failure;
            return ::getsockopt(AFd, SOL_SOCKET, SO_ERROR, &failure, &length) == 0 && failure == 0;
        }
        if (errno != EAGAIN && errno != EINTR) return false;
        const auto now = std::chrono::steady_clock::now();
        if (now >= AUntil) {
            ATimedOut = true;
            return false;
        }
        std::this_thread::sleep_for(std::min(kRetry, AUntil - now));
    }
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

std::u16string SwipeFolderFault(const std::filesystem::path& APath) {
    if (!APath.is_absolute()) return u"is not an absolute path";
    struct stat info {};
    if (::lstat(APath.c_str(), &info) != 0) return errno == ENOENT ? u"does not exist" : SystemText(errno);
    if (S_ISLNK(info.st_mode)) return u"is a link";
    if (!S_ISDIR(info.st_mode)) return u"is not a folder";
    if (info.st_uid != ::geteuid()) return u"belongs to another account";
    if ((info.st_mode & 0077) != 0) return u"is open to other accounts";
    return {};
}

namespace {

// The account's two places for sockets: its runtime folder, and one of its own under /tmp.
std::filesystem::path RuntimeFolder() { return "/run/user/" + std::to_string(::geteuid()); }
std::filesystem::path FallbackFolder() { return "/tmp/mcr-swipe-" + std::to_string(::geteuid()); }

// The folder is what keeps other accounts out: checked before anything is put into it.
void RequirePrivateFolder(const std::filesystem::path& AFolder) {
    if (const std::u16string fault = SwipeFolderFault(AFolder); !fault.empty()) {
        throw EComponentError(u"The folder \"" + FromUtf8(AFolder.native()) + u"\" " + fault);
    }
}

}  // namespace

std::filesystem::path SwipeSocketFolder() {
    const std::filesystem::path runtime = RuntimeFolder();
    if (SwipeFolderFault(runtime).empty()) return runtime;
    const std::filesystem::path folder = FallbackFolder();
    if (::mkdir(folder.c_str(), 0700) == 0) {
        // The mode asked for passes through the host's umask, which may take the owner's own rights too.
        Descriptor made(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (made.get() >= 0) ::fchmod(made.get(), 0700);
    } else if (errno != EEXIST) {
        RaiseFileError(u"Cannot create the folder", FromUtf8(folder.native()), errno);
    }
    RequirePrivateFolder(folder);
    return folder;
}

std::vector<TSwipeFolder> SwipeSocketFolders() {
    std::vector<std::filesystem::path> candidates;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime != '\0') {
        candidates.emplace_back(runtime);
    }
    candidates.push_back(RuntimeFolder());
    candidates.push_back(FallbackFolder());
    std::vector<TSwipeFolder> folders;
    std::vector<std::pair<dev_t, ino_t>> seen;
    std::vector<std::string> named;
    for (const std::filesystem::path& candidate : candidates) {
        // The same folder by another spelling is one place.
        const std::string spelling = (candidate / "").lexically_normal().native();
        if (std::find(named.begin(), named.end(), spelling) != named.end()) continue;
        named.push_back(spelling);
        TSwipeFolder folder{candidate, SwipeFolderFault(candidate)};
        struct stat info {};
        if (folder.fault.empty() && ::lstat(candidate.c_str(), &info) == 0) {
            const std::pair<dev_t, ino_t> identity{info.st_dev, info.st_ino};
            if (std::find(seen.begin(), seen.end(), identity) != seen.end()) continue;
            seen.push_back(identity);
        }
        folders.push_back(std::move(folder));
    }
    return folders;
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
                reply = handler(command, data, pid, [APeer] { return PeerWaits(APeer); });
            } catch (...) {
                // No reply: the sender reports that the emulator did not answer.
                return;
            }
        }
        if (!PeerWaits(APeer)) return;
        std::string bytes;
        PutWord(bytes, static_cast<uint32_t>(reply.status));
        PutWord(bytes, static_cast<uint32_t>(reply.answer.size()));
        bytes += reply.answer;
        Transfer(APeer, bytes.data(), bytes.size(), false, until + std::chrono::milliseconds(kRequestTimeoutMs));
    }
};

TSwipeListener::TSwipeListener(TSwipeHandler AHandler, std::size_t AMaxData, int32_t AOversized,
                               const std::filesystem::path& AFolder)
    : FImpl(std::make_unique<TImpl>()) {
    FImpl->handler = std::move(AHandler);
    FImpl->maxData = AMaxData;
    FImpl->oversized = AOversized;
    if (!AFolder.empty()) RequirePrivateFolder(AFolder);
    const std::filesystem::path folder = AFolder.empty() ? SwipeSocketFolder() : AFolder;
    const std::filesystem::path path = folder / (kPrefix + std::to_string(::getpid()) + "-" +
                                                 std::to_string(serial++) + kSuffix);
    const std::optional<sockaddr_un> address = Address(path);
    if (!address) throw EComponentError(u"The socket path is too long: " + FromUtf8(path.native()));
    FImpl->listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (FImpl->listener < 0) RaiseSocketError(u"Cannot create the swipe socket", errno);
    // A file of this name is one an earlier process of the same id left behind.
    ::unlink(path.c_str());
    if (::bind(FImpl->listener, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) != 0) {
        RaiseSocketError(u"Cannot bind the swipe socket", errno);
    }
    FImpl->path = path;
    // Besides the folder: a socket that strays into a looser folder stays the account's.
    if (::chmod(path.c_str(), 0600) != 0) RaiseSocketError(u"Cannot restrict the swipe socket", errno);
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

std::vector<TSwipeEndpoint> FindSwipeEndpoints(const std::vector<TSwipeFolder>& AFolders) {
    std::vector<TSwipeEndpoint> found;
    for (const TSwipeFolder& folder : AFolders) {
        if (!folder.fault.empty()) continue;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path, error)) {
            const pid_t pid = PidOf(entry.path().filename().string());
            if (pid == 0 || !entry.is_socket(error)) continue;
            if (::kill(pid, 0) != 0 && errno == ESRCH) {
                std::filesystem::remove(entry.path(), error);
                continue;
            }
            found.push_back({entry.path(), pid});
        }
    }
    std::sort(found.begin(), found.end(), [](const TSwipeEndpoint& a, const TSwipeEndpoint& b) {
        return a.pid != b.pid ? a.pid < b.pid : a.path < b.path;
    });
    return found;
}

std::optional<TSwipeReply> SendSwipe(const std::filesystem::path& APath, uint32_t ACommand, const std::string& AData,
                                     std::chrono::steady_clock::time_point AUntil, bool& ATimedOut) {
    ATimedOut = false;
    const std::optional<sockaddr_un> address = Address(APath);
    if (!address) return std::nullopt;
    Descriptor fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (fd.get() < 0) return std::nullopt;
    if (!Connect(fd.get(), *address, AUntil, ATimedOut)) return std::nullopt;
    std::string request;
    PutWord(request, ACommand);
    PutWord(request, static_cast<uint32_t>(AData.size()));
    request += AData;
    char header[kHeaderBytes];
    if (!Transfer(fd.get(), request.data(), request.size(), false, AUntil) ||
        !Transfer(fd.get(), header, sizeof header, true, AUntil)) {
        ATimedOut = std::chrono::steady_clock::now() >= AUntil;
        return std::nullopt;
    }
    TSwipeReply reply{static_cast<int32_t>(GetWord(header)), std::string(std::min<uint32_t>(GetWord(header + 4), 1 << 20), '\0')};
    if (!Transfer(fd.get(), reply.answer.data(), reply.answer.size(), true, AUntil)) {
        ATimedOut = std::chrono::steady_clock::now() >= AUntil;
        return std::nullopt;
    }
    return reply;
}

}  // namespace platform
