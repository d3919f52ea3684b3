// The emulator window without a desktop: the same slots, caption, alpha,
// layout and handlers as the tool window, with the user's actions as calls
// and the message boxes kept as texts. It builds no pictures.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "emulator/BarcodesForm.h"
#include "emulator/FormLogic.h"
#include "emulator/SwipeHandler.h"

class THeadlessForm final : public TBarcodesForm {
public:
    static constexpr int kImageCount = 8;

    std::u16string GetBarcode(int Index) const override;
    void SetBarcode(int Index, const std::u16string& Value) override;
    void SetCaption(const std::u16string& Caption) override { FCaption = Caption; }
    void SetAlpha(uint8_t Alpha) override;
    void Show() override;
    void Hide() override { FVisible = false; }
    bool Visible() const override { return FVisible; }
    void SetOnGetData(TOnGetData OnGetData) override { FOnGetData = std::move(OnGetData); }
    void SetOnGetDelay(TOnGetDelay OnGetDelay) override { FOnGetDelay = std::move(OnGetDelay); }
    void SetIdentity(int ASerial, const std::u16string& ADriverName) override;
    void SetDeviceOpen(bool AOpen) override { FDevice.open = AOpen; }

    const std::u16string& Caption() const { return FCaption; }
    bool AlphaBlend() const { return FAlphaBlend; }
    uint8_t Alpha() const { return FAlpha; }
    // How often the window went from hidden to shown, and what that last did.
    int ShowCount() const { return FShowCount; }
    const TFormLayout& Layout() const { return FLayout; }
    // Picture box 1 to 8: the slot it remembers (-1 while hidden) and the
    // text its picture and hint were made from.
    int ImageSlot(int AImage) const;
    std::u16string ImageText(int AImage) const;

    // The user's actions; both ignored while the window is hidden.
    void DoubleClickImage(int AImage);
    void PressSend(const std::u16string& AEditText);
    // A swipe from another program as a window's transport hands it over.
    TSwipeResponse Swipe(uint64_t ACommand, const std::string& AData, long ASender,
                         std::function<bool()> ASenderWaiting = {});
    const TSwipeDevice& Device() const { return FDevice; }

    // The texts of the warning and error boxes shown so far.
    const std::vector<std::u16string>& Warnings() const { return FWarnings; }
    const std::vector<std::u16string>& ErrorBoxes() const { return FErrorBoxes; }

private:
    template <class Handler>
    void Guarded(Handler&& handler);
    void SendData(const std::u16string& AText);

    std::array<std::u16string, kSlotCount> FBarcodes;
    std::array<std::u16string, kImageCount> FImageTexts;
    TOnGetData FOnGetData;
    TOnGetDelay FOnGetDelay;
    TSwipeDevice FDevice;
    std::u16string FCaption = u"Считываемые данные";
    bool FAlphaBlend = true;
    uint8_t FAlpha = 235;
    bool FVisible = false;
    int FShowCount = 0;
    TFormLayout FLayout;
    std::vector<std::u16string> FWarnings;
    std::vector<std::u16string> FErrorBoxes;
};

std::unique_ptr<TBarcodesForm> CreateHeadlessForm();
