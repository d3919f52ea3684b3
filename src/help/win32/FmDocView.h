// The help page's window on Windows: a modal window filled by the system's
// web browser control, hosted through the AtlAxWin window class of the
// system's atl.dll (loaded when first needed, so that the component imports
// only what every Windows has).
#pragma once

#include <windows.h>

#include <exdisp.h>
#include <ole2.h>

#include <string>

#include "platform/win32/ActivationContext.h"
#include "platform/win32/ModalForm.h"
#include "platform/win32/WinHandles.h"

// Owns one reference to a COM interface.
template <class T>
class TComPtr {
public:
    TComPtr() = default;
    ~TComPtr() { Reset(); }
    TComPtr(const TComPtr&) = delete;
    TComPtr& operator=(const TComPtr&) = delete;

    T* Get() const { return FPtr; }
    T* operator->() const { return FPtr; }
    explicit operator bool() const { return FPtr != nullptr; }
    // For functions that hand out a new reference through T**.
    T** Receive() {
        Reset();
        return &FPtr;
    }
    void Reset() {
        if (FPtr) FPtr->Release();
        FPtr = nullptr;
    }

private:
    T* FPtr = nullptr;
};

// OLE for the calling thread while the scope lives, as far as the thread lets
// it be initialised (the host's thread usually has it already).
class TOleScope {
public:
    TOleScope() : FResult(OleInitialize(nullptr)) {}
    ~TOleScope() {
        if (SUCCEEDED(FResult)) OleUninitialize();
    }
    TOleScope(const TOleScope&) = delete;
    TOleScope& operator=(const TOleScope&) = delete;

private:
    HRESULT FResult;
};

#if defined(__i386__)
// Masks all six x87 floating-point exceptions on the calling thread. The
// component does so when it is loaded; see FmDocView.cpp.
void MaskX87Exceptions();
#endif

class TfrmDocView {
public:
    static constexpr wchar_t kClassName[] = L"TfrmDocView";
    static constexpr wchar_t kBrowserClassName[] = L"AtlAxWin";
    static constexpr char16_t kDesignedCaption[] = u"Документ";

    // Builds the window hidden and without owner, with the caption, and lets
    // the browser navigate to the local file (a plain path, not a URL).
    TfrmDocView(const std::u16string& AHtmlFilePath, const std::u16string& ACaption);
    ~TfrmDocView();
    TfrmDocView(const TfrmDocView&) = delete;
    TfrmDocView& operator=(const TfrmDocView&) = delete;

    // Shows the window modally; returns when the user has closed it.
    void ShowModal();
    HWND Handle() const { return FHandle.get(); }

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void CreateBrowser();
    void Navigate(const std::u16string& APath);
    bool TranslateBrowserKey(MSG& msg);

    TOleScope FOle;
    win::TActivationContext FContext;
    win::TWindowClassUse FClassUse;
    bool FModalDone = false;
    win::UniqueWindow FHandle;
    // The control lives in wbBrowser, a child of FHandle; the reference goes
    // before the window.
    HWND wbBrowser = nullptr;
    TComPtr<IWebBrowser2> FBrowser;
};
