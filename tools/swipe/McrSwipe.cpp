// McrSwipe: a card swipe from a script, for unattended tests of the host's
// configurations. Finds the connected emulator windows by their class and
// the process that owns them, sends the swipe as WM_COPYDATA and turns the
// window's status into the exit code:
//   0 accepted, 2 usage, 3 no connected emulator, 4 refused, 5 no answer in 5 s.
//
//   McrSwipe [--pid PID] TEXT
//   McrSwipe [--pid PID] --barcode N
//   McrSwipe [--pid PID] -- TEXT
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "common/Text.h"
#include "emulator/Swipe.h"

namespace {

enum ExitCode : int { kAccepted = 0, kUsage = 2, kNoEmulator = 3, kRefused = 4, kNoAnswer = 5 };

constexpr UINT kAnswerTimeoutMs = 5000;
constexpr wchar_t kAnswerClass[] = L"McrSwipe.Answer";
constexpr char16_t kUsageText[] =
    u"usage: McrSwipe [--pid PID] TEXT\n"
    u"       McrSwipe [--pid PID] --barcode N   (preset N, 1 to 8)\n"
    u"       McrSwipe [--pid PID] -- TEXT       (a TEXT that starts with --)\n"
    u"TEXT may hold escapes \"<0x...>\" for characters that cannot be typed.\n";

const char16_t* Units(const wchar_t* text) { return reinterpret_cast<const char16_t*>(text); }
const wchar_t* Wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

// UTF-8 into pipes and files, UTF-16 onto a console.
void Write(DWORD stream, const std::u16string& text) {
    HANDLE handle = GetStdHandle(stream);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) {
        WriteConsoleW(handle, Wide(text), static_cast<DWORD>(text.size()), &written, nullptr);
    } else {
        const std::string bytes = ToUtf8(text);
        WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
}
void Out(const std::u16string& line) { Write(STD_OUTPUT_HANDLE, line + u"\n"); }
void Err(const std::u16string& line) { Write(STD_ERROR_HANDLE, u"McrSwipe: " + line + u"\n"); }

struct TOptions {
    std::optional<DWORD> pid;
    swipe::TRequest request;
};

std::optional<TOptions> ParseArguments(int argc, wchar_t** argv) {
    TOptions options;
    bool haveRequest = false;
    for (int i = 1; i < argc; ++i) {
        const std::u16string arg = Units(argv[i]);
        int32_t number = 0;
        if (arg == u"--pid" && i + 1 < argc) {
            if (!TryTextToInt(Units(argv[++i]), number) || number <= 0) return std::nullopt;
            options.pid = static_cast<DWORD>(number);
        } else if (arg == u"--barcode" && i + 1 < argc && !haveRequest) {
            if (!TryTextToInt(Units(argv[++i]), number) || number < 1 || number > swipe::kPresetCount) {
                return std::nullopt;
            }
            options.request = {swipe::TCommand::kSwipePreset, {}, number};
            haveRequest = true;
        } else if (arg == u"--" && i + 1 == argc - 1 && !haveRequest) {
            options.request = {swipe::TCommand::kSwipeText, Units(argv[++i]), 0};
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

struct TEmulator {
    HWND window = nullptr;
    DWORD pid = 0;
    std::u16string caption;
    bool connected = false;
};

BOOL CALLBACK CollectEmulator(HWND window, LPARAM context) {
    wchar_t name[64] = {};
    if (GetClassNameW(window, name, static_cast<int>(std::size(name))) == 0) return TRUE;
    if (std::u16string(Units(name)) != swipe::kWindowClass) return TRUE;
    TEmulator emulator;
    emulator.window = window;
    GetWindowThreadProcessId(window, &emulator.pid);
    std::vector<wchar_t> caption(static_cast<size_t>(GetWindowTextLengthW(window)) + 1);
    GetWindowTextW(window, caption.data(), static_cast<int>(caption.size()));
    emulator.caption = Units(caption.data());
    emulator.connected = IsWindowVisible(window) != FALSE;
    reinterpret_cast<std::vector<TEmulator>*>(context)->push_back(emulator);
    return TRUE;
}

std::vector<TEmulator> FindEmulators(std::optional<DWORD> pid) {
    std::vector<TEmulator> all;
    EnumWindows(&CollectEmulator, reinterpret_cast<LPARAM>(&all));
    std::vector<TEmulator> found;
    for (const TEmulator& emulator : all) {
        if (!pid || emulator.pid == *pid) found.push_back(emulator);
    }
    return found;
}

// The hidden window that takes the emulator's answer while the swipe's
// message is under way.
class TAnswerWindow {
public:
    TAnswerWindow() {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &Procedure;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kAnswerClass;
        RegisterClassExW(&wc);
        FWindow = CreateWindowExW(0, kAnswerClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrW(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~TAnswerWindow() {
        if (FWindow) DestroyWindow(FWindow);
        UnregisterClassW(kAnswerClass, GetModuleHandleW(nullptr));
    }
    TAnswerWindow(const TAnswerWindow&) = delete;
    TAnswerWindow& operator=(const TAnswerWindow&) = delete;

    HWND Handle() const { return FWindow; }
    std::optional<swipe::TAnswer> answer;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<TAnswerWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (msg == WM_COPYDATA && self) {
            const auto& data = *reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            if (data.dwData == static_cast<ULONG_PTR>(swipe::TCommand::kAnswer)) {
                self->answer = swipe::DecodeAnswer(data.lpData, data.cbData);
            }
            return TRUE;
        }
        return DefWindowProcW(window, msg, wParam, lParam);
    }
    HWND FWindow = nullptr;
};

struct TReply {
    bool answered = false;  // false: no answer within the timeout
    bool gone = false;      // the window went away meanwhile
    swipe::TStatus status{};
    std::optional<swipe::TAnswer> answer;
};

TReply Send(const TEmulator& emulator, const swipe::TRequest& request) {
    TAnswerWindow answerWindow;
    std::string bytes = swipe::EncodeRequest(request);
    COPYDATASTRUCT data{static_cast<ULONG_PTR>(request.command), static_cast<DWORD>(bytes.size()),
                        bytes.empty() ? nullptr : bytes.data()};
    DWORD_PTR result = 0;
    TReply reply;
    SetLastError(ERROR_SUCCESS);
    if (SendMessageTimeoutW(emulator.window, WM_COPYDATA, reinterpret_cast<WPARAM>(answerWindow.Handle()),
                            reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, kAnswerTimeoutMs, &result) == 0) {
        reply.gone = !IsWindow(emulator.window);
        return reply;
    }
    reply.answered = true;
    reply.status = static_cast<swipe::TStatus>(static_cast<int32_t>(result));
    reply.answer = std::move(answerWindow.answer);
    return reply;
}

void ListEmulators(const std::vector<TEmulator>& emulators) {
    Err(u"several connected emulators; pick one with --pid:");
    for (const TEmulator& emulator : emulators) {
        std::u16string line = u"  pid " + IntToText(emulator.pid) + u"  \"" + emulator.caption + u"\"";
        const TReply reply = Send(emulator, {swipe::TCommand::kDescribe, {}, 0});
        if (reply.answer) {
            for (int n = 0; n < swipe::kPresetCount; ++n) {
                if (!reply.answer->presets[n].empty()) {
                    line += u"  " + IntToText(n + 1) + u": " + swipe::ShowControls(reply.answer->presets[n]);
                }
            }
        }
        Write(STD_ERROR_HANDLE, line + u"\n");
    }
}

int Run(const TOptions& options) {
    const std::vector<TEmulator> found = FindEmulators(options.pid);
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
        const std::u16string where = options.pid ? u" in process " + IntToText(*options.pid) : u"";
        Err(found.empty() ? u"no emulator window" + where + u" (class " + swipe::kWindowClass + u")"
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

int wmain(int argc, wchar_t** argv) {
    const std::optional<TOptions> options = ParseArguments(argc, argv);
    if (!options) {
        Write(STD_ERROR_HANDLE, kUsageText);
        return kUsage;
    }
    if (options->request.command == swipe::TCommand::kSwipeText &&
        options->request.text.size() * 2 > swipe::kMaxDataBytes) {
        Err(u"refused: " + swipe::StatusText(swipe::TStatus::kTooLong));
        return kRefused;
    }
    return Run(*options);
}
