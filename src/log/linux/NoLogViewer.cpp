// The Linux component until its log viewer is there: the action fails with a
// message the host shows, rather than returning as if a window had been seen.
#include "common/Error.h"
#include "log/LogViewer.h"

void ShowLogViewerWindow() { throw EComponentError(u"Просмотр лога на этой платформе ещё не поддерживается"); }
