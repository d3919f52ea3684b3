// The Linux component until its help window is there: the action fails with a
// message the host shows, rather than returning as if a window had been seen.
#include "common/Error.h"
#include "help/DocView.h"

void ShowDocViewWindow(const std::u16string&, const std::u16string&) {
    throw EComponentError(u"Справка на этой платформе ещё не поддерживается");
}
