// What the component's modal windows (the log viewer, the help page) share:
// a layout designed at 120 dots per inch and scaled to the screen, a place
// in the screen's centre, a window class that stays registered while a
// window uses it, and a modal message loop like the host's own dialogs have.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

namespace win {

// The screen's resolution in dots per inch (96 when it cannot be read).
int ScreenDpi();

// A length of a layout designed at 120 dots per inch, at the given resolution.
inline int ScaleFromDesign(int length, int dpi) { return MulDiv(length, dpi, 120); }

// Moves a window so that its frame is centred on the primary screen.
void CenterOnScreen(HWND window);

// Registers a window class for as long as some window of it lives: the DLL
// may be unloaded and loaded again elsewhere while the host runs.
class TWindowClassUse {
public:
    // A class of the component's module with the arrow cursor and the dialog background.
    TWindowClassUse(const wchar_t* name, WNDPROC proc);
    // A class described in full; its module is made the component's own.
    explicit TWindowClassUse(WNDCLASSEXW wc);
    ~TWindowClassUse();
    TWindowClassUse(const TWindowClassUse&) = delete;
    TWindowClassUse& operator=(const TWindowClassUse&) = delete;

private:
    static WNDCLASSEXW Plain(const wchar_t* name, WNDPROC proc);
    const wchar_t* FName;
};

// Runs the message loop of a modal window until `done` turns true: the
// thread's other top-level windows are disabled meanwhile and enabled, with
// the window that was active activated again, before this returns. A
// WM_QUIT ends the loop and is posted again for the thread's own loop.
// `preTranslate` sees each message first and answers true when it has
// handled it.
void RunModal(HWND window, const bool& done, const std::function<bool(MSG&)>& preTranslate = {});

// Ends RunModal's loop for `window`; a modal form calls it on WM_CLOSE.
void EndModal(HWND window, bool& done);

// A handler's error shown to the user over the window (the text of
// ErrorBoxText), captioned with the window's caption.
void ShowErrorBox(HWND window, const std::u16string& message);

struct IconDestroyer {
    void operator()(HICON icon) const { DestroyIcon(icon); }
};
using UniqueIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDestroyer>;

}  // namespace win
