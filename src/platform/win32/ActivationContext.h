// Version 6 of the common controls for the component's windows. The host's
// own manifest decides which comctl32 a process gets; the component carries
// its own manifest (resource ISOLATIONAWARE_MANIFEST_RESOURCE_ID) and makes
// it the active context while it creates windows and handles their
// messages, so that its controls and message boxes are the version 6 ones
// whatever the host asked for.
#pragma once

#include <windows.h>

#include <memory>

#include "platform/win32/OwnModule.h"

namespace win {

class TActivationContext {
public:
    // The context of the manifest in the module that holds this code (the
    // DLL, or a test program). Empty when the module has none or the system
    // refuses it: then activating it does nothing and the windows get the
    // common controls of the host's context.
    static TActivationContext ForOwnModule();

    bool Empty() const { return !FHandle; }
    HANDLE Handle() const { return FHandle.get(); }

private:
    struct Releaser {
        void operator()(HANDLE context) const { ReleaseActCtx(context); }
    };
    std::unique_ptr<void, Releaser> FHandle;
};

// Makes a context the calling thread's active one for the life of the scope.
class TActivationScope {
public:
    explicit TActivationScope(const TActivationContext& context);
    ~TActivationScope();
    TActivationScope(const TActivationScope&) = delete;
    TActivationScope& operator=(const TActivationScope&) = delete;

private:
    ULONG_PTR FCookie = 0;
    bool FActive = false;
};

// The window procedure of the component's forms. The form arrives as the
// creation parameter and rides in the window's user data; every message is
// handled by the form's `Handler` inside the form's `Context`, so that
// message boxes and controls made while handling get version 6 too.
template <class TForm, TActivationContext TForm::*Context,
          LRESULT (TForm::*Handler)(HWND, UINT, WPARAM, LPARAM)>
LRESULT CALLBACK FormWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* form = reinterpret_cast<TForm*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!form) return DefWindowProcW(hwnd, msg, wParam, lParam);
    TActivationScope scope(form->*Context);
    return (form->*Handler)(hwnd, msg, wParam, lParam);
}

}  // namespace win
