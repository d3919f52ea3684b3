// The component's one UI thread per process on Linux. The host's own event
// loop knows nothing of FLTK, so every window of the component lives on this
// thread, which runs FLTK's loop on a display connection of its own. The
// thread starts on first use and ends, closing the connection, when the
// library is unloaded.
#pragma once

#include <functional>
#include <memory>

class Fl_Window;

namespace platform {

// Runs AWork on the UI thread and waits until it has returned; what it raises
// is raised here. On the UI thread itself AWork runs at once. Fails with
// EComponentError saying that there is no graphical display when DISPLAY is
// unset or cannot be opened, or once the thread has ended at unload.
void RunOnUiThread(const std::function<void()>& AWork);

bool OnUiThread();

// A modal window: AMake builds it on the UI thread, it is shown there, and
// the call returns once it has been hidden (closed by the user), after the
// window has been destroyed on the UI thread.
void ShowModalOnUiThread(const std::function<std::unique_ptr<Fl_Window>()>& AMake);

// Ends the UI thread and closes its display connection; later calls fail as
// without a display. Runs by itself when the library is unloaded.
void StopUiThread();

// A child widget for the group being built: FLTK's groups own their children
// and delete them with themselves.
template <class TWidget, class... TArgs>
TWidget* AddChild(TArgs&&... AArgs) {
    return std::make_unique<TWidget>(std::forward<TArgs>(AArgs)...).release();
}

}  // namespace platform
