// The emulator window on Windows: a small always-on-top tool window with the
// presets as Data Matrix pictures, two to a page, and an edit box with a
// button for free input. Plain Win32 with the common controls; the
// controls carry the identifiers of FormIds.h.
#pragma once

#include <windows.h>

#include <array>
#include <optional>
#include <string>

#include "emulator/BarcodesForm.h"
#include "emulator/Swipe.h"
#include "emulator/SwipeHandler.h"
#include "platform/win32/ActivationContext.h"
#include "platform/win32/ModalForm.h"
#include "platform/win32/WinHandles.h"

class TfmBarcodes final : public TBarcodesForm {
public:
    static constexpr int kImageCount = 8;
    // Documented: programs that swipe from outside find the emulator's
    // windows by this class (swipe::kWindowClass).
    static constexpr wchar_t kClassName[] = L"McrEmulator.CardSwipeWindow";
    // The component's hint pop-ups: the common tooltip without a drop shadow.
    static constexpr wchar_t kHintClassName[] = L"TMyHintWindow";

    TfmBarcodes();
    ~TfmBarcodes() override;
    TfmBarcodes(const TfmBarcodes&) = delete;
    TfmBarcodes& operator=(const TfmBarcodes&) = delete;

    std::u16string GetBarcode(int Index) const override;
    void SetBarcode(int Index, const std::u16string& Value) override;
    void SetCaption(const std::u16string& Caption) override;
    void SetAlpha(uint8_t Alpha) override;
    void Show() override;
    void Hide() override;
    bool Visible() const override;
    void SetOnGetData(TOnGetData OnGetData) override { FOnGetData = std::move(OnGetData); }
    void SetOnGetDelay(TOnGetDelay OnGetDelay) override { FOnGetDelay = std::move(OnGetDelay); }
    void SetIdentity(int ASerial, const std::u16string& ADriverName) override;
    void SetDeviceOpen(bool AOpen) override { FDevice.open = AOpen; }

    HWND Handle() const { return FHandle.get(); }
    HWND HintWindow() const { return FHint.get(); }

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    void FormCreate();
    void FormDestroy();
    void CreateControls();
    void CreateHints();
    void AddHint(HWND control, const std::u16string& text);
    void SetHint(HWND control, const std::u16string& text);

    void FormShow();
    void HideAllTabs();
    void PlaceAtRightEdge();
    void ShowImage(int AImage, int ASlot);
    void ShowTabs(int APages);
    void ShowActivePage();
    RECT PageArea() const;

    void OnCommand(int id, int code);
    void OnNotify(const NMHDR& header);
    void OnClose();
    LRESULT OnCopyData(HWND ASender, const COPYDATASTRUCT& AData);
    void Answer(HWND ASender, std::string AAnswer);
    void btnSendClick();
    void ImageDblClick(int AImage);

    template <class Handler>
    static std::optional<std::u16string> Attempt(Handler&& handler);
    template <class Handler>
    void ReportErrors(Handler&& handler);
    void ShowErrorBox(const std::u16string& message);

    static WNDCLASSEXW FormClass();
    static WNDCLASSEXW HintClass(const win::TActivationContext& context);

    // Declaration order is destruction order backwards: the hint pop-up,
    // which the window owns, goes before the window, and the window before
    // its font, the pictures its controls show and the classes it uses.
    win::TActivationContext FContext;
    win::TWindowClassUse FFormClass{FormClass()};
    win::TWindowClassUse FHintClass{HintClass(FContext)};
    std::array<std::u16string, kSlotCount> FBarcodes;
    // One picture per picture box: a new show replaces a box's earlier
    // picture, so the list does not grow with every show.
    std::array<win::UniqueBitmap, kImageCount> FBitmapList;
    std::array<int, kImageCount> FImageSlots{-1, -1, -1, -1, -1, -1, -1, -1};
    TOnGetData FOnGetData;
    TOnGetDelay FOnGetDelay;
    TSwipeDevice FDevice;
    win::UniqueFont FFont;
    win::UniqueWindow FHandle;
    win::UniqueWindow FHint;
    // Children of FHandle, destroyed with it.
    HWND FEdit = nullptr;
    HWND FSendButton = nullptr;
    HWND FPageControl = nullptr;
    HWND FPageSheet = nullptr;
    std::array<HWND, kImageCount> FImages{};
};
