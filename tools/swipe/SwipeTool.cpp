#include "SwipeTool.h"

#include "common/Text.h"

namespace swipetool {
namespace {

void Out(const std::u16string& line) { Write(false, line + u"\n"); }
void Err(const std::u16string& line) { Write(true, std::u16string(kProgram) + u": " + line + u"\n"); }

void Usage() {
    const std::u16string name = kProgram;
    Write(true, u"usage: " + name + u" [--pid PID] TEXT\n"
                u"       " + name + u" [--pid PID] --barcode N   (preset N, 1 to 8)\n"
                u"       " + name + u" [--pid PID] -- TEXT       (a TEXT that starts with --)\n"
                u"TEXT may hold escapes \"<0x...>\" for characters that cannot be typed.\n");
}

struct TOptions {
    std::optional<long> pid;
    swipe::TRequest request;
};

std::optional<TOptions> ParseArguments(const std::vector<std::u16string>& args) {
    TOptions options;
    bool haveRequest = false;
    const std::size_t count = args.size();
    for (std::size_t i = 0; i < count; ++i) {
        const std::u16string& arg = args[i];
        int32_t number = 0;
        if (arg == u"--pid" && i + 1 < count) {
            if (!TryTextToInt(args[++i], number) || number <= 0) return std::nullopt;
            options.pid = number;
        } else if (arg == u"--barcode" && i + 1 < count && !haveRequest) {
            if (!TryTextToInt(args[++i], number) || number < 1 || number > swipe::kPresetCount) return std::nullopt;
            options.request = {swipe::TCommand::kSwipePreset, {}, number};
            haveRequest = true;
        } else if (arg == u"--" && i + 2 == count && !haveRequest) {
            options.request = {swipe::TCommand::kSwipeText, args[++i], 0};
            haveRequest = true;
        } else if (!arg.starts_with(u"--") && !haveRequest) {
            options.request = {swipe::TCommand::kSwipeText, arg, 0};
            haveRequest = true;
        } else {
            return std::nullopt;
        }
    }
    if (!haveRequest) return std::nullopt;
    return options;
}

void ListEmulators(const std::vector<TEmulator>& emulators) {
    Err(u"several connected emulators; pick one with --pid:");
    for (const TEmulator& emulator : emulators) {
        std::u16string line =
            u"  pid " + IntToText(static_cast<int32_t>(emulator.pid)) + u"  \"" + emulator.caption + u"\"";
        const TReply reply = Send(emulator, {swipe::TCommand::kDescribe, {}, 0});
        if (reply.answer) {
            for (int n = 0; n < swipe::kPresetCount; ++n) {
                if (!reply.answer->presets[n].empty()) {
                    line += u"  " + IntToText(n + 1) + u": " + swipe::ShowControls(reply.answer->presets[n]);
                }
            }
        }
        Write(true, line + u"\n");
    }
}

int Run(const TOptions& options) {
    std::vector<TEmulator> found;
    for (TEmulator& emulator : FindEmulators()) {
        if (!options.pid || emulator.pid == *options.pid) found.push_back(std::move(emulator));
    }
    std::vector<TEmulator> connected;
    for (const TEmulator& emulator : found) {
        if (emulator.connected) connected.push_back(emulator);
    }
    if (connected.size() > 1) {
        ListEmulators(connected);
        return kUsage;
    }
    // A single emulator that is not connected says so itself.
    const std::vector<TEmulator>& candidates = connected.empty() ? found : connected;
    if (candidates.size() != 1) {
        const std::u16string where =
            options.pid ? u" in process " + IntToText(static_cast<int32_t>(*options.pid)) : u"";
        Err(found.empty() ? u"no emulator window" + where + u" (" + Whereabouts() + u")"
                          : u"no connected emulator" + where + u" (none is open)");
        return kNoEmulator;
    }
    const TReply reply = Send(candidates.front(), options.request);
    if (!reply.answered) {
        if (reply.gone) {
            Err(u"the emulator's window closed before it answered");
            return kNoEmulator;
        }
        Err(u"the emulator did not answer within 5 s (its window's thread is busy)");
        return kNoAnswer;
    }
    if (reply.status != swipe::TStatus::kAccepted) {
        std::u16string reason = swipe::StatusText(reply.status);
        if (reply.answer && !reply.answer->text.empty()) reason += u": " + reply.answer->text;
        Err(u"refused: " + reason);
        return kRefused;
    }
    if (reply.answer) {
        Out(u"delivered in " + IntToText(reply.answer->delay) + u" ms: " + swipe::ShowControls(reply.answer->text));
    } else {
        Out(u"accepted");
    }
    return kAccepted;
}

}  // namespace

int Main(const std::vector<std::u16string>& AArguments) {
    const std::optional<TOptions> options = ParseArguments(AArguments);
    if (!options) {
        Usage();
        return kUsage;
    }
    if (options->request.command == swipe::TCommand::kSwipeText &&
        options->request.text.size() * 2 > swipe::kMaxDataBytes) {
        Err(u"refused: " + swipe::StatusText(swipe::TStatus::kTooLong));
        return kRefused;
    }
    return Run(*options);
}

}  // namespace swipetool
