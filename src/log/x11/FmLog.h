// The log viewer on Linux: the file list, the folder button, the encoding
// list and the read-only text, following the chosen file once a second. It
// lives on the UI thread; TLogViewer holds everything but the drawing.
#pragma once

#include <FL/Fl_Double_Window.H>

#include <memory>

#include "log/LogViewer.h"

class Fl_Button;
class Fl_Choice;
class Fl_Text_Buffer;
class Fl_Text_Display;
class TDropDownChoice;

class TfrmLog final : public Fl_Double_Window {
public:
    TfrmLog();
    ~TfrmLog() override;

    // What the controls' callbacks and the timer forward to.
    void cbbLogFilesDropDown();
    void cbbLogFilesChange();
    void cbbEncodingChange();
    void tmrCheckFileTimer();
    void btnOpenDirClick();

private:
    void FormCreate();
    void UpdateFileList();
    void FillFileList();
    void LoadLogFile();
    void ShowText();
    template <class Handler>
    void Guarded(Handler&& AHandler);

    TLogViewer FViewer;
    std::unique_ptr<Fl_Text_Buffer> FBuffer;
    TDropDownChoice* cbbLogFiles;
    Fl_Button* btnOpenDir;
    Fl_Choice* cbbEncoding;
    Fl_Text_Display* mmoLog;
};
