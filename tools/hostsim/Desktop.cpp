#include "Desktop.h"

#include "Text.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace hostsim::desktop {
namespace {

// The control that carries a message box's text, in Windows and in Wine.
constexpr int kBoxTextId = 0xFFFF;

bool OurProcess(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process == GetCurrentProcessId();
}

std::string Rect(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

std::string Size(long width, long height) { return std::to_string(width) + "x" + std::to_string(height); }

std::string YesNo(bool flag) { return flag ? "yes" : "no"; }

// A dialog of this process that has a message box's text control.
bool IsMessageBox(HWND window) {
    return IsWindowVisible(window) && ClassOf(window) == u"#32770" && GetDlgItem(window, kBoxTextId) != nullptr;
}

// Enumeration callbacks are named functions: a lambda does not convert to
// the stdcall pointer that 32-bit Windows wants.
BOOL CALLBACK CollectMessageBox(HWND window, LPARAM context) {
    if (OurProcess(window) && IsMessageBox(window)) {
        reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
    }
    return TRUE;
}

std::vector<HWND> OurMessageBoxes() {
    std::vector<HWND> boxes;
    EnumWindows(&CollectMessageBox, reinterpret_cast<LPARAM>(&boxes));
    return boxes;
}

struct TopSearch {
    const std::u16string& caption;
    HWND visible = nullptr;
    HWND hidden = nullptr;
};

BOOL CALLBACK MatchTopWindow(HWND window, LPARAM context) {
    auto& s = *reinterpret_cast<TopSearch*>(context);
    if (OurProcess(window) && TextOf(window) == s.caption) {
        if (IsWindowVisible(window)) {
            s.visible = window;
            return FALSE;
        }
        if (s.hidden == nullptr) {
            s.hidden = window;
        }
    }
    return TRUE;
}

struct ChildSearch {
    int id;
    HWND found = nullptr;
};

BOOL CALLBACK MatchChild(HWND child, LPARAM context) {
    auto& s = *reinterpret_cast<ChildSearch*>(context);
    if (GetDlgCtrlID(child) == s.id) {
        s.found = child;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

std::u16string TextOf(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::u16string text(static_cast<std::size_t>(std::max(length, 0)) + 1, u'\0');
    const int copied = GetWindowTextW(window, reinterpret_cast<wchar_t*>(text.data()), length + 1);
    text.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return text;
}

std::u16string ClassOf(HWND window) {
    wchar_t name[256] = {};
    const int length = GetClassNameW(window, name, 256);
    return std::u16string(reinterpret_cast<const char16_t*>(name), static_cast<std::size_t>(std::max(length, 0)));
}

HWND FindTopWindow(const std::u16string& caption) {
    TopSearch search{caption};
    EnumWindows(&MatchTopWindow, reinterpret_cast<LPARAM>(&search));
    return search.visible != nullptr ? search.visible : search.hidden;
}

HWND FindChild(HWND parent, int id) {
    ChildSearch search{id};
    EnumChildWindows(parent, &MatchChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string DescribeWindow(HWND window) {
    RECT outer{};
    RECT client{};
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    const LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
    std::string alpha = "none";
    BYTE level = 0;
    DWORD flags = 0;
    if ((exStyle & WS_EX_LAYERED) != 0 && GetLayeredWindowAttributes(window, nullptr, &level, &flags) &&
        (flags & LWA_ALPHA) != 0) {
        alpha = std::to_string(level);
    }
    return "visible=" + YesNo(IsWindowVisible(window)) + " rect=" + Rect(outer) +
           " outer=" + Size(outer.right - outer.left, outer.bottom - outer.top) +
           " client=" + Size(client.right, client.bottom) + " screen=" +
           Size(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)) + " caption=\"" +
           Printable(TextOf(window)) + "\" alpha=" + alpha + " topmost=" + YesNo((exStyle & WS_EX_TOPMOST) != 0) +
           " toolwindow=" + YesNo((exStyle & WS_EX_TOOLWINDOW) != 0);
}

std::string DescribeChild(HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    return "visible=" + YesNo(IsWindowVisible(child)) + " rect=" + Rect(r) +
           " size=" + Size(r.right - r.left, r.bottom - r.top) + " class=" + Printable(ClassOf(child)) + " text=\"" +
           Printable(TextOf(child)) + "\"";
}

bool ClickCentre(HWND window, int count, std::string& reason) {
    RECT r{};
    if (!GetWindowRect(window, &r)) {
        reason = "the window has no rectangle";
        return false;
    }
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    const int x = (r.left + r.right) / 2;
    const int y = (r.top + r.bottom) / 2;
    if (width < 2 || height < 2 || x < 0 || y < 0 || x >= width || y >= height) {
        reason = "the centre " + std::to_string(x) + "," + std::to_string(y) + " is off the screen";
        return false;
    }
    std::vector<INPUT> inputs;
    INPUT move{};
    move.type = INPUT_MOUSE;
    // Absolute input is in 0..65535 across the primary screen.
    move.mi.dx = MulDiv(x, 65535, width - 1);
    move.mi.dy = MulDiv(y, 65535, height - 1);
    move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    inputs.push_back(move);
    for (int i = 0; i < count; ++i) {
        INPUT press{};
        press.type = INPUT_MOUSE;
        press.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        inputs.push_back(press);
        press.mi.dwFlags = MOUSEEVENTF_LEFTUP;
        inputs.push_back(press);
    }
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    if (sent != inputs.size()) {
        reason = "SendInput took " + std::to_string(sent) + " of " + std::to_string(inputs.size()) + " inputs";
        return false;
    }
    return true;
}

BoxWatcher::BoxWatcher(std::chrono::milliseconds patience) : patience_(patience), thread_([this] { Watch(); }) {}

BoxWatcher::~BoxWatcher() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    thread_.join();
}

void BoxWatcher::Arm(const std::u16string& caption) {
    std::lock_guard lock(mutex_);
    armed_[caption].reset();
}

std::optional<BoxSeen> BoxWatcher::Seen(const std::u16string& caption) const {
    std::lock_guard lock(mutex_);
    const auto found = armed_.find(caption);
    return found != armed_.end() ? found->second : std::nullopt;
}

std::vector<std::string> BoxWatcher::TakeUnexpected() {
    std::lock_guard lock(mutex_);
    return std::exchange(unexpected_, {});
}

void BoxWatcher::Watch() {
    using namespace std::chrono_literals;
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stop_) {
                return;
            }
        }
        const auto now = std::chrono::steady_clock::now();
        const std::vector<HWND> boxes = OurMessageBoxes();
        {
            // A handle of a box that is gone may come back as another box.
            std::lock_guard lock(mutex_);
            std::erase_if(strangers_, [&](const auto& entry) {
                return std::find(boxes.begin(), boxes.end(), entry.first) == boxes.end();
            });
        }
        for (HWND box : boxes) {
            const std::u16string caption = TextOf(box);
            const std::u16string text = TextOf(GetDlgItem(box, kBoxTextId));
            std::lock_guard lock(mutex_);
            const auto armed = armed_.find(caption);
            if (armed != armed_.end() && !armed->second) {
                armed->second = BoxSeen{text};
                strangers_.erase(box);
                // Posted, not sent: the box's own modal loop answers it.
                PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
                continue;
            }
            const auto first = strangers_.try_emplace(box, now).first->second;
            if (now - first >= patience_) {
                std::string report = "\"";
                report += Printable(caption);
                report += "\": \"";
                report += Printable(text);
                report += '"';
                unexpected_.push_back(std::move(report));
                strangers_.erase(box);
                PostMessageW(box, WM_CLOSE, 0, 0);
            }
        }
        std::this_thread::sleep_for(25ms);
    }
}

}  // namespace hostsim::desktop
