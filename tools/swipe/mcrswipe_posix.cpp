// mcrswipe-linux64: the swipe tool on Linux; its logic is SwipeTool's. Here
// the emulators are the sockets in the user's runtime folder: each is asked
// to describe itself (handle, caption, whether its device is open), and the
// swipe goes over the chosen one.
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "SwipeTool.h"
#include "common/Error.h"
#include "common/Text.h"
#include "emulator/Swipe.h"
#include "platform/posix/SwipeSocket.h"

namespace swipetool {

const char16_t kProgram[] = u"mcrswipe-linux64";

namespace {

constexpr std::chrono::milliseconds kAnswerTimeout{5000};

TReply Exchange(const std::string& ASocket, const swipe::TRequest& ARequest) {
    TReply reply;
    bool timedOut = false;
    const auto got = platform::SendSwipe(ASocket, static_cast<uint32_t>(ARequest.command), swipe::EncodeRequest(ARequest),
                                         kAnswerTimeout, timedOut);
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
    std::vector<TEmulator> found;
    std::vector<platform::TSwipeEndpoint> endpoints;
    try {
        endpoints = platform::FindSwipeEndpoints();
    } catch (const EComponentError& error) {
        Write(true, std::u16string(kProgram) + u": " + error.Message() + u"\n");
    }
    for (const platform::TSwipeEndpoint& endpoint : endpoints) {
        const TReply described = Exchange(endpoint.path, {swipe::TCommand::kDescribe, {}, 0});
        // A socket nobody answers on belongs to no emulator any more.
        if (!described.answered) continue;
        TEmulator emulator;
        emulator.pid = endpoint.pid;
        emulator.socket = endpoint.path;
        emulator.described = described;
        found.push_back(std::move(emulator));
    }
    return found;
}

TReply Send(const TEmulator& AEmulator, const swipe::TRequest& ARequest) { return Exchange(AEmulator.socket, ARequest); }

std::u16string Whereabouts() {
    try {
        return u"sockets in " + FromUtf8(platform::SwipeSocketFolder().native());
    } catch (const EComponentError& error) {
        return error.Message();
    }
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
