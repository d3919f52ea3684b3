// McrSwipe (McrSwipe.exe, McrSwipe64.exe): a card swipe from a script, for unattended tests of the host's
// configurations; its logic is SwipeTool's. Here, what is Windows': the
// emulator windows found by their class and the process that owns them, each
// asked to describe itself, the swipe sent as WM_COPYDATA, the window's
// answer taken by a hidden window of the tool's, and the console. One build
// for 32 and one for 64 bits; either reaches the windows of both widths.
//
//   McrSwipe [--device PID-N | --pid PID] TEXT
//   McrSwipe [--device PID-N | --pid PID] --barcode N
//   McrSwipe [--device PID-N | --pid PID] -- TEXT
//   McrSwipe --list [--pid PID]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "SwipeTool.h"
#include "common/Text.h"
#include "emulator/Swipe.h"

namespace swipetool {

// Named as the file is, so that messages say which of the two spoke.
#ifdef _WIN64
const char16_t kProgram[] = u"McrSwipe64";
#else
const char16_t kProgram[] = u"McrSwipe";
#endif

namespace {

// One deadline for the whole run, descriptions and swipe together; a
// message sent late still gets a short while.
constexpr std::chrono::milliseconds kAnswerTimeout{5000};
constexpr std::chrono::milliseconds kLeastTimeout{250};
const auto gStarted = std::chrono::steady_clock::now();

UINT TimeLeftMs() {
    const auto left = kAnswerTimeout - std::chrono::duration_cast<std::chrono::milliseconds>(
                                           std::chrono::steady_clock::now() - gStarted);
    return static_cast<UINT>(std::max(left, kLeastTimeout).count());
}

constexpr wchar_t kAnswerClass[] = L"McrSwipe.Answer";

const char16_t* Units(const wchar_t* text) { return reinterpret_cast<const char16_t*>(text); }
const wchar_t* Wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

BOOL CALLBACK CollectEmulator(HWND window, LPARAM context) {
    wchar_t name[64] = {};
    if (GetClassNameW(window, name, static_cast<int>(std::size(name))) == 0) return TRUE;
    if (std::u16string(Units(name)) != swipe::kWindowClass) return TRUE;
    TEmulator emulator;
    emulator.window = reinterpret_cast<std::uintptr_t>(window);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    emulator.pid = static_cast<long>(pid);
    reinterpret_cast<std::vector<TEmulator>*>(context)->push_back(emulator);
    return TRUE;
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

}  // namespace

std::vector<TEmulator> FindEmulators() {
    std::vector<TEmulator> all;
    EnumWindows(&CollectEmulator, reinterpret_cast<LPARAM>(&all));
    for (TEmulator& emulator : all) emulator.described = Send(emulator, {swipe::TCommand::kDescribe, {}, 0});
    return all;
}

TReply Send(const TEmulator& emulator, const swipe::TRequest& request) {
    HWND window = reinterpret_cast<HWND>(emulator.window);
    TAnswerWindow answerWindow;
    std::string bytes = swipe::EncodeRequest(request);
    COPYDATASTRUCT data{static_cast<ULONG_PTR>(request.command), static_cast<DWORD>(bytes.size()),
                        bytes.empty() ? nullptr : bytes.data()};
    DWORD_PTR result = 0;
    TReply reply;
    SetLastError(ERROR_SUCCESS);
    if (SendMessageTimeoutW(window, WM_COPYDATA, reinterpret_cast<WPARAM>(answerWindow.Handle()),
                            reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, TimeLeftMs(), &result) == 0) {
        // A process of a higher integrity level (run as administrator) is
        // refused our messages at once, which is not a busy window.
        reply.denied = GetLastError() == ERROR_ACCESS_DENIED;
        reply.gone = !reply.denied && !IsWindow(window);
        return reply;
    }
    reply.answered = true;
    reply.status = static_cast<swipe::TStatus>(static_cast<int32_t>(result));
    reply.answer = std::move(answerWindow.answer);
    return reply;
}

std::u16string Whereabouts() { return u"class " + std::u16string(swipe::kWindowClass); }

// UTF-8 into pipes and files, UTF-16 onto a console.
void Write(bool AError, const std::u16string& text) {
    HANDLE handle = GetStdHandle(AError ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
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

}  // namespace swipetool

int wmain(int argc, wchar_t** argv) {
    std::vector<std::u16string> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(reinterpret_cast<const char16_t*>(argv[i]));
    return swipetool::Main(arguments);
}
