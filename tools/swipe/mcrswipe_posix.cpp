// mcrswipe-linux64: the swipe tool on Linux; its logic is SwipeTool's. Here
// the emulators are the sockets in every place a process of the account may
// have put one: each is asked to describe itself (handle, caption, whether
// its device is open), all at once, and the swipe goes over the chosen one.
// The whole run answers within 5 s, as on Windows: an emulator whose process
// is stopped or busy, or whose backlog is full, holds the tool no longer.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "SwipeTool.h"
#include "common/Error.h"
#include "common/Text.h"
#include "emulator/Swipe.h"
#include "platform/posix/SwipeSocket.h"

namespace swipetool {

const char16_t kProgram[] = u"mcrswipe-linux64";

namespace {

using TClock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kAnswerTimeout{5000};
// Describing is a moment's work for a window, so one that has not answered by
// then is busy or stopped: left for the swipe, which may wait out the rest.
constexpr std::chrono::milliseconds kDescribeTimeout{1000};

// The one deadline of the run, counted from its first contact with an emulator.
TClock::time_point Deadline() {
    static const TClock::time_point until = TClock::now() + kAnswerTimeout;
    return until;
}

TReply Exchange(const std::string& ASocket, const swipe::TRequest& ARequest, TClock::time_point AUntil) {
    TReply reply;
    bool timedOut = false;
    const auto got = platform::SendSwipe(ASocket, static_cast<uint32_t>(ARequest.command), swipe::EncodeRequest(ARequest),
                                         AUntil, timedOut);
    if (!got) {
        reply.gone = !timedOut;
        return reply;
    }
    reply.answered = true;
    reply.status = static_cast<swipe::TStatus>(got->status);
    reply.answer = swipe::DecodeAnswer(got->answer.data(), got->answer.size());
    return reply;
}

}  // namespace

std::vector<TEmulator> FindEmulators() {
    const std::vector<platform::TSwipeEndpoint> endpoints = platform::FindSwipeEndpoints(platform::SwipeSocketFolders());
    const TClock::time_point until = std::min(Deadline(), TClock::now() + kDescribeTimeout);
    std::vector<TReply> described(endpoints.size());
    {
        std::vector<std::jthread> asking;
        for (std::size_t i = 0; i < endpoints.size(); ++i) {
            const auto ask = [&, i] {
                described[i] = Exchange(endpoints[i].path, {swipe::TCommand::kDescribe, {}, 0}, until);
            };
            try {
                asking.emplace_back(ask);
            } catch (const std::system_error&) {
                ask();
            }
        }
    }
    std::vector<TEmulator> found;
    for (std::size_t i = 0; i < endpoints.size(); ++i) {
        // A socket whose listener is gone belongs to no emulator any more; one
        // that did not answer in time is kept as not connected, so that a swipe
        // into it alone reports the missing answer while other emulators go on.
        if (described[i].gone) continue;
        TEmulator emulator;
        emulator.pid = endpoints[i].pid;
        emulator.socket = endpoints[i].path;
        emulator.described = described[i];
        found.push_back(std::move(emulator));
    }
    return found;
}

TReply Send(const TEmulator& AEmulator, const swipe::TRequest& ARequest) {
    return Exchange(AEmulator.socket, ARequest, Deadline());
}

std::u16string Whereabouts() {
    std::u16string usable;
    std::u16string refused;
    for (const platform::TSwipeFolder& folder : platform::SwipeSocketFolders()) {
        const std::u16string path = FromUtf8(folder.path.native());
        if (folder.fault.empty()) {
            usable += (usable.empty() ? u"" : u", ") + path;
        } else {
            refused += (refused.empty() ? u"" : u"; ") + path + u" " + folder.fault;
        }
    }
    if (usable.empty()) return u"no folder for sockets: " + refused;
    return u"sockets in " + usable + (refused.empty() ? u"" : u"; " + refused);
}

void Write(bool AError, const std::u16string& AText) {
    const std::string bytes = ToUtf8(AText);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(AError ? STDERR_FILENO : STDOUT_FILENO, bytes.data() + done, bytes.size() - done);
        if (written <= 0) return;
        done += static_cast<std::size_t>(written);
    }
}

}  // namespace swipetool

int main(int argc, char** argv) {
    std::vector<std::u16string> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(FromUtf8(argv[i]));
    return swipetool::Main(arguments);
}
