#include "help/win32/FmDocView.h"

#include <oleauto.h>

#include <cstdint>
#include <memory>
#include <string>

#include "common/Error.h"
#include "common/Text.h"
#include "help/DocView.h"

namespace {

// The layout in pixels at 120 dots per inch; scaled to the screen's resolution.
constexpr int kClientWidth = 633;
constexpr int kClientHeight = 425;
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

// The browser's registry form of CLSID_WebBrowser: AtlAxWin creates the
// control that its window text names.
constexpr wchar_t kWebBrowserClsid[] = L"{8856F961-340A-11D0-A96B-00C04FD705A2}";

#if defined(__i386__)
// Done when the component is loaded, on the loading thread, and left so.
[[maybe_unused]] const bool gX87Masked = (MaskX87Exceptions(), true);
#endif

using TAtlAxWinInit = BOOL(WINAPI*)();
using TAtlAxGetControl = HRESULT(WINAPI*)(HWND, IUnknown**);

struct LibraryFreer {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
using UniqueLibrary = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryFreer>;

// The system's atl.dll with its window class registered. The class's window
// procedure lives in atl.dll, and a class outlives a module in Windows'
// bookkeeping, so the module is pinned: it stays for the process's life
// whatever our reference does.
struct TAtlHost {
    HMODULE Module = nullptr;  // the class is atl.dll's: windows of it are created with its instance
    TAtlAxGetControl GetControl = nullptr;
};

TAtlHost LoadAtlHost() {
    static const TAtlHost host = [] {
        TAtlHost loaded;
        wchar_t system[MAX_PATH];
        const UINT length = GetSystemDirectoryW(system, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) return loaded;
        const std::wstring path = std::wstring(system, length) + L"\\atl.dll";
        UniqueLibrary atl(LoadLibraryW(path.c_str()));
        if (!atl) return loaded;
        HMODULE pinned = nullptr;
        if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN, path.c_str(), &pinned)) return loaded;
        const auto init = reinterpret_cast<TAtlAxWinInit>(reinterpret_cast<void*>(GetProcAddress(atl.get(), "AtlAxWinInit")));
        const auto getControl =
            reinterpret_cast<TAtlAxGetControl>(reinterpret_cast<void*>(GetProcAddress(atl.get(), "AtlAxGetControl")));
        if (init && getControl && init()) loaded = {pinned, getControl};
        return loaded;
    }();
    return host;
}

struct BstrFreer {
    void operator()(BSTR text) const { SysFreeString(text); }
};
using UniqueBstr = std::unique_ptr<OLECHAR, BstrFreer>;

}  // namespace

TfrmDocView::TfrmDocView(const std::u16string& AHtmlFilePath, const std::u16string& ACaption)
    : FContext(win::TActivationContext::ForOwnModule()), FClassUse(kClassName, &TfrmDocView::WndProc) {
    win::TActivationScope scope(FContext);
    const int dpi = win::ScreenDpi();
    RECT frame{0, 0, win::ScaleFromDesign(kClientWidth, dpi), win::ScaleFromDesign(kClientHeight, dpi)};
    AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
    HWND window = CreateWindowExW(0, kClassName, win::Wide(kDesignedCaption), kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                  win::OwnModule(), this);
    if (!window) throw EComponentError(u"Cannot create the help window");
    FHandle.reset(window);
    SetWindowTextW(window, win::Wide(ACaption));
    win::CenterOnScreen(window);
    CreateBrowser();
    Navigate(AHtmlFilePath);
}

TfrmDocView::~TfrmDocView() {
    FBrowser.Reset();
    if (FHandle) SetWindowLongPtrW(FHandle.get(), GWLP_USERDATA, 0);
}

void TfrmDocView::CreateBrowser() {
    const TAtlHost atl = LoadAtlHost();
    if (!atl.GetControl) throw EComponentError(u"The system's control host (atl.dll) is not available");
    RECT client{};
    GetClientRect(FHandle.get(), &client);
    wbBrowser = CreateWindowExW(0, kBrowserClassName, kWebBrowserClsid, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                client.right, client.bottom, FHandle.get(), nullptr, atl.Module, nullptr);
    if (!wbBrowser) throw EComponentError(u"Cannot create the web browser control");
    TComPtr<IUnknown> control;
    if (FAILED(atl.GetControl(wbBrowser, control.Receive())) || !control ||
        FAILED(control->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(FBrowser.Receive())))) {
        throw EComponentError(u"Cannot create the web browser control");
    }
    // Script errors of a page are the page's business, not dialogs for the user.
    FBrowser->put_Silent(VARIANT_TRUE);
}

void TfrmDocView::Navigate(const std::u16string& APath) {
    UniqueBstr url(SysAllocString(win::Wide(APath)));
    if (!url) throw EComponentError(u"Out of memory");
    VARIANT none{};
    VariantInit(&none);
    const HRESULT result = FBrowser->Navigate(url.get(), &none, &none, &none, &none);
    if (FAILED(result)) throw EComponentError(u"Cannot open the page \"" + APath + u"\"");
}

void TfrmDocView::ShowModal() {
    win::TActivationScope scope(FContext);
    FModalDone = false;
    win::RunModal(FHandle.get(), FModalDone, [this](MSG& msg) { return TranslateBrowserKey(msg); });
}

// Keys for the page (arrows, Tab, Ctrl+C) go through the browser's own
// accelerators first, as an in-place active object expects of its container.
bool TfrmDocView::TranslateBrowserKey(MSG& msg) {
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !FBrowser) return false;
    if (msg.hwnd != wbBrowser && !IsChild(wbBrowser, msg.hwnd)) return false;
    TComPtr<IOleInPlaceActiveObject> active;
    if (FAILED(FBrowser->QueryInterface(IID_IOleInPlaceActiveObject, reinterpret_cast<void**>(active.Receive())))) {
        return false;
    }
    return active->TranslateAccelerator(&msg) == S_OK;
}

LRESULT CALLBACK TfrmDocView::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return win::FormWindowProc<TfrmDocView, &TfrmDocView::FContext, &TfrmDocView::HandleMessage>(hwnd, msg, wParam, lParam);
}

LRESULT TfrmDocView::HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SIZE:
        if (wbBrowser) MoveWindow(wbBrowser, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_SETFOCUS:
        // The page takes the keys: scrolling, selecting, copying.
        if (wbBrowser) SetFocus(wbBrowser);
        return 0;
    case WM_CLOSE:
        win::EndModal(hwnd, FModalDone);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

#if defined(__i386__)
// The browser's layout and script engines leave x87 exceptions to be masked;
// with one unmasked by code that ran before us on the thread, a page would
// take the host's process down. On x64 the compiled code of every party
// uses SSE, whose exceptions the system's ABI keeps masked, and the x87
// unit is left to nobody: nothing to do there.
void MaskX87Exceptions() {
    uint16_t control = 0;
    __asm__ __volatile__("fnstcw %0" : "=m"(control));
    control |= 0x3F;  // invalid operation, denormal, zero divide, overflow, underflow, precision
    __asm__ __volatile__("fldcw %0" : : "m"(control));
}
#endif

void ShowDocViewWindow(const std::u16string& AHtmlFilePath, const std::u16string& ACaption) {
    TfrmDocView form(AHtmlFilePath, ACaption);
    form.ShowModal();
}
