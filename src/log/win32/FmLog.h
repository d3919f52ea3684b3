// The log viewer window on Windows: a list of the driver's log files, an
// encoding list, a button that opens the log directory, and the chosen file
// as read-only text that follows the file while the log writer appends to it.
// Plain Win32; the behaviour behind the controls is TLogViewer's.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "log/LogViewer.h"
#include "platform/win32/ActivationContext.h"
#include "platform/win32/ModalForm.h"
#include "platform/win32/WinHandles.h"

class TfrmLog {
public:
    static constexpr wchar_t kClassName[] = L"TfrmLog";
    static constexpr char16_t kCaption[] = u"Просмотр лога";
    // Control identifiers, for the window's own handlers and for tests.
    enum : int { kLogFilesId = 101, kOpenDirId = 102, kEncodingId = 103, kLogTextId = 104 };
    // The timer that looks for writes to the shown file, and its interval.
    static constexpr UINT_PTR tmrCheckFile = 1;
    static constexpr UINT kCheckFileInterval = 1000;

    // Creates the window hidden and without owner; FormCreate runs here.
    TfrmLog();
    ~TfrmLog();
    TfrmLog(const TfrmLog&) = delete;
    TfrmLog& operator=(const TfrmLog&) = delete;

    // Shows the window modally; returns when the user has closed it.
    void ShowModal();
    HWND Handle() const { return FHandle.get(); }

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    void CreateControls();
    void LayoutControls();
    void OnCommand(int id, int code);
    void OnShown();
    HBRUSH OnCtlColorStatic(HDC dc, HWND control);

    void FormCreate();
    void cbbLogFilesDropDown();
    void cbbLogFilesChange();
    void tmrCheckFileTimer();
    void btnOpenDirClick();
    void UpdateFileList();
    void LoadLogFile();
    void SyncSelection();

    template <class Handler>
    void ReportErrors(Handler&& handler);

    win::TActivationContext FContext;
    win::UniqueIcon FFolderIcon;
    win::UniqueIcon FWindowIcon;
    win::TWindowClassUse FClassUse;
    int FDpi;
    win::UniqueFont FFont;
    TLogViewer FViewer{u""};
    std::optional<std::u16string> FCreateFailure;
    bool FModalDone = false;
    bool FShowingError = false;
    win::UniqueWindow FHandle;
    // Children of FHandle, destroyed with it.
    HWND cbbLogFiles = nullptr;
    HWND btnOpenDir = nullptr;
    HWND cbbEncoding = nullptr;
    HWND mmoLog = nullptr;
};
