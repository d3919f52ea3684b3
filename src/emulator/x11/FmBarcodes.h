// The emulator window on Linux: a fixed-size utility window kept above the
// others at the right edge of the screen, with the edit box, the button, up
// to four pages of two Data Matrix pictures and button-like tabs. It lives
// on the UI thread; every member runs there.
#pragma once

#include <FL/Fl_Double_Window.H>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "emulator/BarcodesForm.h"
#include "emulator/BarcodeImage.h"
#include "emulator/SwipeHandler.h"

class Fl_Button;
class Fl_Group;
class Fl_RGB_Image;
class TImageBox;
class TPlaceholderInput;

class TfmBarcodes final : public Fl_Double_Window {
public:
    static constexpr int kPageCount = 4;
    static constexpr int kImageCount = 8;

    TfmBarcodes();
    ~TfmBarcodes() override;

    void SetBarcodes(const std::array<std::u16string, TBarcodesForm::kSlotCount>& ABarcodes) { FBarcodes = ABarcodes; }
    void SetCaption(const std::u16string& ACaption);
    void SetAlpha(uint8_t AAlpha);
    void SetOnGetData(TOnGetData AOnGetData) { FOnGetData = std::move(AOnGetData); }
    void SetOnGetDelay(TOnGetDelay AOnGetDelay) { FOnGetDelay = std::move(AOnGetDelay); }
    void SetSwipeDevice(const TSwipeDevice& ADevice) { FDevice = ADevice; }
    // Shows a hidden window (FormShow); a shown one stays as it is.
    void ShowForm();

    // Destroys the window, or, while one of its handlers is running (a
    // message box waits for the user), disowns it: it is hidden at once,
    // calls back no more, and is deleted when the handler has returned.
    static void Release(std::unique_ptr<TfmBarcodes> AForm);

    // A swipe from another program (process APeer), handled like a click by
    // the shared swipe handler: the status for the sender and the answer
    // record. A request whose sender no longer waits (ASenderWaiting says
    // so) is dropped: status 0, no answer, nothing delivered.
    std::pair<int32_t, std::string> SwipeRequest(uint32_t ACommand, const std::string& AData, long APeer,
                                                 const std::function<bool()>& ASenderWaiting = {});

    // What the controls' callbacks forward to.
    void ImageDblClick(int AImage);
    void btnSendClick();
    void TabClick(int APage);
    void FormClose();

private:
    struct TPicture;

    void FormShow();
    void ActivatePage(int APage);
    void SendData(const std::u16string& AText);
    template <class Handler>
    void Guarded(Handler&& AHandler);

    std::array<std::u16string, TBarcodesForm::kSlotCount> FBarcodes;
    std::vector<std::unique_ptr<TPicture>> FBitmapList;
    TOnGetData FOnGetData;
    TOnGetDelay FOnGetDelay;
    TSwipeDevice FDevice;
    std::array<int, kImageCount> FImageSlot{-1, -1, -1, -1, -1, -1, -1, -1};
    std::array<std::string, kImageCount> FImageHints;
    std::string FCaption;
    uint8_t FAlpha = 235;
    int FHandlerDepth = 0;
    bool FReleased = false;

    TPlaceholderInput* edtBarcode;
    Fl_Button* btnSend;
    std::array<Fl_Button*, kPageCount> FTabs;
    std::array<Fl_Group*, kPageCount> FPages;
    std::array<TImageBox*, kImageCount> FImages;
};
