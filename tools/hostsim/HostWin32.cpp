// The host's part that speaks to Windows: the window commands (the
// component's window found by its caption, real clicks), the swipe tool, the
// wait of the `open` verb and the machine-wide folder.
#include "Host.h"

#include "MessageLoop.h"
#include "Script.h"
#include "Text.h"
#include "ToolProcess.h"

#include <shlobj.h>
#include <windows.h>

#include <atomic>
#include <sstream>
#include <utility>

namespace hostsim {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// How long `check-box` waits for an armed box, and how long a box nobody
// armed may stay before the watcher closes it and the script fails.
constexpr auto kBoxWait = 5000ms;
constexpr auto kBoxPatience = 5000ms;

std::atomic<bool> interrupted{false};

BOOL WINAPI OnConsoleControl(DWORD) {
    interrupted = true;
    return TRUE;
}

std::u16string U16(const std::string& text) { return FromUtf8(text); }

}  // namespace

void Host::CatchInterrupt() { SetConsoleCtrlHandler(&OnConsoleControl, TRUE); }

std::optional<std::filesystem::path> Host::CommonAppData() {
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, folder))) {
        return std::nullopt;
    }
    return std::filesystem::path(folder);
}

void Host::WaitWhileOpen(std::optional<std::chrono::seconds> timeout) {
    HWND window = nullptr;
    PumpUntil(5000ms, [&] {
        window = desktop::FindTopWindow(options_.caption);
        return window != nullptr && IsWindowVisible(window);
    });
    if (window == nullptr || !IsWindowVisible(window)) {
        Line("  no visible window \"" + Printable(options_.caption) + "\" after Open");
    } else {
        Line("  window: " + desktop::DescribeWindow(window));
        Line(timeout ? "  waiting until the window is closed or " + std::to_string(timeout->count()) + " s pass"
                     : std::string("  waiting until the window is closed"));
        const auto limit = timeout ? std::chrono::duration_cast<std::chrono::milliseconds>(*timeout)
                                   : std::chrono::milliseconds(std::chrono::hours(24 * 365));
        const bool closed = PumpUntil(limit, [&] {
            return interrupted.load() || !IsWindow(window) || !IsWindowVisible(window);
        });
        Line(interrupted ? "  interrupted" : closed ? "  the window was closed" : "  time is up");
    }
}

// --- the component's window

HWND Host::Window() {
    HWND window = desktop::FindTopWindow(options_.caption);
    if (window == nullptr) {
        Fail("no window \"" + Printable(options_.caption) + "\" in this process");
    }
    return window;
}

HWND Host::Child(const std::string& id) {
    const auto number = ParseCount(id, 0xFFFF);
    if (!number) {
        Fail("not a control ID: " + id);
        return nullptr;
    }
    HWND window = Window();
    if (window == nullptr) {
        return nullptr;
    }
    HWND child = desktop::FindChild(window, static_cast<int>(*number));
    if (child == nullptr) {
        Fail("the window has no control " + id);
    }
    return child;
}

desktop::BoxWatcher& Host::Watcher() {
    if (!watcher_) {
        watcher_ = std::make_unique<desktop::BoxWatcher>(kBoxPatience);
    }
    return *watcher_;
}

void Host::CmdWindow(const Args&) {
    HWND window = desktop::FindTopWindow(options_.caption);
    Line(window != nullptr ? "  window: " + desktop::DescribeWindow(window)
                           : "  window: none with the caption \"" + Printable(options_.caption) + "\"");
}

void Host::CmdWaitWindow(const Args& args) {
    const auto ms = ParseCount(args[1]);
    if ((args[0] != "visible" && args[0] != "hidden") || !ms) {
        Fail("usage: wait-window visible|hidden MS");
        return;
    }
    const bool visible = args[0] == "visible";
    HWND window = nullptr;
    const bool reached = PumpUntil(std::chrono::milliseconds(*ms), [&] {
        window = desktop::FindTopWindow(options_.caption);
        return (window != nullptr && IsWindowVisible(window)) == visible;
    });
    if (!reached) {
        Fail("the window did not become " + args[0] + " within " + args[1] + " ms");
    } else {
        Line("  window: " + (window != nullptr ? desktop::DescribeWindow(window) : std::string("none")));
    }
}

void Host::CmdChild(const Args& args) {
    if (HWND child = Child(args[0])) {
        Line("  child " + args[0] + ": " + desktop::DescribeChild(child));
    }
}

void Host::Click(const Args& args, int count) {
    HWND child = Child(args[0]);
    if (child == nullptr) {
        return;
    }
    // Armed before the click: a handler may open a box nobody expected.
    Watcher();
    std::string reason;
    const auto before = Clock::now();
    if (!desktop::ClickCentre(child, count, reason)) {
        Fail("cannot click control " + args[0] + ": " + reason);
        return;
    }
    clicks_.push_back(before);
    Line("  clicked " + std::to_string(count) + "x at the centre of control " + args[0] + " (" +
         desktop::DescribeChild(child) + ")");
    // Lets the window take the input; a modal box keeps us here until it is answered.
    Pump(100ms);
}

void Host::CmdClickChild(const Args& args) { Click(args, 1); }

void Host::CmdDblClickChild(const Args& args) { Click(args, 2); }

void Host::CmdSetTextChild(const Args& args) {
    if (HWND child = Child(args[0])) {
        const std::u16string text = U16(args[1]);
        SetWindowTextW(child, reinterpret_cast<const wchar_t*>(text.c_str()));
        Line("  child " + args[0] + ": text \"" + Printable(desktop::TextOf(child)) + "\"");
    }
}

void Host::CmdCloseWindow(const Args&) {
    if (HWND window = Window()) {
        Watcher();
        SendMessageW(window, WM_CLOSE, 0, 0);
        Pump(50ms);
        Line(std::string("  after WM_CLOSE: ") +
             (IsWindow(window) ? (IsWindowVisible(window) ? "visible" : "hidden") : "destroyed"));
    }
}

void Host::CmdExpectBox(const Args& args) {
    Watcher().Arm(U16(args[0]));
    Line("  watching for a message box \"" + args[0] + "\"");
}

void Host::CmdCheckBox(const Args& args) {
    const std::u16string caption = U16(args[0]);
    std::optional<desktop::BoxSeen> seen;
    PumpUntil(kBoxWait, [&] { return (seen = Watcher().Seen(caption)).has_value(); });
    if (!seen) {
        Fail("no message box \"" + args[0] + "\" appeared (was expect-box given before?)");
        return;
    }
    Line("  box \"" + args[0] + "\": \"" + Printable(seen->text) + "\"");
    if (seen->text != U16(args[1])) {
        Fail("the box \"" + args[0] + "\" said \"" + Printable(seen->text) + "\", expected \"" + args[1] + "\"");
    }
}


// The real tool as a separate process, as a test framework runs it; the
// window answers it on this thread, so the loop keeps pumping meanwhile.
// Its start counts as a click for the delays of the events that follow.
void Host::CmdSwipe(const Args& args) { Swipe(args, 0ms); }

// The window's thread blocked, as a host busy with a long call keeps it.
void Host::CmdSwipeBusy(const Args& args) {
    const auto ms = ParseCount(args[0]);
    if (!ms) {
        Fail("not a duration in ms: " + args[0]);
        return;
    }
    Swipe(Args(args.begin() + 1, args.end()), std::chrono::milliseconds(*ms));
}

// The tool of the simulator's own width: a 64-bit machine needs no 32-bit
// subsystem for it.
constexpr const char* kSwipeTool = sizeof(void*) == 8 ? "McrSwipe64" : "McrSwipe";

void Host::Swipe(const Args& args, std::chrono::milliseconds busy) {
    // "{pid}" anywhere in a word, so that "--device {pid}-2" names our second emulator.
    const std::string pid = std::to_string(GetCurrentProcessId());
    std::vector<std::u16string> words;
    for (std::string arg : args) {
        for (std::size_t at = arg.find("{pid}"); at != std::string::npos; at = arg.find("{pid}", at + pid.size())) {
            arg.replace(at, 5, pid);
        }
        words.push_back(FromUtf8(arg));
    }
    clicks_.push_back(Clock::now());
    std::string failure;
    const auto result = RunTool(BesideSimulator(std::filesystem::path(std::string(kSwipeTool) + ".exe").wstring()), words, 20s,
                                [this, &busy](std::chrono::milliseconds slice) {
                                    std::this_thread::sleep_for(std::exchange(busy, 0ms));
                                    Pump(slice);
                                },
                                failure);
    if (!result) {
        Fail("swipe: " + failure);
        return;
    }
    for (const auto& [stream, text] : {std::pair{"stdout", &result->out}, std::pair{"stderr", &result->err}}) {
        std::istringstream lines(*text);
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            Line("  " + std::string(stream) + ": " + line);
        }
    }
    Line("  " + std::string(kSwipeTool) + " exit code " + std::to_string(result->exitCode));
}

}  // namespace hostsim
