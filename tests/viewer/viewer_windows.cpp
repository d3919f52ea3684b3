// Both viewer windows as the user meets them, run on a desktop (Wine on a
// virtual X display in the tests). The main thread opens each window
// modally, as the additional actions do; a watcher thread looks at it,
// drives it through its messages, keeps a picture of it, and closes it.
//   viewer_windows <folder for the pictures>
// Exit code 0 when everything held, 1 when something did not, 77 when the CPU
// is emulated (GUI threads there crash the emulator).
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "common/Error.h"
#include "common/Text.h"
#include "help/MarkdownRenderer.h"
#include "help/win32/FmDocView.h"
#include "log/Log.h"
#include "log/LogViewer.h"
#include "log/win32/FmLog.h"
#include "platform/Files.h"
#include "platform/Platform.h"
#include "platform/Resources.h"
#include "resources/ResourceIds.h"

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<int> gFailures{0};

void Check(bool condition, const std::string& what) {
    std::printf("%s %s\n", condition ? "ok  " : "FAIL", what.c_str());
    std::fflush(stdout);
    if (!condition) ++gFailures;
}

const wchar_t* W(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

std::u16string TextOf(HWND window) {
    const auto length = static_cast<size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
    std::u16string text(length + 1, u'\0');
    const auto got = static_cast<size_t>(
        SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
    text.resize(got);
    return text;
}

std::vector<std::u16string> ComboItems(HWND combo) {
    std::vector<std::u16string> items;
    const auto count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        std::u16string item(static_cast<size_t>(SendMessageW(combo, CB_GETLBTEXTLEN, i, 0)) + 1, u'\0');
        const auto length = SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()));
        item.resize(length > 0 ? static_cast<size_t>(length) : 0);
        items.push_back(item);
    }
    return items;
}

// Waits up to `seconds` for the condition; false when it never held.
bool WaitFor(const std::function<bool()>& condition, double seconds) {
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    while (Clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return condition();
}

// A top-level window of this process with the class (and the caption, when given).
HWND FindOwnWindow(const wchar_t* className, const wchar_t* caption = nullptr) {
    for (HWND window = FindWindowExW(nullptr, nullptr, className, caption); window;
         window = FindWindowExW(nullptr, window, className, caption)) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId()) return window;
    }
    return nullptr;
}

HWND WaitForWindow(const wchar_t* className, const std::u16string& caption) {
    HWND found = nullptr;
    WaitFor(
        [&] {
            found = FindOwnWindow(className, W(caption));
            return found && IsWindowVisible(found);
        },
        30);
    return found && IsWindowVisible(found) ? found : nullptr;
}

// The window's own pixels from the screen, as a 24-bit BMP file.
void SavePicture(HWND window, const std::u16string& path) {
    RECT frame{};
    GetWindowRect(window, &frame);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    std::string pixels(stride * height, '\0');
    GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
    bytes += pixels;
    platform::CreateFileWithBytes(path, bytes);
}

int Scaled(int length) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return MulDiv(length, dpi, 120);
}

void CheckPlacement(HWND window, int width, int height, const char* name) {
    RECT client{};
    GetClientRect(window, &client);
    Check(client.right == Scaled(width) && client.bottom == Scaled(height),
          std::string(name) + ": client area " + std::to_string(width) + "x" + std::to_string(height) +
              " at 120 dpi, scaled (got " + std::to_string(client.right) + "x" + std::to_string(client.bottom) + ")");
    RECT frame{};
    GetWindowRect(window, &frame);
    const int dx = (frame.left + frame.right) / 2 - GetSystemMetrics(SM_CXSCREEN) / 2;
    const int dy = (frame.top + frame.bottom) / 2 - GetSystemMetrics(SM_CYSCREEN) / 2;
    Check(std::abs(dx) <= 1 && std::abs(dy) <= 1, std::string(name) + ": centred on the screen");
}

// The error box that a handler of `owner` shows: its text, and it is closed.
std::u16string TakeErrorBox(HWND owner) {
    HWND box = nullptr;
    WaitFor(
        [&] {
            box = FindOwnWindow(L"#32770");
            return box && GetWindow(box, GW_OWNER) == owner && IsWindowVisible(box);
        },
        10);
    if (!box || GetWindow(box, GW_OWNER) != owner) return u"(no box)";
    std::u16string text;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[32] = {};
        GetClassNameW(child, className, 32);
        if (std::wstring(className) == L"Static") {
            const std::u16string part = TextOf(child);
            if (!part.empty()) text = part;
        }
    }
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    WaitFor([&] { return !IsWindow(box); }, 10);
    return text;
}

std::string Narrow(const std::u16string& text) { return ToUtf8(text); }

// ---- the log viewer --------------------------------------------------------

void WatchLogViewer(const std::u16string& directory, const std::u16string& shots, const std::u16string& base) {
    const HWND window = WaitForWindow(TfrmLog::kClassName, TfrmLog::kCaption);
    Check(window != nullptr, "log viewer: the window opens");
    if (!window) return;
    Check(TextOf(window) == u"Просмотр лога", "log viewer: caption");
    CheckPlacement(window, 884, 550, "log viewer");
    const HWND files = GetDlgItem(window, TfrmLog::kLogFilesId);
    const HWND encoding = GetDlgItem(window, TfrmLog::kEncodingId);
    const HWND text = GetDlgItem(window, TfrmLog::kLogTextId);
    const HWND button = GetDlgItem(window, TfrmLog::kOpenDirId);
    Check(files && encoding && text && button, "log viewer: its four controls");
    const std::u16string newest = base + u"_2024.01.20.log";
    Check(ComboItems(files) == std::vector<std::u16string>{u"a_other.LOG", base + u"_2024.01.19.log", newest},
          "log viewer: the .log files in any letter case, sorted");
    Check(SendMessageW(files, CB_GETCURSEL, 0, 0) == 2, "log viewer: the newest file is selected");
    Check(ComboItems(encoding) == std::vector<std::u16string>{u"UTF-8", u"ANSI", u"OEM"} &&
              SendMessageW(encoding, CB_GETCURSEL, 0, 0) == 0,
          "log viewer: encodings, UTF-8 selected");
    Check(TextOf(text) == u"первая строка\r\nsecond line\r\n", "log viewer: the newest file's text");
    const LONG_PTR style = GetWindowLongPtrW(text, GWL_STYLE);
    Check((style & ES_READONLY) && (style & WS_HSCROLL) && (style & WS_VSCROLL), "log viewer: read-only, both scroll bars");

    // Another thread appends, as the log writer does; the text follows.
    SendMessageW(text, EM_SETSEL, 5, 5);
    const auto appended = Clock::now();
    platform::AppendToFile(directory + newest, "третья строка\r\n");
    const bool followed = WaitFor([&] { return TextOf(text).ends_with(u"третья строка\r\n"); }, 5);
    const double seconds = std::chrono::duration<double>(Clock::now() - appended).count();
    Check(followed && seconds < 2.5, "log viewer: an appended line shows within about a second (" +
                                         std::to_string(seconds) + " s)");
    DWORD start = 0, end = 0;
    SendMessageW(text, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    Check(start == 5 && end == 5, "log viewer: the caret stays where it was");
    Sleep(300);
    SavePicture(window, shots + u"\\logviewer.bmp");

    // Another encoding reloads the file in it, caret at the start.
    SendMessageW(encoding, CB_SETCURSEL, 1, 0);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(TfrmLog::kEncodingId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(encoding));
    const std::string bytes = platform::ReadWholeFile(directory + newest, platform::TShareMode::DenyNone);
    Check(TextOf(text) == DecodeLogText(bytes, 1251), "log viewer: ANSI reads the file as Windows-1251");
    SendMessageW(text, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    Check(start == 0 && end == 0, "log viewer: the caret is at the start after a reload by choice");

    // A file that has gone: the user reads why, the window stays.
    DeleteFileW(W(directory + newest));
    std::thread pick([&] {
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(TfrmLog::kLogFilesId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(files));
    });
    const std::u16string box = TakeErrorBox(window);
    pick.join();
    Check(box == u"The specified file was not found.", "log viewer: a vanished file is reported (" + Narrow(box) + ")");
    Check(IsWindowVisible(window) != FALSE, "log viewer: the window stays open after an error");

    PostMessageW(window, WM_CLOSE, 0, 0);
}

void TestLogViewer(const std::u16string& shots) {
    const std::u16string base = u"viewer_windows_" + IntToText(GetCurrentProcessId());
    TLog::SetLogFileName(base);
    const std::u16string directory = TLog::GetAbsolutePath(true);
    platform::CreateFileWithBytes(directory + base + u"_2024.01.19.log", "first day\r\n");
    platform::CreateFileWithBytes(directory + base + u"_2024.01.20.log", "первая строка\r\nsecond line\r\n");
    platform::CreateFileWithBytes(directory + u"a_other.LOG", "other\r\n");
    platform::CreateFileWithBytes(directory + u"notes.txt", "not a log\r\n");

    std::thread watcher(WatchLogViewer, directory, shots, base);
    const auto opened = Clock::now();
    try {
        ShowLogViewer();
        Check(true, "log viewer: the modal call returns when the window is closed");
    } catch (const EComponentError& e) {
        Check(false, "log viewer: " + std::string(e.what()));
    }
    watcher.join();
    Check(std::chrono::duration<double>(Clock::now() - opened).count() > 1, "log viewer: the call waited for the window");
    Check(FindOwnWindow(TfrmLog::kClassName) == nullptr, "log viewer: no window is left");
    platform::DeleteFolderTree(directory.substr(0, directory.size() - 1));
}

// ---- the help page -----------------------------------------------------------

void WatchHelp(const std::u16string& temp, const std::u16string& shots, std::u16string& folderSeen) {
    const HWND window = WaitForWindow(TfrmDocView::kClassName, u"Справка");
    Check(window != nullptr, "help: the window opens with the caption passed in");
    if (!window) return;
    CheckPlacement(window, 633, 425, "help");
    const HWND browser = FindWindowExW(window, nullptr, TfrmDocView::kBrowserClassName, nullptr);
    Check(browser != nullptr, "help: the browser control's host fills the window");
    if (browser) {
        RECT host{}, client{};
        GetClientRect(browser, &host);
        GetClientRect(window, &client);
        Check(host.right == client.right && host.bottom == client.bottom, "help: the browser has the whole client area");
    }
    // The page lies in the renderer's own folder while the window is open.
    for (const platform::TFolderEntry& entry : platform::ListFolder(temp)) {
        if (entry.IsFolder && entry.Name.size() == 38 && entry.Name.front() == u'{') folderSeen = temp + u"\\" + entry.Name;
    }
    Check(!folderSeen.empty() && platform::FileExists(folderSeen + u"\\md.html") &&
              platform::FileExists(folderSeen + u"\\help.css"),
          "help: md.html and the stylesheet are in a GUID folder of the temporary folder");
    Sleep(500);
    SavePicture(window, shots + u"\\helpwindow-wine.bmp");
    PostMessageW(window, WM_CLOSE, 0, 0);
}

void TestHelp(const std::u16string& shots) {
    // A temporary folder of the test's own, so that "nothing left" is exact.
    wchar_t system[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, system);
    const std::u16string temp =
        reinterpret_cast<const char16_t*>(system) + std::u16string(u"viewer-help-") + IntToText(GetCurrentProcessId());
    platform::CreateFolders(temp);
    SetEnvironmentVariableW(L"TMP", W(temp));
    SetEnvironmentVariableW(L"TEMP", W(temp));

    std::u16string folderSeen;
    std::thread watcher(WatchHelp, temp, shots, std::ref(folderSeen));
    try {
        TMarkdownRenderer::Render(u"help", platform::LoadResString(MCR_IDS_HELP));
        Check(true, "help: the modal call returns when the window is closed");
    } catch (const EComponentError& e) {
        Check(false, "help: " + std::string(e.what()));
        // Nothing will open: let the watcher give up on its own.
    }
    watcher.join();
    Check(FindOwnWindow(TfrmDocView::kClassName) == nullptr, "help: no window is left");
    Check(!folderSeen.empty() && !platform::DirectoryExists(folderSeen), "help: the renderer's folder is gone");
    Check(platform::ListFolder(temp).empty(), "help: nothing is left in the temporary folder");
    platform::DeleteFolderTree(temp);
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("MCR_EMULATED_CPU")) {
        std::printf("skipped: windows and threads under an emulated CPU\n");
        return 77;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: viewer_windows <folder for the pictures>\n");
        return 2;
    }
    const std::u16string shots = FromUtf8(argv[1]);
    platform::CreateFolders(shots);
    TLog::Load();
    TestLogViewer(shots);
    TestHelp(shots);
    TLog::Unload();
    std::printf("%s\n", gFailures ? "FAILED" : "PASSED");
    return gFailures ? 1 : 0;
}
