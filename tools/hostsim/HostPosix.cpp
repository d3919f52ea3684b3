// The host's part on Linux. The component's windows there belong to its own
// UI thread and display connection; this host does not drive them (the X11
// tests do, with xdotool), so the window and swipe commands fail, saying so,
// and the `open` verb just prints events until it is told to stop.
#include "Host.h"

#include "Text.h"

#include <csignal>
#include <cstdlib>

namespace hostsim {
namespace {

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) { interrupted = 1; }

constexpr const char* kNoWindows = "the window commands are not available in this host on Linux";

}  // namespace

void Host::CatchInterrupt() {
    std::signal(SIGINT, &OnInterrupt);
    std::signal(SIGTERM, &OnInterrupt);
}

// The component's own rule: the override for tests, else /var/tmp.
std::optional<std::filesystem::path> Host::CommonAppData() {
    const char* configured = std::getenv("MCR_COMMON_APPDATA");
    return std::filesystem::path(configured != nullptr && *configured != '\0' ? configured : "/var/tmp");
}

void Host::WaitWhileOpen(std::optional<std::chrono::seconds> timeout) {
    Line(timeout ? "  printing events until interrupted or " + std::to_string(timeout->count()) + " s pass"
                 : std::string("  printing events until interrupted"));
    const auto limit = timeout ? std::chrono::duration_cast<std::chrono::milliseconds>(*timeout)
                               : std::chrono::milliseconds(std::chrono::hours(24 * 365));
    const bool stopped = PumpUntil(limit, [] { return interrupted != 0; });
    Line(stopped ? "  interrupted" : "  time is up");
}

void Host::CmdWindow(const Args&) { Fail(kNoWindows); }
void Host::CmdWaitWindow(const Args&) { Fail(kNoWindows); }
void Host::CmdChild(const Args&) { Fail(kNoWindows); }
void Host::CmdClickChild(const Args&) { Fail(kNoWindows); }
void Host::CmdDblClickChild(const Args&) { Fail(kNoWindows); }
void Host::CmdSetTextChild(const Args&) { Fail(kNoWindows); }
void Host::CmdCloseWindow(const Args&) { Fail(kNoWindows); }
void Host::CmdExpectBox(const Args&) { Fail(kNoWindows); }
void Host::CmdCheckBox(const Args&) { Fail(kNoWindows); }
void Host::CmdSwipe(const Args&) { Fail("the swipe commands are not available in this host on Linux"); }
void Host::CmdSwipeBusy(const Args& args) { CmdSwipe(args); }

}  // namespace hostsim
