// The Linux windows on a real X display with a window manager (Xvfb and
// openbox in the build): the emulator window's hints, place and size read
// back with xprop, the user's double-clicks and button presses made with
// xdotool, the message boxes, the log viewer following a file that another
// process appends to, and the help page. Pictures are captured from the
// screen into files that run_x11_tests.sh hands to the Data Matrix readers.
//
//   x11_tests <picture dir> [doctest options]
#define DOCTEST_CONFIG_IMPLEMENT
#include <doctest.h>

#include <FL/Fl.H>
#include <FL/Fl_Text_Display.H>
#include <FL/Fl_Window.H>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "common/Text.h"
#include "emulator/EmulatorHost.h"
#include "log/Log.h"
#include "platform/x11/UiThread.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

fs::path gPictureDir;

std::string Run(const std::string& ACommand) {
    std::string output;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(ACommand.c_str(), "r"), &pclose);
    REQUIRE(pipe);
    char buffer[512];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe.get())) output.append(buffer, n);
    return output;
}

// The id of the shown window of that exact title, waited for; 0 when none
// came. The title is compared as the window manager reads it (FLTK writes
// the legacy WM_NAME with UTF-8 bytes, which xdotool's own search misreads).
unsigned long FindWindow(const std::string& ATitle, std::chrono::milliseconds ATimeout = 5000ms) {
    const std::string wanted = "_NET_WM_NAME(UTF8_STRING) = \"" + ATitle + "\"\n";
    const auto end = Clock::now() + ATimeout;
    do {
        std::istringstream ids(Run("xdotool search --onlyvisible --name . 2>/dev/null"));
        for (unsigned long id = 0; ids >> id;) {
            if (Run("xprop -id " + std::to_string(id) + " _NET_WM_NAME 2>/dev/null") == wanted) return id;
        }
        std::this_thread::sleep_for(50ms);
    } while (Clock::now() < end);
    return 0;
}

// Waits up to 3 s for no shown window of that title to be left.
bool WindowGone(const std::string& ATitle) {
    const auto end = Clock::now() + 3s;
    while (FindWindow(ATitle, 0ms) != 0) {
        if (Clock::now() >= end) return false;
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

// A message box of that caption came and was answered with its button.
bool AnswerBox(const std::string& ACaption) {
    const unsigned long box = FindWindow(ACaption);
    if (box == 0) return false;
    Run("xdotool windowactivate --sync " + std::to_string(box) + " key Return");
    return WindowGone(ACaption);
}

struct TGeometry {
    int x = 0, y = 0, width = 0, height = 0;
};

// Where the client area really is (xdotool's own geometry adds the frame's
// offset once more under a reparenting window manager).
TGeometry ClientGeometry(unsigned long AId) {
    std::istringstream info(Run("xwininfo -id " + std::to_string(AId)));
    TGeometry g;
    for (std::string line; std::getline(info, line);) {
        const auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        const std::string key = line.substr(0, colon);
        const std::string value = line.substr(colon + 1);
        if (key.ends_with("Absolute upper-left X")) g.x = std::stoi(value);
        if (key.ends_with("Absolute upper-left Y")) g.y = std::stoi(value);
        if (key.ends_with("Width")) g.width = std::stoi(value);
        if (key.ends_with("Height")) g.height = std::stoi(value);
    }
    return g;
}

std::string Property(unsigned long AId, const std::string& AName) {
    return Run("xprop -id " + std::to_string(AId) + " " + AName);
}

void DoubleClick(int AX, int AY) {
    Run("xdotool mousemove " + std::to_string(AX) + " " + std::to_string(AY) + " sleep 0.05 click --repeat 2 --delay 60 1");
}

void Click(int AX, int AY) {
    Run("xdotool mousemove " + std::to_string(AX) + " " + std::to_string(AY) + " sleep 0.05 click 1");
}

// The window manager's close, as the frame's close button gives it.
void CloseByWindowManager(unsigned long AId) {
    Run("xdotool windowactivate --sync " + std::to_string(AId) + " key --clearmodifiers alt+F4");
}

// Picture box k (1 or 2) of the first page, in screen coordinates.
constexpr int kImageLeft[2] = {3, 89};
constexpr int kPageTop = 57;
int ImageCenterX(const TGeometry& AClient, int AImage) { return AClient.x + kImageLeft[AImage - 1] + 40; }
int ImageCenterY(const TGeometry& AClient) { return AClient.y + kPageTop + 40; }

// Drivers created while this lives get the real window.
struct RealWindows {
    DriverHost host;
    RealWindows() { OverrideBarcodesForm(nullptr); }
};

struct ShownEmulator {
    EventRecorder recorder;
    EmulatorObject emulator{recorder};
    unsigned long id = 0;
    TGeometry client;

    explicit ShownEmulator(std::u16string_view ABarcode2 = u"ABCDEFGH") {
        emulator.SetText(u"Barcode1", u"123456789");
        emulator.SetText(u"Barcode2", ABarcode2);
        emulator.Set(u"Delay", HostInt(1500));
        emulator.Set(u"Transparency", HostInt(20));
        REQUIRE(emulator.Call(u"Open"));
        id = FindWindow("Эмулятор MCR");
        REQUIRE(id != 0);
        std::this_thread::sleep_for(300ms);  // the manager's placing settles
        client = ClientGeometry(id);
    }
};

// Runs on the UI thread: the text and caret of the log viewer's text area.
struct TViewerText {
    std::string text;
    int caret = -1;
};

Fl_Text_Display* ViewerTextArea() {
    for (Fl_Window* window = Fl::first_window(); window; window = Fl::next_window(window)) {
        if (std::string(window->label() ? window->label() : "") != "Просмотр лога") continue;
        for (int i = 0; i < window->children(); ++i) {
            if (auto* area = dynamic_cast<Fl_Text_Display*>(window->child(i))) return area;
        }
    }
    return nullptr;
}

TViewerText ReadViewer() {
    TViewerText seen;
    platform::RunOnUiThread([&] {
        if (Fl_Text_Display* area = ViewerTextArea()) {
            std::unique_ptr<char, decltype(&std::free)> text(area->buffer()->text(), &std::free);
            seen.text = text.get();
            seen.caret = area->insert_position();
        }
    });
    return seen;
}

// Hides whatever the component shows, so that a modal action whose window
// a failed check left open returns.
void HideAll() {
    platform::RunOnUiThread([] {
        while (Fl_Window* window = Fl::first_window()) window->hide();
    });
}

}  // namespace

TEST_SUITE("x11 windows") {

TEST_CASE("the emulator window is a utility window above the others at the right edge, with its opacity") {
    RealWindows real;
    ShownEmulator shown;
    CHECK(Property(shown.id, "_NET_WM_WINDOW_TYPE").find("_NET_WM_WINDOW_TYPE_UTILITY") != std::string::npos);
    CHECK(Property(shown.id, "_NET_WM_STATE").find("_NET_WM_STATE_ABOVE") != std::string::npos);
    // Transparency 20 is alpha 200 of 255, spread over the property's 32 bits.
    CHECK(Property(shown.id, "_NET_WM_WINDOW_OPACITY").find("= " + std::to_string(200UL * 0x01010101UL)) !=
          std::string::npos);
    CHECK(shown.client.width == 182);
    CHECK(shown.client.height == 145);
    int left = 0, right = 0, top = 0, bottom = 0;
    const std::string extents = Property(shown.id, "_NET_FRAME_EXTENTS");
    REQUIRE(std::sscanf(extents.c_str(), "_NET_FRAME_EXTENTS(CARDINAL) = %d, %d, %d, %d", &left, &right, &top, &bottom) == 4);
    int screenWidth = 0, screenHeight = 0;
    REQUIRE(std::sscanf(Run("xdotool getdisplaygeometry").c_str(), "%d %d", &screenWidth, &screenHeight) == 2);
    CHECK(shown.client.x + shown.client.width + right == screenWidth);
    CHECK(shown.client.y - top == 10);

    // The pictures as the screen shows them, for the readers; the pointer
    // is moved away first, so that no hint covers them.
    Run("xdotool mousemove 0 0");
    std::this_thread::sleep_for(300ms);
    const fs::path screen = gPictureDir / "screen.png";
    Run("import -window root " + screen.string());
    for (int image = 1; image <= 2; ++image) {
        const fs::path picture = gPictureDir / ("image" + std::to_string(image) + ".pgm");
        Run("convert " + screen.string() + " -crop 80x80+" + std::to_string(shown.client.x + kImageLeft[image - 1]) +
            "+" + std::to_string(shown.client.y + kPageTop) + " +repage -bordercolor white -border 16 -depth 8 " +
            picture.string());
        std::ofstream(fs::path(picture).replace_extension(".bytes"), std::ios::binary)
            << (image == 1 ? "123456789" : "ABCDEFGH");
        CHECK(fs::exists(picture));
    }
}

TEST_CASE("double-clicks give TracksData after Delay; a burst gives one event with the last data") {
    RealWindows real;
    ShownEmulator shown;
    const auto first = Clock::now();
    DoubleClick(ImageCenterX(shown.client, 1), ImageCenterY(shown.client));
    std::this_thread::sleep_for(200ms);
    DoubleClick(ImageCenterX(shown.client, 2), ImageCenterY(shown.client));
    REQUIRE(shown.recorder.WaitFor(1));
    std::this_thread::sleep_for(700ms);
    const auto events = shown.recorder.Events();
    REQUIRE(events.size() == 1);
    CHECK(events[0].message == u"TracksData");
    CHECK(events[0].data == u"ABCDEFGH");
    CHECK_FALSE(events[0].sourceIsNull);
    CHECK(MsSince(first, events[0].at) >= 1500);
    CHECK(MsSince(first, events[0].at) < 3000);

    // After the delivery, a new double-click waits its own full delay.
    const auto second = Clock::now();
    DoubleClick(ImageCenterX(shown.client, 1), ImageCenterY(shown.client));
    REQUIRE(shown.recorder.WaitFor(2));
    CHECK(shown.recorder.Events()[1].data == u"123456789");
    CHECK(MsSince(second, shown.recorder.Events()[1].at) >= 1500);
}

TEST_CASE("the edit box and the button send the text unescaped; empty text and bad escapes give the boxes") {
    RealWindows real;
    ShownEmulator shown;
    const int editX = shown.client.x + 7 + 50, editY = shown.client.y + 7 + 10;
    const int buttonX = shown.client.x + 117 + 30, buttonY = shown.client.y + 6 + 11;

    Click(buttonX, buttonY);
    CHECK(AnswerBox("Внимание"));

    Click(editX, editY);
    Run("xdotool type --delay 20 '<0x123456789>'");
    Click(buttonX, buttonY);
    CHECK(AnswerBox("Ошибка"));

    Click(editX, editY);
    Run("xdotool key ctrl+a BackSpace type --delay 20 '0102<0x1D>0304'");
    Click(buttonX, buttonY);
    REQUIRE(shown.recorder.WaitFor(1));
    CHECK(shown.recorder.Events()[0].data == u"0102\x1D" u"0304");
    CHECK(shown.recorder.Events().size() == 1);
}

TEST_CASE("closing hides the window, Open shows it again, and destroying with a pending delivery raises the event") {
    RealWindows real;
    ShownEmulator shown;
    CloseByWindowManager(shown.id);
    CHECK(WindowGone("Эмулятор MCR"));
    CHECK_FALSE(shown.emulator.driver.Form().Visible());

    REQUIRE(shown.emulator.Call(u"Open"));
    const unsigned long again = FindWindow("Эмулятор MCR");
    REQUIRE(again != 0);
    std::this_thread::sleep_for(300ms);
    const TGeometry client = ClientGeometry(again);
    DoubleClick(ImageCenterX(client, 1), ImageCenterY(client));
    std::this_thread::sleep_for(200ms);
    shown.emulator.Destroy();
    const auto events = shown.recorder.Events();
    REQUIRE(events.size() == 1);
    CHECK(events[0].data == u"123456789");
    CHECK(WindowGone("Эмулятор MCR"));
}

TEST_CASE("the log viewer follows a file that another process appends to, keeping the caret") {
    RealWindows real;
    EventRecorder recorder;
    EmulatorObject emulator{recorder};
    const fs::path directory = ToUtf8(TLog::GetAbsolutePath(true));
    const fs::path file = directory / "tarvik_test.log";
    std::ofstream(file, std::ios::binary) << "first line\r\nsecond line\r\n";

    auto action = std::async(std::launch::async, [&] {
        DriverObject& object = emulator.object;
        V8Variant ret{};
        V8Variant params[1]{object.Text(u"ViewLog")};
        REQUIRE(object.Call(u"DoAdditionalAction", ret, params));
        return ret.VarEnum.bVal != 0;
    });
    if (FindWindow("Просмотр лога") == 0) HideAll();
    REQUIRE(action.wait_for(0s) == std::future_status::timeout);
    CHECK(ReadViewer().text == "first line\nsecond line\n");
    platform::RunOnUiThread([] { ViewerTextArea()->insert_position(6); });

    std::this_thread::sleep_for(1100ms);  // a later write time than the load's
    Run("sh -c 'printf \"third line\\r\\n\" >> \"" + file.string() + "\"'");
    const auto end = Clock::now() + 4s;
    TViewerText seen = ReadViewer();
    while (seen.text.find("third line") == std::string::npos && Clock::now() < end) {
        std::this_thread::sleep_for(100ms);
        seen = ReadViewer();
    }
    CHECK(seen.text == "first line\nsecond line\nthird line\n");
    CHECK(seen.caret == 6);

    CloseByWindowManager(FindWindow("Просмотр лога"));
    const bool closed = action.wait_for(5s) == std::future_status::ready;
    if (!closed) HideAll();
    REQUIRE(closed);
    CHECK(action.get());
}

TEST_CASE("the help window shows the page, opens it in the browser, and leaves no folder behind") {
    RealWindows real;
    EventRecorder recorder;
    EmulatorObject emulator{recorder};
    const fs::path temp = fs::temp_directory_path();
    const auto foldersIn = [&] { return std::distance(fs::directory_iterator(temp), fs::directory_iterator()); };
    const auto before = foldersIn();
    const fs::path opened = fs::path(getenv("MCR_XDG_OPEN_LOG"));
    fs::remove(opened);

    auto action = std::async(std::launch::async, [&] {
        DriverObject& object = emulator.object;
        V8Variant ret{};
        V8Variant params[1]{object.Text(u"ShowHelp")};
        REQUIRE(object.Call(u"DoAdditionalAction", ret, params));
        return ret.VarEnum.bVal != 0;
    });
    const unsigned long id = FindWindow("Справка");
    if (id == 0) HideAll();
    REQUIRE(id != 0);
    CHECK(foldersIn() == before + 1);
    std::this_thread::sleep_for(300ms);
    const TGeometry client = ClientGeometry(id);
    Click(client.x + client.width - 88, client.y + client.height - 17);
    const auto end = Clock::now() + 3s;
    while (!fs::exists(opened) && Clock::now() < end) std::this_thread::sleep_for(50ms);
    std::string page;
    std::getline(std::ifstream(opened), page);
    CHECK(page.ends_with("/md.html"));

    CloseByWindowManager(id);
    const bool closed = action.wait_for(5s) == std::future_status::ready;
    if (!closed) HideAll();
    REQUIRE(closed);
    CHECK(action.get());
    CHECK(foldersIn() == before);
}

}  // TEST_SUITE

// Run with DISPLAY unset: the objects are made and configured all the same.
TEST_CASE("without a graphical display Open, ViewLog and ShowHelp fail with a message saying so") {
    REQUIRE(std::getenv("DISPLAY") == nullptr);
    RealWindows real;
    EventRecorder recorder;
    EmulatorObject emulator{recorder};
    emulator.SetText(u"Barcode1", u"123456789");
    CHECK_FALSE(emulator.Call(u"Open"));
    std::u16string message;
    CHECK(emulator.object.LastError(&message) == 1001);
    CHECK(ToUtf8(message).find("Нет графического дисплея") != std::string::npos);
    for (const char16_t* action : {u"ViewLog", u"ShowHelp"}) {
        V8Variant ret{};
        V8Variant params[1]{emulator.object.Text(action)};
        REQUIRE(emulator.object.Call(u"DoAdditionalAction", ret, params));
        CHECK(ret.VarEnum.bVal == 0);
        CHECK(emulator.object.LastError(&message) == 1001);
        CHECK(ToUtf8(message).find("Нет графического дисплея") != std::string::npos);
    }
    CHECK(emulator.Call(u"Close"));
}

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: x11_tests <picture dir> [doctest options]\n");
        return 2;
    }
    gPictureDir = argv[1];
    doctest::Context context(argc - 1, argv + 1);
    const int status = context.run();
    platform::StopUiThread();
    return status;
}
