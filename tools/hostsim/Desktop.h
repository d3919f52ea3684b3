// What a user does to a component's windows, done for real through the
// window manager: finding this process's windows, clicking with SendInput,
// and answering message boxes that would otherwise block the script.
#pragma once

#include <windows.h>

#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace hostsim::desktop {

// A top-level window of this process with exactly this caption, visible ones
// first; null when there is none.
HWND FindTopWindow(const std::u16string& caption);
// Any descendant with this control ID (controls sit on panels and pages).
HWND FindChild(HWND parent, int id);

std::u16string TextOf(HWND window);
std::u16string ClassOf(HWND window);

// One line: visibility, outer rectangle, client size, caption, alpha, topmost.
std::string DescribeWindow(HWND window);
// One line: visibility, rectangle in screen coordinates, class, text.
std::string DescribeChild(HWND child);

// Clicks `count` times (1 or 2) at the centre of the window through the
// system's input queue; false with a reason when the input was refused.
bool ClickCentre(HWND window, int count, std::string& reason);

struct BoxSeen {
    std::u16string text;
};

// Watches this process for message boxes on a thread of its own, because a
// modal box holds the main thread (and with it the script) until it closes.
// An armed caption is recorded with its text and answered with OK at once;
// any other box is recorded as unexpected and closed after `patience`.
class BoxWatcher {
public:
    explicit BoxWatcher(std::chrono::milliseconds patience);
    ~BoxWatcher();
    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;

    // Forgets an earlier sighting of the caption and waits for the next one.
    void Arm(const std::u16string& caption);
    std::optional<BoxSeen> Seen(const std::u16string& caption) const;
    // Captions and texts of boxes nobody armed; each reported once.
    std::vector<std::string> TakeUnexpected();

private:
    void Watch();

    const std::chrono::milliseconds patience_;
    mutable std::mutex mutex_;
    std::map<std::u16string, std::optional<BoxSeen>> armed_;
    std::map<HWND, std::chrono::steady_clock::time_point> strangers_;
    std::vector<std::string> unexpected_;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace hostsim::desktop
