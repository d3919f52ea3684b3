#include "platform/x11/DesktopOpen.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>

#include "common/Error.h"
#include "common/Text.h"

extern char** environ;

namespace platform {

void OpenWithDesktop(const std::u16string& APath) {
    // The shell puts xdg-open in the background and ends at once, so the
    // opener is nobody's child here: the host's process collects no zombie
    // and waits for no browser.
    const std::string path = ToUtf8(APath);
    const char* argv[] = {"sh", "-c", "xdg-open \"$1\" >/dev/null 2>&1 </dev/null &", "sh", path.c_str(), nullptr};
    pid_t child = 0;
    const int failed = posix_spawn(&child, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ);
    if (failed) throw EComponentError(u"Не удаётся запустить xdg-open: " + FromUtf8(std::strerror(failed)));
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace platform
