#include "emulator/HeadlessForm.h"

#include "common/Error.h"
#include "common/Text.h"
#include "driver/CustomDriver.h"
#include "emulator/Escapes.h"

std::u16string THeadlessForm::GetBarcode(int Index) const {
    CheckIndex(Index, kSlotCount);
    return FBarcodes[Index];
}

void THeadlessForm::SetBarcode(int Index, const std::u16string& Value) {
    CheckIndex(Index, kSlotCount);
    FBarcodes[Index] = Value;
}

void THeadlessForm::SetAlpha(uint8_t Alpha) {
    FAlphaBlend = true;
    FAlpha = Alpha;
}

void THeadlessForm::Show() {
    if (FVisible) return;
    FVisible = true;
    ++FShowCount;
    Guarded([&] {
        // Boxes this show does not fill are hidden, so that no box offers a
        // picture of a preset that is gone.
        FLayout = LayoutSlots(FBarcodes);
        for (int k = 0; k < kImageCount; ++k) {
            const int slot = FLayout.slotOfImage[k];
            FImageTexts[k] = slot >= 0 ? FBarcodes[slot] : std::u16string();
        }
    });
}

int THeadlessForm::ImageSlot(int AImage) const {
    CheckIndex(AImage - 1, kImageCount);
    return FLayout.slotOfImage[AImage - 1];
}

std::u16string THeadlessForm::ImageText(int AImage) const {
    CheckIndex(AImage - 1, kImageCount);
    return FImageTexts[AImage - 1];
}

void THeadlessForm::DoubleClickImage(int AImage) {
    const int slot = ImageSlot(AImage);
    if (!FVisible || slot < 0) return;
    // The slot's text now, not the one the picture was made from.
    Guarded([&] { SendData(FBarcodes[slot]); });
}

void THeadlessForm::PressSend(const std::u16string& AEditText) {
    if (!FVisible) return;
    if (AEditText.empty()) {
        FWarnings.push_back(u"Введите код");
        return;
    }
    Guarded([&] { SendData(AEditText); });
}

void THeadlessForm::SetIdentity(int ASerial, const std::u16string& ADriverName) {
    FDevice.serial = ASerial;
    FDevice.driverName = ADriverName;
}

TSwipeResponse THeadlessForm::Swipe(uint64_t ACommand, const std::string& AData, long ASender,
                                    std::function<bool()> ASenderWaiting) {
    const TSwipeFormState form{FDevice, FCaption, FBarcodes, FOnGetDelay ? FOnGetDelay() : 0};
    return HandleSwipe({ACommand, AData.data(), AData.size(), ASender, std::move(ASenderWaiting)}, form,
                       [this](const std::u16string& AText) {
                           Guarded([&] {
                               if (FOnGetData) FOnGetData(AText);
                           });
                       });
}

void THeadlessForm::SendData(const std::u16string& AText) {
    if (FOnGetData) FOnGetData(UnescapeText(AText));
}

template <class Handler>
void THeadlessForm::Guarded(Handler&& handler) {
    try {
        handler();
    } catch (...) {
        FErrorBoxes.push_back(ErrorBoxText(CurrentErrorMessage()));
    }
}

std::unique_ptr<TBarcodesForm> CreateHeadlessForm() { return std::make_unique<THeadlessForm>(); }
