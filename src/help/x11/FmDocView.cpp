#include "help/x11/FmDocView.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Help_View.H>
#include <FL/fl_ask.H>

#include <string_view>

#include "common/Error.h"
#include "common/Text.h"
#include "help/DocView.h"
#include "platform/Files.h"
#include "platform/x11/DesktopOpen.h"
#include "platform/x11/UiThread.h"

using platform::AddChild;

namespace {

constexpr int kClientWidth = 633;
constexpr int kClientHeight = 425;
constexpr int kButtonRow = 34;
constexpr int kFontSize = 13;

void BrowserCallback(Fl_Widget* AWidget, void*) { static_cast<TfrmDocView*>(AWidget->window())->btnBrowserClick(); }

}  // namespace

TfrmDocView::TfrmDocView(const std::u16string& AHtmlFilePath, const std::u16string& ACaption)
    : Fl_Double_Window(kClientWidth, kClientHeight), FHtmlFilePath(AHtmlFilePath), FCaption(ToUtf8(ACaption)) {
    label(FCaption.c_str());
    position((Fl::w() - w()) / 2, (Fl::h() - h()) / 2);
    wbBrowser = AddChild<Fl_Help_View>(0, 0, kClientWidth, kClientHeight - kButtonRow);
    wbBrowser->textsize(kFontSize);
    btnBrowser = AddChild<Fl_Button>(kClientWidth - 168, kClientHeight - kButtonRow + 4, 160, kButtonRow - 8,
                                     "Открыть в браузере");
    btnBrowser->labelsize(kFontSize);
    btnBrowser->callback(&BrowserCallback);
    resizable(wbBrowser);
    end();
    // The page starts with a byte-order mark, which the view would show as text.
    std::string page = platform::ReadWholeFile(AHtmlFilePath, platform::TShareMode::DenyWrite);
    if (std::string_view(page).starts_with("\xEF\xBB\xBF")) page.erase(0, 3);
    wbBrowser->value(page.c_str());
}

void TfrmDocView::btnBrowserClick() {
    try {
        platform::OpenWithDesktop(FHtmlFilePath);
    } catch (...) {
        fl_message_title("Ошибка");
        fl_alert("%s", ToUtf8(ErrorBoxText(CurrentErrorMessage())).c_str());
    }
}

void ShowDocViewWindow(const std::u16string& AHtmlFilePath, const std::u16string& ACaption) {
    platform::ShowModalOnUiThread([&] { return std::make_unique<TfrmDocView>(AHtmlFilePath, ACaption); });
}
