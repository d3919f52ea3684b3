// The help page on Linux: FLTK's HTML view (headings and paragraphs; it
// applies no stylesheet) in a modal window, and a button that opens the same
// page in the desktop's browser. It lives on the UI thread.
#pragma once

#include <FL/Fl_Double_Window.H>

#include <string>

class Fl_Button;
class Fl_Help_View;

class TfrmDocView final : public Fl_Double_Window {
public:
    TfrmDocView(const std::u16string& AHtmlFilePath, const std::u16string& ACaption);

    // What the button's callback forwards to.
    void btnBrowserClick();

private:
    std::u16string FHtmlFilePath;
    std::string FCaption;
    Fl_Help_View* wbBrowser;
    Fl_Button* btnBrowser;
};
