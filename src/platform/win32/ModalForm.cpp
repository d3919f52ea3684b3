#include "platform/win32/ModalForm.h"

#include <map>
#include <mutex>
#include <new>
#include <vector>

#include "common/Error.h"
#include "common/Text.h"
#include "platform/win32/ActivationContext.h"
#include "platform/win32/WinHandles.h"

namespace win {
namespace {

std::mutex gClassLock;
std::map<std::wstring, int> gClassUsers;

struct ScreenDC {
    HDC dc = GetDC(nullptr);
    ~ScreenDC() {
        if (dc) ReleaseDC(nullptr, dc);
    }
};

BOOL CALLBACK CollectEnabled(HWND window, LPARAM list) {
    if (IsWindowVisible(window) && IsWindowEnabled(window)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

// The thread's other top-level windows, disabled for the life of the scope.
class TDisabledWindows {
public:
    explicit TDisabledWindows(HWND modal) {
        EnumThreadWindows(GetCurrentThreadId(), CollectEnabled, reinterpret_cast<LPARAM>(&FWindows));
        std::erase(FWindows, modal);
        for (HWND window : FWindows) EnableWindow(window, FALSE);
    }
    ~TDisabledWindows() {
        for (HWND window : FWindows) {
            if (IsWindow(window)) EnableWindow(window, TRUE);
        }
    }
    TDisabledWindows(const TDisabledWindows&) = delete;
    TDisabledWindows& operator=(const TDisabledWindows&) = delete;

private:
    std::vector<HWND> FWindows;
};

}  // namespace

int ScreenDpi() {
    ScreenDC screen;
    const int dpi = screen.dc ? GetDeviceCaps(screen.dc, LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : 96;
}

void CenterOnScreen(HWND window) {
    RECT frame{};
    GetWindowRect(window, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

WNDCLASSEXW TWindowClassUse::Plain(const wchar_t* name, WNDPROC proc) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name;
    return wc;
}

TWindowClassUse::TWindowClassUse(const wchar_t* name, WNDPROC proc) : TWindowClassUse(Plain(name, proc)) {}

TWindowClassUse::TWindowClassUse(WNDCLASSEXW wc) : FName(wc.lpszClassName) {
    std::lock_guard lock(gClassLock);
    if (gClassUsers[FName]++ > 0) return;
    wc.hInstance = OwnModule();
    RegisterClassExW(&wc);
}

TWindowClassUse::~TWindowClassUse() {
    std::lock_guard lock(gClassLock);
    if (--gClassUsers[FName] > 0) return;
    gClassUsers.erase(FName);
    UnregisterClassW(FName, OwnModule());
}

void RunModal(HWND window, const bool& done, const std::function<bool(MSG&)>& preTranslate) {
    const HWND previous = GetActiveWindow();
    {
        TDisabledWindows others(window);
        ShowWindow(window, SW_SHOWNORMAL);
        SetForegroundWindow(window);
        MSG msg{};
        while (!done) {
            const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
            if (got == 0) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            if (got < 0) break;
            if (preTranslate && preTranslate(msg)) continue;
            if (IsDialogMessageW(window, &msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    // Enabled again before the window goes, so that activation returns to
    // the host's window rather than to another program's.
    if (previous && IsWindow(previous)) SetActiveWindow(previous);
    ShowWindow(window, SW_HIDE);
}

void EndModal(HWND window, bool& done) {
    done = true;
    // A close sent from another thread is handled inside GetMessage: wake the loop.
    PostMessageW(window, WM_NULL, 0, 0);
}

void ShowErrorBox(HWND window, const std::u16string& message) {
    MessageBoxW(window, Wide(ErrorBoxText(message)), Wide(WindowText(window)), MB_OK | MB_ICONERROR);
}

}  // namespace win
