// Where there is no desktop the viewer's start runs all the same (the log
// directory is made, the newest file read), and the call returns as if the
// user had closed the window at once.
#include "log/Log.h"
#include "log/LogViewer.h"

void ShowLogViewerWindow() {
    TLogViewer viewer(TLog::GetAbsolutePath(true));
    viewer.FormCreate();
}
