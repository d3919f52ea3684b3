#include "emulator/x11/FmBarcodes.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Image.H>
#include <FL/fl_ask.H>

#include <cstdint>

#include "common/Error.h"
#include "common/Text.h"
#include "emulator/Escapes.h"
#include "emulator/FormLogic.h"
#include "emulator/Swipe.h"
#include "emulator/x11/Widgets.h"
#include "platform/x11/UiThread.h"
#include "platform/x11/WindowHints.h"

using platform::AddChild;

namespace {

constexpr int kClientWidth = 182;
constexpr int kClientHeight = 145;
constexpr int kFontSize = 11;  // Tahoma's 11 pixels; FLTK's sans stands in
constexpr int kTop = 10;
constexpr int kPictureSize = 80;
// The page control below the edit box: a row of button-like tabs, then the page.
constexpr int kPagesTop = 33;
constexpr int kTabTop = kPagesTop + 2;
constexpr int kTabSize = 20;
constexpr int kPageTop = kTabTop + kTabSize + 2;
constexpr int kImageLeft[2] = {3, 89};

const char kFormCaption[] = "Считываемые данные";
const char kFormHint[] = "После двойного щелчка по штрих коду или кнопке переведите фокус на 1С форму ";
const char kPlaceholder[] = "0102<0x1D>0304";
const char* const kTabCaptions[TfmBarcodes::kPageCount] = {"1", "2", "3", "4"};

void* Tag(int AValue) { return reinterpret_cast<void*>(static_cast<intptr_t>(AValue)); }
int Untag(void* ATag) { return static_cast<int>(reinterpret_cast<intptr_t>(ATag)); }
TfmBarcodes& FormOf(Fl_Widget* AWidget) {
    return *static_cast<TfmBarcodes*>(AWidget->window() ? AWidget->window() : AWidget->as_window());
}

void ImageCallback(Fl_Widget* AWidget, void* AImage) { FormOf(AWidget).ImageDblClick(Untag(AImage)); }
void SendCallback(Fl_Widget* AWidget, void*) { FormOf(AWidget).btnSendClick(); }
void TabCallback(Fl_Widget* AWidget, void* APage) { FormOf(AWidget).TabClick(Untag(APage)); }
void CloseCallback(Fl_Widget* AWidget, void*) { FormOf(AWidget).FormClose(); }

void MessageBox(const char* ACaption, const std::u16string& AText) {
    fl_message_title(ACaption);
    fl_alert("%s", ToUtf8(AText).c_str());
}

}  // namespace

struct TfmBarcodes::TPicture {
    TBarcodeImage raster;
    std::unique_ptr<Fl_RGB_Image> image;
};

TfmBarcodes::TfmBarcodes() : Fl_Double_Window(kClientWidth, kClientHeight, kFormCaption), FCaption(kFormCaption) {
    color(FL_WHITE);
    size_range(kClientWidth, kClientHeight, kClientWidth, kClientHeight);
    tooltip(kFormHint);
    callback(&CloseCallback);

    edtBarcode = AddChild<TPlaceholderInput>(7, 7, 106, 21, kPlaceholder);
    edtBarcode->textsize(kFontSize);
    edtBarcode->tooltip("");
    btnSend = AddChild<Fl_Button>(117, 6, 60, 23, "Событие");
    btnSend->labelsize(kFontSize);
    btnSend->callback(&SendCallback);

    for (int p = 0; p < kPageCount; ++p) {
        FTabs[p] = AddChild<Fl_Button>(2 + p * (kTabSize + 2), kTabTop, kTabSize, kTabSize, kTabCaptions[p]);
        FTabs[p]->labelsize(kFontSize);
        FTabs[p]->callback(&TabCallback, Tag(p));
        FTabs[p]->hide();
    }
    for (int p = 0; p < kPageCount; ++p) {
        FPages[p] = AddChild<Fl_Group>(0, kPageTop, kClientWidth, kClientHeight - kPageTop);
        for (int i = 0; i < 2; ++i) {
            const int k = p * 2 + i;
            FImages[k] = AddChild<TImageBox>(kImageLeft[i], kPageTop, kPictureSize, kClientHeight - kPageTop);
            FImages[k]->callback(&ImageCallback, Tag(k + 1));
            FImages[k]->hide();
        }
        FPages[p]->end();
        if (p > 0) FPages[p]->hide();
    }
    end();
}

TfmBarcodes::~TfmBarcodes() = default;

void TfmBarcodes::SetCaption(const std::u16string& ACaption) {
    FCaption = ToUtf8(ACaption);
    copy_label(FCaption.c_str());
}

void TfmBarcodes::SetAlpha(uint8_t AAlpha) {
    FAlpha = AAlpha;
    if (shown()) platform::SetWindowOpacity(*this, FAlpha);
}

void TfmBarcodes::ShowForm() {
    if (shown() && visible()) return;
    // The frame is mapped first, so that an error box of the show has a window to stand over.
    show();
    platform::MarkUtilityAbove(*this);
    platform::SetWindowOpacity(*this, FAlpha);
    platform::PlaceAtRightEdge(*this, kTop);
    Guarded([&] { FormShow(); });
}

void TfmBarcodes::FormShow() {
    for (Fl_Button* tab : FTabs) tab->hide();
    // Boxes this show does not fill are hidden, so that no box offers a
    // picture of a preset that is gone.
    for (int k = 0; k < kImageCount; ++k) {
        FImageSlot[k] = -1;
        FImages[k]->hide();
    }
    const TFormLayout layout = LayoutSlots(FBarcodes);
    for (int k = 0; k < layout.count; ++k) {
        const int slot = layout.slotOfImage[k];
        auto picture = std::make_unique<TPicture>();
        picture->raster = BuildBarcodeImage(kPictureSize, kPictureSize, FBarcodes[slot]);
        picture->image = std::make_unique<Fl_RGB_Image>(picture->raster.Pixels.data(), picture->raster.Width,
                                                        picture->raster.Height, 1);
        FImages[k]->image(picture->image.get());
        FBitmapList.push_back(std::move(picture));
        FImageSlot[k] = slot;
        FImageHints[k] = ToUtf8(FBarcodes[slot]);
        FImages[k]->tooltip(FImageHints[k].c_str());
        FImages[k]->show();
    }
    for (int p = layout.pages - 1; p >= 0; --p) FTabs[p]->show();
    if (layout.pages > 0) {
        ActivatePage(0);
    } else {
        for (Fl_Group* page : FPages) page->hide();
    }
    redraw();
}

void TfmBarcodes::ActivatePage(int APage) {
    for (int p = 0; p < kPageCount; ++p) {
        FTabs[p]->value(p == APage);
        if (p == APage) {
            FPages[p]->show();
        } else {
            FPages[p]->hide();
        }
    }
}

void TfmBarcodes::ImageDblClick(int AImage) {
    const int slot = FImageSlot[AImage - 1];
    if (slot < 0) return;
    Guarded([&] { SendData(FBarcodes[slot]); });
}

void TfmBarcodes::btnSendClick() {
    Guarded([&] {
        const std::u16string text = FromUtf8(edtBarcode->value());
        if (text.empty()) {
            MessageBox("Внимание", u"Введите код");
            return;
        }
        SendData(text);
    });
}

void TfmBarcodes::TabClick(int APage) { ActivatePage(APage); }

void TfmBarcodes::FormClose() {
    // Escape closes FLTK's windows; a tool window closes only by its button.
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
    hide();
}

std::pair<int32_t, std::string> TfmBarcodes::SwipeRequest(uint32_t ACommand, const std::string& AData, long APeer,
                                                          const std::function<bool()>& ASenderWaiting) {
    const std::u16string caption = FromUtf8(FCaption);
    const TSwipeFormState form{FDevice, caption, FBarcodes, FOnGetDelay ? FOnGetDelay() : 0};
    const TSwipeResponse response =
        HandleSwipe({ACommand, AData.data(), AData.size(), APeer, ASenderWaiting}, form, [&](const std::u16string& AText) {
            Guarded([&] {
                if (FOnGetData) FOnGetData(AText);
            });
        });
    if (response.dropped) return {0, {}};
    return {static_cast<int32_t>(response.status), response.answer};
}

void TfmBarcodes::SendData(const std::u16string& AText) {
    if (FOnGetData) FOnGetData(UnescapeText(AText));
}

template <class Handler>
void TfmBarcodes::Guarded(Handler&& AHandler) {
    ++FHandlerDepth;
    try {
        AHandler();
    } catch (...) {
        MessageBox("Ошибка", ErrorBoxText(CurrentErrorMessage()));
    }
    if (--FHandlerDepth == 0 && FReleased) Fl::delete_widget(this);
}

void TfmBarcodes::Release(std::unique_ptr<TfmBarcodes> AForm) {
    if (!AForm) return;
    AForm->FOnGetData = nullptr;
    AForm->FOnGetDelay = nullptr;
    if (AForm->FHandlerDepth == 0) return;  // destroyed here
    AForm->FReleased = true;
    AForm->hide();
    // Guarded deletes it once its handler has returned.
    static_cast<void>(AForm.release());
}
