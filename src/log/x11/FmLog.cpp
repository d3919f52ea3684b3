#include "log/x11/FmLog.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Display.H>
#include <FL/fl_ask.H>

#include "common/Error.h"
#include "common/Text.h"
#include "log/Log.h"
#include "log/x11/DropDownChoice.h"
#include "platform/x11/DesktopOpen.h"
#include "platform/x11/UiThread.h"

using platform::AddChild;

namespace {

constexpr int kClientWidth = 884;
constexpr int kClientHeight = 550;
constexpr int kPanelHeight = 33;
constexpr int kFontSize = 13;
constexpr double kCheckInterval = 1.0;

TfrmLog& FormOf(Fl_Widget* AWidget) { return *static_cast<TfrmLog*>(AWidget->window()); }
void DropDownCallback(Fl_Widget* AWidget, void*) { FormOf(AWidget).cbbLogFilesDropDown(); }
void FilesCallback(Fl_Widget* AWidget, void*) { FormOf(AWidget).cbbLogFilesChange(); }
void EncodingCallback(Fl_Widget* AWidget, void*) { FormOf(AWidget).cbbEncodingChange(); }
void OpenDirCallback(Fl_Widget* AWidget, void*) { FormOf(AWidget).btnOpenDirClick(); }
void TimerCallback(void* AForm) {
    static_cast<TfrmLog*>(AForm)->tmrCheckFileTimer();
    Fl::repeat_timeout(kCheckInterval, &TimerCallback, AForm);
}

// A menu item's text is a path to FLTK: its special characters are escaped.
std::string MenuLabel(const std::u16string& AName) {
    std::string label;
    for (const char c : ToUtf8(AName)) {
        if (c == '/' || c == '\\' || c == '&' || c == '_') label += '\\';
        label += c;
    }
    return label;
}

// The viewer's text has CR LF line ends, as a Windows text box wants them; FLTK's wants LF.
std::string DisplayText(const std::u16string& AText) {
    std::string text;
    const std::string utf8 = ToUtf8(AText);
    text.reserve(utf8.size());
    for (const char c : utf8) {
        if (c != '\r') text += c;
    }
    return text;
}

}  // namespace

TfrmLog::TfrmLog()
    : Fl_Double_Window(kClientWidth, kClientHeight, "Просмотр лога"),
      FViewer(TLog::GetAbsolutePath(true)),
      FBuffer(std::make_unique<Fl_Text_Buffer>()) {
    position((Fl::w() - w()) / 2, (Fl::h() - h()) / 2);
    cbbLogFiles = AddChild<TDropDownChoice>(8, 5, 257, 24);
    cbbLogFiles->textsize(kFontSize);
    cbbLogFiles->OnDropDown(&DropDownCallback, nullptr);
    cbbLogFiles->callback(&FilesCallback);
    btnOpenDir = AddChild<Fl_Button>(268, 4, 23, 24, "@fileopen");
    btnOpenDir->box(FL_FLAT_BOX);
    btnOpenDir->callback(&OpenDirCallback);
    cbbEncoding = AddChild<Fl_Choice>(305, 5, 80, 24);
    cbbEncoding->textsize(kFontSize);
    for (const char16_t* name : TLogViewer::kEncodingNames) cbbEncoding->add(MenuLabel(name).c_str());
    cbbEncoding->value(0);
    cbbEncoding->callback(&EncodingCallback);
    mmoLog = AddChild<Fl_Text_Display>(0, kPanelHeight, kClientWidth, kClientHeight - kPanelHeight);
    mmoLog->buffer(FBuffer.get());
    mmoLog->textsize(kFontSize);
    mmoLog->show_cursor(1);
    resizable(mmoLog);
    end();
    Guarded([&] { FormCreate(); });
    Fl::add_timeout(kCheckInterval, &TimerCallback, this);
}

TfrmLog::~TfrmLog() {
    Fl::remove_timeout(&TimerCallback, this);
    // The display goes before the buffer it shows.
    mmoLog->buffer(nullptr);
}

void TfrmLog::FormCreate() {
    FViewer.FormCreate();
    FillFileList();
    if (FViewer.ItemIndex() >= 0) ShowText();
}

void TfrmLog::UpdateFileList() {
    FViewer.UpdateFileList();
    FillFileList();
}

void TfrmLog::FillFileList() {
    cbbLogFiles->clear();
    for (const std::u16string& name : FViewer.Files()) cbbLogFiles->add(MenuLabel(name).c_str());
    cbbLogFiles->value(FViewer.ItemIndex());
    cbbLogFiles->redraw();
}

void TfrmLog::LoadLogFile() {
    if (FViewer.LoadLogFile()) ShowText();
}

void TfrmLog::ShowText() {
    FBuffer->text(DisplayText(FViewer.Text()).c_str());
    mmoLog->insert_position(0);
    mmoLog->scroll(0, 0);
}

void TfrmLog::cbbLogFilesDropDown() {
    Guarded([&] { UpdateFileList(); });
}

void TfrmLog::cbbLogFilesChange() {
    Guarded([&] {
        FViewer.SetItemIndex(cbbLogFiles->value());
        LoadLogFile();
    });
}

void TfrmLog::cbbEncodingChange() {
    Guarded([&] {
        FViewer.SetEncodingIndex(cbbEncoding->value());
        LoadLogFile();
    });
}

void TfrmLog::tmrCheckFileTimer() {
    Guarded([&] {
        if (!FViewer.FileWrittenSinceLoad()) return;
        const int caret = mmoLog->insert_position();
        LoadLogFile();
        mmoLog->insert_position(caret < FBuffer->length() ? caret : FBuffer->length());
        mmoLog->show_insert_position();
        mmoLog->take_focus();
    });
}

void TfrmLog::btnOpenDirClick() {
    Guarded([&] { platform::OpenWithDesktop(TLog::GetAbsolutePath(true)); });
}

template <class Handler>
void TfrmLog::Guarded(Handler&& AHandler) {
    try {
        AHandler();
    } catch (...) {
        fl_message_title("Ошибка");
        fl_alert("%s", ToUtf8(ErrorBoxText(CurrentErrorMessage())).c_str());
    }
}

void ShowLogViewerWindow() {
    platform::ShowModalOnUiThread([] { return std::make_unique<TfrmLog>(); });
}
