// The Linux emulator window on a display with a window manager: the time
// from the host's Open to the window drawn on the screen (mapped, exposed
// and painted), and the lateness of 20 deliveries against Delay, bounded
// by the start and the end of the double-click that xdotool makes.
//   bench_x11_window      (under scripts/with-display)
#define DOCTEST_CONFIG_IMPLEMENT
#include <doctest.h>

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "emulator/EmulatorHost.h"
#include "platform/x11/UiThread.h"

namespace {

constexpr int kEvents = 20;
constexpr int kDelay = 1000;

// Drawn: FLTK has painted everything it was asked to, on a window the
// server shows.
bool WindowDrawn() {
    bool drawn = false;
    platform::RunOnUiThread([&] {
        Fl_Window* window = Fl::first_window();
        if (!window || !window->shown() || window->damage()) return;
        XWindowAttributes attributes{};
        drawn = XGetWindowAttributes(fl_display, fl_xid(window), &attributes) && attributes.map_state == IsViewable;
    });
    return drawn;
}

double Ms(Clock::duration ADuration) { return std::chrono::duration<double, std::milli>(ADuration).count(); }

void Report(const char* AWhat, std::vector<double> AValues) {
    std::sort(AValues.begin(), AValues.end());
    double sum = 0;
    for (double v : AValues) sum += v;
    std::printf("%-34s n=%zu min %.1f ms, median %.1f ms, mean %.1f ms, max %.1f ms\n", AWhat, AValues.size(),
                AValues.front(), AValues[AValues.size() / 2], sum / AValues.size(), AValues.back());
}

}  // namespace

TEST_CASE("Open to a drawn window, and delivery lateness") {
    DriverHost host;
    OverrideBarcodesForm(nullptr);
    EventRecorder recorder;
    EmulatorObject emulator{recorder};
    for (int n = 1; n <= 8; ++n) {
        emulator.SetText(u"Barcode" + IntToText(n), IntToText(n) + u"234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ01234");
    }
    emulator.Set(u"Delay", HostInt(kDelay));
    emulator.Set(u"Transparency", HostInt(20));

    std::vector<double> open;
    for (int round = 0; round < 5; ++round) {
        const auto start = Clock::now();
        REQUIRE(emulator.Call(u"Open"));
        while (!WindowDrawn()) {
            REQUIRE(Clock::now() - start < std::chrono::seconds(10));
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        open.push_back(Ms(Clock::now() - start));
        if (round < 4) REQUIRE(emulator.Call(u"Close"));
    }

    int x = 0, y = 0;
    platform::RunOnUiThread([&] {
        Fl_Window* window = Fl::first_window();
        x = window->x_root() + 3 + 40;
        y = window->y_root() + 57 + 40;
    });
    // Without --sync, which waits forever for a pointer already in place.
    const std::string click = "xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) +
                              " sleep 0.05 click --repeat 2 --delay 40 1";
    // The double-click reaches the window somewhere between xdotool's start
    // and its end, so the lateness lies between the two figures.
    std::vector<double> fromStart, fromEnd;
    for (int n = 1; n <= kEvents; ++n) {
        const auto started = Clock::now();
        REQUIRE(std::system(click.c_str()) == 0);
        const auto ended = Clock::now();
        REQUIRE_MESSAGE(recorder.WaitFor(n), "event " << n);
        const auto at = recorder.Events()[n - 1].at;
        fromStart.push_back(Ms(at - started) - kDelay);
        fromEnd.push_back(Ms(at - ended) - kDelay);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    Report("Open to drawn window (8 presets)", open);
    Report("lateness, from xdotool's start", fromStart);
    Report("lateness, from xdotool's end", fromEnd);
}

int main(int argc, char** argv) {
    doctest::Context context(argc, argv);
    const int status = context.run();
    platform::StopUiThread();
    return status;
}
