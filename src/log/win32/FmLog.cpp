#include "log/win32/FmLog.h"

#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <utility>

#include "common/Error.h"
#include "common/Text.h"
#include "log/Log.h"
#include "platform/win32/SystemError.h"

namespace {

// The layout in pixels at 120 dots per inch; scaled to the screen's resolution.
constexpr int kClientWidth = 884;
constexpr int kClientHeight = 550;
constexpr int kPanelHeight = 33;
constexpr RECT kLogFilesPlace{8, 5, 8 + 257, 5 + 24};
constexpr RECT kOpenDirPlace{268, 4, 268 + 23, 4 + 24};
constexpr RECT kEncodingPlace{305, 5, 305 + 80, 5 + 24};
constexpr int kDroppedListHeight = 300;
constexpr int kFontHeight = 13;

constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
// Posted when the modal loop starts: what the window has to tell from its
// start is told inside the loop, with the host's windows already disabled.
constexpr UINT kShownMessage = WM_APP + 1;

// One of the shell's own pictures. Where the shell hands out no stock icon
// (Wine's tells only where one lives, and not usably), the same picture is
// taken from shell32's resources by its long-standing number.
win::UniqueIcon StockIcon(SHSTOCKICONID id, UINT size, int shellResource) {
    SHSTOCKICONINFO info{};
    info.cbSize = sizeof info;
    if (SUCCEEDED(SHGetStockIconInfo(id, SHGSI_ICON | size, &info)) && info.hIcon) return win::UniqueIcon(info.hIcon);
    const int side = GetSystemMetrics(size == SHGSI_SMALLICON ? SM_CXSMICON : SM_CXICON);
    return win::UniqueIcon(static_cast<HICON>(
        LoadImageW(GetModuleHandleW(L"shell32.dll"), MAKEINTRESOURCEW(shellResource), IMAGE_ICON, side, side, 0)));
}

}  // namespace

TfrmLog::TfrmLog()
    : FContext(win::TActivationContext::ForOwnModule()),
      FFolderIcon(StockIcon(SIID_FOLDER, SHGSI_SMALLICON, 4)),
      FWindowIcon(StockIcon(SIID_DOCNOASSOC, SHGSI_LARGEICON, 1)),
      FClassUse(kClassName, &TfrmLog::WndProc),
      FDpi(win::ScreenDpi()) {
    win::TActivationScope scope(FContext);
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    FFont.reset(CreateFontW(-win::ScaleFromDesign(kFontHeight, FDpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                            DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            DEFAULT_PITCH | FF_DONTCARE, L"Tahoma"));
    RECT frame{0, 0, win::ScaleFromDesign(kClientWidth, FDpi), win::ScaleFromDesign(kClientHeight, FDpi)};
    AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
    HWND window = CreateWindowExW(0, kClassName, win::Wide(kCaption), kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                  win::OwnModule(), this);
    if (!window) platform::RaiseLastError(u"Cannot create the log viewer window");
    FHandle.reset(window);
    // On the window, not its class: the class outlives this window's icon
    // when another viewer uses it too.
    if (FWindowIcon) SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(FWindowIcon.get()));
    CreateControls();
    LayoutControls();
    win::CenterOnScreen(window);
    SetTimer(window, tmrCheckFile, kCheckFileInterval, nullptr);
    // An error of the start is the user's to see once the window is up.
    try {
        FormCreate();
    } catch (...) {
        FCreateFailure = CurrentErrorMessage();
    }
}

TfrmLog::~TfrmLog() {
    if (!FHandle) return;
    KillTimer(FHandle.get(), tmrCheckFile);
    // The window's last messages find no form: the members they would touch are going.
    SetWindowLongPtrW(FHandle.get(), GWLP_USERDATA, 0);
}

void TfrmLog::ShowModal() {
    win::TActivationScope scope(FContext);
    FModalDone = false;
    PostMessageW(FHandle.get(), kShownMessage, 0, 0);
    win::RunModal(FHandle.get(), FModalDone);
}

// The list first, as a user expects to pick a file; then any error of the start.
void TfrmLog::OnShown() {
    SetFocus(cbbLogFiles);
    if (FCreateFailure) win::ShowErrorBox(FHandle.get(), *std::exchange(FCreateFailure, std::nullopt));
}

void TfrmLog::CreateControls() {
    HWND window = FHandle.get();
    auto child = [&](const wchar_t* className, const char16_t* text, DWORD style, DWORD exStyle, RECT place, int id) {
        const int left = win::ScaleFromDesign(place.left, FDpi);
        const int top = win::ScaleFromDesign(place.top, FDpi);
        HWND control = CreateWindowExW(exStyle, className, text ? win::Wide(text) : nullptr,
                                       WS_CHILD | WS_VISIBLE | style, left, top,
                                       win::ScaleFromDesign(place.right, FDpi) - left,
                                       win::ScaleFromDesign(place.bottom, FDpi) - top, window,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), win::OwnModule(), nullptr);
        if (!control) platform::RaiseLastError(u"Cannot create a control of the log viewer window");
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.get()), FALSE);
        return control;
    };
    RECT logFiles = kLogFilesPlace;
    logFiles.bottom = logFiles.top + kDroppedListHeight;
    cbbLogFiles = child(WC_COMBOBOXW, nullptr, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, logFiles, kLogFilesId);
    btnOpenDir = child(WC_BUTTONW, FFolderIcon ? nullptr : u"...",
                       WS_TABSTOP | BS_PUSHBUTTON | BS_FLAT | (FFolderIcon ? BS_ICON : 0), 0, kOpenDirPlace, kOpenDirId);
    if (FFolderIcon) SendMessageW(btnOpenDir, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(FFolderIcon.get()));
    RECT encoding = kEncodingPlace;
    encoding.bottom = encoding.top + kDroppedListHeight;
    cbbEncoding = child(WC_COMBOBOXW, nullptr, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, encoding, kEncodingId);
    for (const char16_t* name : TLogViewer::kEncodingNames) {
        SendMessageW(cbbEncoding, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win::Wide(name)));
    }
    SendMessageW(cbbEncoding, CB_SETCURSEL, 0, 0);
    mmoLog = child(WC_EDITW, nullptr,
                   WS_TABSTOP | WS_HSCROLL | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL |
                       ES_AUTOVSCROLL | ES_NOHIDESEL,
                   WS_EX_CLIENTEDGE, RECT{0, kPanelHeight, kClientWidth, kClientHeight}, kLogTextId);
    // Log files outgrow the text box's default limit of 32K characters.
    SendMessageW(mmoLog, EM_SETLIMITTEXT, 0, 0);
}

// The text fills the client area below the panel, whatever the window's size.
void TfrmLog::LayoutControls() {
    RECT client{};
    GetClientRect(FHandle.get(), &client);
    const int top = win::ScaleFromDesign(kPanelHeight, FDpi);
    MoveWindow(mmoLog, 0, top, client.right, client.bottom > top ? client.bottom - top : 0, TRUE);
}

LRESULT CALLBACK TfrmLog::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return win::FormWindowProc<TfrmLog, &TfrmLog::FContext, &TfrmLog::HandleMessage>(hwnd, msg, wParam, lParam);
}

LRESULT TfrmLog::HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_TIMER:
        if (wParam == tmrCheckFile) ReportErrors([this] { tmrCheckFileTimer(); });
        return 0;
    case WM_SIZE:
        if (mmoLog) LayoutControls();
        return 0;
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<LRESULT>(OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
    case kShownMessage:
        OnShown();
        return 0;
    case WM_CLOSE:
        win::EndModal(hwnd, FModalDone);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void TfrmLog::OnCommand(int id, int code) {
    if (id == kLogFilesId && code == CBN_DROPDOWN) {
        ReportErrors([this] { cbbLogFilesDropDown(); });
    } else if ((id == kLogFilesId || id == kEncodingId) && code == CBN_SELCHANGE) {
        ReportErrors([this] { cbbLogFilesChange(); });
    } else if (id == kOpenDirId && code == BN_CLICKED) {
        ReportErrors([this] { btnOpenDirClick(); });
    }
}

// A read-only text box is painted like a disabled one unless told otherwise;
// the log reads better on the window colour.
HBRUSH TfrmLog::OnCtlColorStatic(HDC dc, HWND control) {
    if (control != mmoLog) return reinterpret_cast<HBRUSH>(DefWindowProcW(FHandle.get(), WM_CTLCOLORSTATIC,
                                                                          reinterpret_cast<WPARAM>(dc),
                                                                          reinterpret_cast<LPARAM>(control)));
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    return GetSysColorBrush(COLOR_WINDOW);
}

void TfrmLog::FormCreate() {
    FViewer = TLogViewer(TLog::GetAbsolutePath(true));
    UpdateFileList();
    const int count = static_cast<int>(FViewer.Files().size());
    if (count > 0) SendMessageW(cbbLogFiles, CB_SETCURSEL, count - 1, 0);
    LoadLogFile();
}

void TfrmLog::cbbLogFilesDropDown() { UpdateFileList(); }

void TfrmLog::cbbLogFilesChange() { LoadLogFile(); }

void TfrmLog::tmrCheckFileTimer() {
    SyncSelection();
    if (!FViewer.FileWrittenSinceLoad()) return;
    DWORD caret = 0;
    SendMessageW(mmoLog, EM_GETSEL, reinterpret_cast<WPARAM>(&caret), 0);
    LoadLogFile();
    SendMessageW(mmoLog, EM_SETSEL, caret, caret);
    SendMessageW(mmoLog, EM_SCROLLCARET, 0, 0);
    SetFocus(mmoLog);
}

void TfrmLog::btnOpenDirClick() {
    const std::u16string directory = TLog::GetAbsolutePath(true);
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(FHandle.get(), L"explore", win::Wide(directory), nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32) {
        throw EComponentError(u"Cannot open the folder \"" + directory + u"\" (error " +
                              Widen(std::to_string(result)) + u")");
    }
}

void TfrmLog::UpdateFileList() {
    FViewer.UpdateFileList();
    SendMessageW(cbbLogFiles, CB_RESETCONTENT, 0, 0);
    // The viewer sorted them: the last is the newest day's, as the start selects it.
    for (const std::u16string& name : FViewer.Files()) {
        SendMessageW(cbbLogFiles, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win::Wide(name)));
    }
}

void TfrmLog::LoadLogFile() {
    SyncSelection();
    // Read first: a failed read leaves the text as it was.
    if (!FViewer.LoadLogFile()) return;
    SendMessageW(mmoLog, WM_SETREDRAW, FALSE, 0);
    SetWindowTextW(mmoLog, win::Wide(FViewer.Text()));
    SendMessageW(mmoLog, EM_SETSEL, 0, 0);
    SendMessageW(mmoLog, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(mmoLog, nullptr, TRUE);
}

// The viewer follows what the lists show.
void TfrmLog::SyncSelection() {
    FViewer.SetItemIndex(static_cast<int>(SendMessageW(cbbLogFiles, CB_GETCURSEL, 0, 0)));
    FViewer.SetEncodingIndex(static_cast<int>(SendMessageW(cbbEncoding, CB_GETCURSEL, 0, 0)));
}

// Nothing raised by a handler leaves the window: the user sees it in a box,
// and the window stays open. Timer ticks meanwhile wait for the box.
template <class Handler>
void TfrmLog::ReportErrors(Handler&& handler) {
    if (FShowingError) return;
    try {
        handler();
    } catch (...) {
        const std::u16string message = CurrentErrorMessage();
        FShowingError = true;
        win::ShowErrorBox(FHandle.get(), message);
        FShowingError = false;
    }
}

void ShowLogViewerWindow() {
    TfrmLog form;
    form.ShowModal();
}
