#include "help/DocView.h"

#include <utility>

namespace {

// Set and read on the thread that runs the help action; tests set it
// before any action runs.
TDocViewShow& Override() {
    static TDocViewShow show;
    return show;
}

}  // namespace

void ShowDocView(const std::u16string& AHtmlFilePath, const std::u16string& ACaption) {
    if (const TDocViewShow& show = Override()) {
        show(AHtmlFilePath, ACaption);
        return;
    }
    ShowDocViewWindow(AHtmlFilePath, ACaption);
}

void OverrideDocView(TDocViewShow AShow) { Override() = std::move(AShow); }
