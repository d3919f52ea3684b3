#include "SwipeTool.h"

#include <algorithm>
#include <tuple>

#include "common/Text.h"

namespace swipetool {
namespace {

void Out(const std::u16string& line) { Write(false, line + u"\n"); }
void Err(const std::u16string& line) { Write(true, std::u16string(kProgram) + u": " + line + u"\n"); }

void Usage() {
    const std::u16string name = kProgram;
    Write(true, u"usage: " + name + u" [--device HANDLE | --pid PID] TEXT\n"
                u"       " + name + u" [--device HANDLE | --pid PID] --barcode N   (preset N, 1 to 8)\n"
                u"       " + name + u" [--device HANDLE | --pid PID] -- TEXT       (a TEXT that starts with --)\n"
                u"       " + name + u" --list [--pid PID]   (the emulators, each with its HANDLE)\n"
                u"TEXT may hold escapes \"<0x...>\" for characters that cannot be typed; at most " +
                    IntToText(static_cast<int64_t>(swipe::kMaxTextChars)) + u" characters.\n");
}

struct TOptions {
    std::optional<long> pid;
    std::optional<std::u16string> device;
    bool list = false;
    bool haveRequest = false;
    swipe::TRequest request;
};

std::optional<TOptions> ParseArguments(const std::vector<std::u16string>& args) {
    TOptions options;
    const std::size_t count = args.size();
    for (std::size_t i = 0; i < count; ++i) {
        const std::u16string& arg = args[i];
        int32_t number = 0;
        if (arg == u"--pid" && i + 1 < count && !options.pid) {
            if (!TryTextToInt(args[++i], number) || number <= 0) return std::nullopt;
            options.pid = number;
        } else if (arg == u"--device" && i + 1 < count && !options.device) {
            if (!swipe::ParseDeviceHandle(args[++i])) return std::nullopt;
            options.device = args[i];
        } else if (arg == u"--list" && !options.list) {
            options.list = true;
        } else if (arg == u"--barcode" && i + 1 < count && !options.haveRequest) {
            if (!TryTextToInt(args[++i], number) || number < 1 || number > swipe::kPresetCount) return std::nullopt;
            options.request = {swipe::TCommand::kSwipePreset, {}, number};
            options.haveRequest = true;
        } else if (arg == u"--" && i + 2 == count && !options.haveRequest) {
            options.request = {swipe::TCommand::kSwipeText, args[++i], 0};
            options.haveRequest = true;
        } else if (!arg.starts_with(u"--") && !options.haveRequest) {
            options.request = {swipe::TCommand::kSwipeText, arg, 0};
            options.haveRequest = true;
        } else {
            return std::nullopt;
        }
    }
    // A listing swipes nothing; a swipe names its emulator one way at most.
    if (options.list == options.haveRequest) return std::nullopt;
    if (options.device && (options.pid || options.list)) return std::nullopt;
    return options;
}

bool IsOpen(const TEmulator& emulator) {
    return emulator.described.answered && emulator.described.status == swipe::TStatus::kAccepted;
}

// One line per emulator: its handle, state, caption, description and presets.
std::u16string ListLine(const TEmulator& emulator) {
    const TReply& described = emulator.described;
    const std::u16string pid = IntToText(static_cast<int64_t>(emulator.pid));
    if (!described.answered || !described.answer) {
        const std::u16string why = described.denied ? u"out of reach: its process runs as administrator"
                                   : described.answered ? u"gave no description"
                                                        : u"did not answer in time (busy or stopped)";
        return u"  " + pid + u"-?  " + why;
    }
    const swipe::TAnswer& answer = *described.answer;
    std::u16string line = u"  " + answer.device + (answer.open ? u"  open" : u"  not open") + u"  \"" +
                          answer.text + u"\"  (" + answer.description + u")";
    for (int n = 0; n < swipe::kPresetCount; ++n) {
        if (!answer.presets[n].empty()) {
            line += u"  " + IntToText(n + 1) + u": " + swipe::ShowControls(answer.presets[n]);
        }
    }
    return line;
}

void ListEmulators(const std::vector<TEmulator>& emulators, bool AError) {
    for (const TEmulator& emulator : emulators) Write(AError, ListLine(emulator) + u"\n");
}

// The emulators the options name: all of them, those of one process, or the
// one with that handle (an emulator that did not describe itself may be it).
std::vector<TEmulator> Select(const TOptions& options) {
    std::optional<swipe::TDeviceId> device;
    if (options.device) device = swipe::ParseDeviceHandle(*options.device);
    std::vector<TEmulator> selected;
    for (TEmulator& emulator : FindEmulators()) {
        if (options.pid && emulator.pid != *options.pid) continue;
        if (device) {
            if (emulator.pid != device->pid) continue;
            const auto& answer = emulator.described.answer;
            if (emulator.described.answered && (!answer || answer->device != *options.device)) continue;
        }
        selected.push_back(std::move(emulator));
    }
    // By process, then serial: the same order whatever the order the system found them in.
    const auto key = [](const TEmulator& emulator) {
        const auto& answer = emulator.described.answer;
        const auto id = answer ? swipe::ParseDeviceHandle(answer->device) : std::nullopt;
        return std::tuple(emulator.pid, id ? id->serial : 0);
    };
    std::stable_sort(selected.begin(), selected.end(),
                     [&](const TEmulator& a, const TEmulator& b) { return key(a) < key(b); });
    return selected;
}

int NotReached(const TReply& reply) {
    if (reply.denied) {
        Err(u"the emulator's process runs as administrator and Windows does not let this tool reach it; "
            u"run the tool as administrator too");
        return kDenied;
    }
    if (reply.gone) {
        Err(u"the emulator's window closed before it answered");
        return kNoEmulator;
    }
    Err(u"the emulator did not answer within 5 s (its window's thread is busy)");
    return kNoAnswer;
}

int Swipe(const TEmulator& emulator, const swipe::TRequest& request) {
    if (!emulator.described.answered) return NotReached(emulator.described);
    const TReply reply = Send(emulator, request);
    if (!reply.answered) return NotReached(reply);
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

std::u16string Where(const TOptions& options) {
    if (options.device) return u" with handle " + *options.device;
    if (options.pid) return u" in process " + IntToText(static_cast<int64_t>(*options.pid));
    return {};
}

int Run(const TOptions& options) {
    const std::vector<TEmulator> found = Select(options);
    if (found.empty()) {
        Err(u"no emulator window" + Where(options) + u" (" + Whereabouts() + u")");
        return kNoEmulator;
    }
    if (options.list) {
        ListEmulators(found, false);
        return kAccepted;
    }
    // Open emulators, and those that could not say whether they are.
    std::vector<const TEmulator*> candidates;
    for (const TEmulator& emulator : found) {
        if (IsOpen(emulator) || !emulator.described.answered) candidates.push_back(&emulator);
    }
    if (candidates.size() > 1) {
        Err(u"several open emulators; pick one with --device HANDLE:");
        ListEmulators(found, true);
        return kUsage;
    }
    // A single emulator that is not open says so itself.
    if (candidates.empty() && found.size() == 1) candidates.push_back(&found.front());
    if (candidates.empty()) {
        Err(u"no open emulator" + Where(options) + u" (none of these is open):");
        ListEmulators(found, true);
        return kNoEmulator;
    }
    return Swipe(*candidates.front(), options.request);
}

}  // namespace

int Main(const std::vector<std::u16string>& AArguments) {
    const std::optional<TOptions> options = ParseArguments(AArguments);
    if (!options) {
        Usage();
        return kUsage;
    }
    if (options->request.command == swipe::TCommand::kSwipeText &&
        swipe::CountCharacters(options->request.text) > swipe::kMaxTextChars) {
        Err(u"refused: " + swipe::StatusText(swipe::TStatus::kTooLong));
        return kRefused;
    }
    return Run(*options);
}

}  // namespace swipetool
