// The emulator's tool window on a real desktop (Wine under Xvfb in the
// build): layout, placement, pages, hints, the user's double-clicks and
// button presses, and the message boxes. The pictures it shows are captured
// from the screen into files that run_window_tests.sh hands to the Data
// Matrix readers.
//
//   window_tests <picture dir> [doctest options]
//   window_tests --demo <seconds> [preset...]   shows a filled window for a screenshot
#define DOCTEST_CONFIG_IMPLEMENT
#include <doctest.h>

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "common/Error.h"
#include "common/Text.h"
#include "emulator/BarcodeImage.h"
#include "emulator/FormIds.h"
#include "emulator/FormLogic.h"
#include "emulator/Swipe.h"
#include "emulator/win32/FmBarcodes.h"
#include "platform/win32/WinHandles.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

fs::path gPictureDir;

constexpr char16_t kCaption[] = u"Эмулятор MCR";
constexpr char16_t kWindowHint[] = u"После двойного щелчка по штрих коду или кнопке переведите фокус на 1С форму ";

// Lets the window paint and handle what the system queued for it.
void Pump(std::chrono::milliseconds duration) {
    const auto end = std::chrono::steady_clock::now() + duration;
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    } while (std::chrono::steady_clock::now() < end);
}

struct TBoxSeen {
    std::u16string caption;
    std::u16string text;
    bool warningIcon = false;
    bool errorIcon = false;
};

// Answers this process's message boxes from a thread of its own: a modal
// box holds the test's thread until somebody presses OK.
class TBoxWatcher {
public:
    TBoxWatcher() : FThread([this] { Watch(); }) {}
    ~TBoxWatcher() {
        FStop = true;
        FThread.join();
    }
    std::vector<TBoxSeen> Seen() const {
        std::lock_guard lock(FLock);
        return FSeen;
    }

private:
    static BOOL CALLBACK CollectBox(HWND window, LPARAM param) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        if (process == GetCurrentProcessId() && IsWindowVisible(window) && std::wstring(className) == L"#32770") {
            reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
        }
        return TRUE;
    }

    void Watch() {
        while (!FStop) {
            std::vector<HWND> boxes;
            EnumWindows(&CollectBox, reinterpret_cast<LPARAM>(&boxes));
            for (HWND box : boxes) Answer(box);
            Sleep(20);
        }
    }

    // The icon sits in the box's one icon-style static; its identifier
    // differs between Windows and Wine.
    static BOOL CALLBACK FindIcon(HWND child, LPARAM param) {
        wchar_t className[16] = {};
        GetClassNameW(child, className, 16);
        if (_wcsicmp(className, L"Static") != 0 || (GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) {
            return TRUE;
        }
        *reinterpret_cast<HICON*>(param) = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
        return FALSE;
    }

    void Answer(HWND box) {
        constexpr int kMessageTextId = 0xFFFF;
        TBoxSeen seen{win::WindowText(box), win::WindowText(GetDlgItem(box, kMessageTextId))};
        HICON icon = nullptr;
        EnumChildWindows(box, &FindIcon, reinterpret_cast<LPARAM>(&icon));
        seen.warningIcon = icon && icon == LoadIconW(nullptr, IDI_WARNING);
        seen.errorIcon = icon && icon == LoadIconW(nullptr, IDI_ERROR);
        {
            std::lock_guard lock(FLock);
            FSeen.push_back(seen);
        }
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        // The box's thread closes it; wait so that it is not answered twice.
        for (int i = 0; i < 200 && IsWindow(box) && IsWindowVisible(box); ++i) Sleep(10);
    }

    mutable std::mutex FLock;
    std::vector<TBoxSeen> FSeen;
    std::atomic<bool> FStop{false};
    std::thread FThread;
};

struct TFixture {
    // First in, last out: a box that nobody expected still gets answered
    // instead of holding the test forever.
    TBoxWatcher boxes;
    std::unique_ptr<TBarcodesForm> form = CreateBarcodesForm();
    TfmBarcodes& fm = dynamic_cast<TfmBarcodes&>(*form);
    std::vector<std::u16string> calls;

    TFixture() {
        form->SetCaption(kCaption);
        form->SetAlpha(255);
        form->SetOnGetData([this](const std::u16string& value) { calls.push_back(value); });
    }
    HWND Window() const { return fm.Handle(); }
    HWND Child(int id) const { return GetDlgItem(fm.Handle(), id); }
    HWND Image(int k) const { return Child(form_ids::kFirstImage + k); }
    HWND Pages() const { return Child(form_ids::kPages); }
    void SetSlots(const std::array<std::u16string, 8>& slots) {
        for (int i = 0; i < 8; ++i) form->SetBarcode(i, slots[i]);
    }
    void ShowAndPaint() {
        form->Show();
        RedrawWindow(Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Pump(150ms);
    }
};

int TabCount(HWND pages) { return static_cast<int>(SendMessageW(pages, TCM_GETITEMCOUNT, 0, 0)); }
int CurrentTab(HWND pages) { return static_cast<int>(SendMessageW(pages, TCM_GETCURSEL, 0, 0)); }

std::u16string TabText(HWND pages, int index) {
    std::array<wchar_t, 32> buffer{};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(buffer.size());
    SendMessageW(pages, TCM_GETITEMW, index, reinterpret_cast<LPARAM>(&item));
    return std::u16string(reinterpret_cast<const char16_t*>(buffer.data()));
}

RECT ScreenRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

POINT Centre(const RECT& rect) { return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}; }

// A click through the system's input queue, as the user's mouse gives it.
void ClickAt(POINT point, int clicks) {
    SetCursorPos(point.x, point.y);
    Pump(50ms);
    for (int i = 0; i < clicks; ++i) {
        INPUT input[2] = {};
        input[0].type = input[1].type = INPUT_MOUSE;
        input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(2, input, sizeof(INPUT));
        Pump(30ms);
    }
    Pump(100ms);
}

void ClickTab(HWND pages, int index) {
    RECT item{};
    SendMessageW(pages, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
    MapWindowPoints(pages, nullptr, reinterpret_cast<POINT*>(&item), 2);
    ClickAt(Centre(item), 1);
}

std::u16string HintOf(HWND hint, HWND owner, HWND tool) {
    std::array<wchar_t, 512> buffer{};
    TOOLINFOW info{};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.hwnd = owner;
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    info.lpszText = buffer.data();
    SendMessageW(hint, TTM_GETTEXTW, buffer.size(), reinterpret_cast<LPARAM>(&info));
    return std::u16string(reinterpret_cast<const char16_t*>(buffer.data()));
}

// The pixels on the screen where the picture box is, as gray values.
TBarcodeImage CaptureFromScreen(HWND control) {
    const RECT rect = ScreenRect(control);
    TBarcodeImage image;
    image.Width = rect.right - rect.left;
    image.Height = rect.bottom - rect.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = image.Width;
    info.bmiHeader.biHeight = -image.Height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    win::UniqueBitmap bitmap(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, bitmap.get());
    BitBlt(memory, 0, 0, image.Width, image.Height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    const auto* pixels = static_cast<const uint8_t*>(bits);
    for (int i = 0; i < image.Width * image.Height; ++i) {
        image.Pixels.push_back(static_cast<uint8_t>((pixels[4 * i] + pixels[4 * i + 1] + pixels[4 * i + 2]) / 3));
    }
    return image;
}

// The page beside a picture box, one pixel left and right of it over its
// height, is the window's white.
bool WhiteBeside(HWND control) {
    const RECT rect = ScreenRect(control);
    HDC screen = GetDC(nullptr);
    bool white = true;
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x : {rect.left - 1, rect.right}) white = white && GetPixel(screen, x, y) == RGB(255, 255, 255);
    }
    ReleaseDC(nullptr, screen);
    return white;
}

// The picture with a white margin (the window's background, as a scanner
// would see it) and the bytes it must decode to, for the readers.
void SavePicture(const std::string& name, const TBarcodeImage& image, const std::u16string& text) {
    constexpr int kMargin = 8;
    const int width = image.Width + 2 * kMargin, height = image.Height + 2 * kMargin;
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height, TBarcodeImage::kWhite);
    for (int y = 0; y < image.Height; ++y) {
        for (int x = 0; x < image.Width; ++x) {
            pixels[static_cast<size_t>(y + kMargin) * width + x + kMargin] = image.At(x, y);
        }
    }
    std::ofstream pgm(gPictureDir / (name + ".pgm"), std::ios::binary);
    pgm << "P5\n" << width << ' ' << height << "\n255\n";
    pgm.write(reinterpret_cast<const char*>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
    std::ofstream expected(gPictureDir / (name + ".bytes"), std::ios::binary);
    expected << ToUtf8(text);
}

std::u16string LibraryErrorFor(const std::u16string& text) {
    try {
        BuildBarcodeImage(80, 80, text);
    } catch (const EComponentError& e) {
        return e.Message();
    }
    return u"";
}

// Every picture box against the layout while page `page` is selected.
void CheckPictures(const TFixture& f, const TFormLayout& layout, int page, const std::array<std::u16string, 8>& slots,
                   const std::string& name) {
    RECT area{};
    GetClientRect(f.Pages(), &area);
    SendMessageW(f.Pages(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    MapWindowPoints(f.Pages(), f.Window(), reinterpret_cast<POINT*>(&area), 2);
    for (int k = 0; k < 8; ++k) {
        CAPTURE(k);
        const int slot = layout.slotOfImage[k];
        const bool shown = slot >= 0 && k / 2 == page;
        CHECK((IsWindowVisible(f.Image(k)) != FALSE) == shown);
        if (!shown) continue;
        RECT rect = ScreenRect(f.Image(k));
        MapWindowPoints(nullptr, f.Window(), reinterpret_cast<POINT*>(&rect), 2);
        CHECK(rect.left == area.left + (k % 2 == 0 ? 3 : 89));
        CHECK(rect.top == area.top);
        CHECK(rect.right - rect.left == 80);
        CHECK(rect.bottom - rect.top == 80);
        RECT client{};
        GetClientRect(f.Window(), &client);
        CHECK(rect.bottom <= client.bottom);  // the whole picture inside the window
        // The box is what the mouse finds there, above the page control.
        CHECK(WindowFromPoint(Centre(ScreenRect(f.Image(k)))) == f.Image(k));
        CHECK(HintOf(f.fm.HintWindow(), f.Window(), f.Image(k)) == slots[slot]);
        BITMAP info{};
        const auto bitmap = reinterpret_cast<HBITMAP>(SendMessageW(f.Image(k), STM_GETIMAGE, IMAGE_BITMAP, 0));
        REQUIRE(GetObjectW(bitmap, sizeof info, &info) == sizeof info);
        CHECK(info.bmWidth == 80);
        CHECK(info.bmHeight == 80);
        // Nothing may cover the picture on the screen, the hint pop-up included.
        SetCursorPos(0, GetSystemMetrics(SM_CYSCREEN) - 1);
        SendMessageW(f.fm.HintWindow(), TTM_POP, 0, 0);
        Pump(50ms);
        SavePicture(name + "_image" + std::to_string(k + 1), CaptureFromScreen(f.Image(k)), slots[slot]);
        CHECK(WhiteBeside(f.Image(k)));
    }
}

void CheckShownLayout(const std::array<std::u16string, 8>& slots, const std::string& name) {
    TFixture f;
    f.SetSlots(slots);
    f.ShowAndPaint();
    const TFormLayout layout = LayoutSlots(slots);

    REQUIRE(f.form->Visible());
    const RECT frame = ScreenRect(f.Window());
    CHECK(frame.left == GetSystemMetrics(SM_CXSCREEN) - (frame.right - frame.left));
    CHECK(frame.top == 10);
    CHECK((GetWindowLongPtrW(f.Window(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
    CHECK(win::WindowText(f.Window()) == kCaption);

    REQUIRE(TabCount(f.Pages()) == layout.pages);
    for (int page = 0; page < layout.pages; ++page) CHECK(TabText(f.Pages(), page) == IntToText(page + 1));
    if (layout.pages > 0) CHECK(CurrentTab(f.Pages()) == 0);
    CheckPictures(f, layout, layout.pages > 0 ? 0 : -1, slots, name);
    for (int page = 1; page < layout.pages; ++page) {
        CAPTURE(page);
        ClickTab(f.Pages(), page);
        REQUIRE(CurrentTab(f.Pages()) == page);
        CheckPictures(f, layout, page, slots, name);
    }
    CHECK(f.boxes.Seen().empty());
}

}  // namespace

TEST_CASE("the window starts hidden as a layered topmost tool window with the layout's controls") {
    TFixture f;
    CHECK_FALSE(f.form->Visible());
    CHECK_FALSE(IsWindowVisible(f.Window()));
    const LONG_PTR exStyle = GetWindowLongPtrW(f.Window(), GWL_EXSTYLE);
    CHECK((exStyle & WS_EX_TOOLWINDOW) != 0);
    CHECK((exStyle & WS_EX_TOPMOST) != 0);
    CHECK((exStyle & WS_EX_LAYERED) != 0);
    const LONG_PTR style = GetWindowLongPtrW(f.Window(), GWL_STYLE);
    CHECK((style & WS_SYSMENU) != 0);
    CHECK((style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME)) == 0);
    RECT client{};
    GetClientRect(f.Window(), &client);
    CHECK(client.right == 182);
    CHECK(client.bottom == 145);

    HWND edit = f.Child(form_ids::kEdit);
    HWND send = f.Child(form_ids::kSendButton);
    REQUIRE(edit);
    REQUIRE(send);
    REQUIRE(f.Pages());
    CHECK(ScreenRect(edit).right - ScreenRect(edit).left == 106);
    CHECK(win::WindowText(send) == u"Событие");
    CHECK((GetWindowLongPtrW(f.Pages(), GWL_STYLE) & (TCS_BUTTONS | TCS_MULTILINE)) == (TCS_BUTTONS | TCS_MULTILINE));
    for (int k = 0; k < 8; ++k) CHECK_FALSE(IsWindowVisible(f.Image(k)));

    // Only version 6 of the edit control keeps a cue banner: this fails when
    // the window was made outside the component's activation context.
    std::array<wchar_t, 64> banner{};
    CHECK(SendMessageW(edit, EM_GETCUEBANNER, reinterpret_cast<WPARAM>(banner.data()), banner.size()) == TRUE);
    CHECK(std::u16string(reinterpret_cast<const char16_t*>(banner.data())) == u"0102<0x1D>0304");

    LOGFONTW font{};
    REQUIRE(GetObjectW(reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0)), sizeof font, &font) != 0);
    CHECK(std::wstring(font.lfFaceName) == L"Tahoma");
    CHECK(font.lfHeight == -11);
}

TEST_CASE("the hints: the window's hint on its controls, no drop shadow") {
    TFixture f;
    HWND hint = f.fm.HintWindow();
    REQUIRE(hint);
    wchar_t className[64] = {};
    GetClassNameW(hint, className, 64);
    CHECK(std::wstring(className) == TfmBarcodes::kHintClassName);
    CHECK((GetClassLongPtrW(hint, GCL_STYLE) & CS_DROPSHADOW) == 0);
    CHECK(SendMessageW(hint, TTM_GETTOOLCOUNT, 0, 0) == 12);
    for (HWND tool : {f.Window(), f.Child(form_ids::kEdit), f.Child(form_ids::kSendButton), f.Pages()}) {
        CHECK(HintOf(hint, f.Window(), tool) == kWindowHint);
    }
}

TEST_CASE("caption and alpha as the driver sets them") {
    TFixture f;
    CHECK(win::WindowText(f.Window()) == kCaption);
    for (uint8_t alpha : {uint8_t{200}, uint8_t{0}, uint8_t{4}}) {
        f.form->SetAlpha(alpha);
        BYTE read = 1;
        DWORD flags = 0;
        REQUIRE(GetLayeredWindowAttributes(f.Window(), nullptr, &read, &flags));
        CHECK(read == alpha);
        CHECK((flags & LWA_ALPHA) != 0);
    }
}

TEST_CASE("showing places the window and fills pictures and tabs per the layout") {
    const std::u16string escaped = u"0102<0x1D>0304";
    SUBCASE("two presets: one page") { CheckShownLayout({u"123456789", u"ABCDEFGH"}, "two"); }
    SUBCASE("slots 2 and 7: packed on the first page") {
        CheckShownLayout({u"", u"", u"Тестовая карта", u"", u"", u"", u"", escaped}, "sparse");
    }
    SUBCASE("three presets: two pages") { CheckShownLayout({u"1", u"<0x01><0x02><0x03>", u"3"}, "three"); }
    SUBCASE("eight presets: four pages") {
        CheckShownLayout({u"A1", u"B2", u"C3", u"D4", u"E5", u"F6", u";4276380012345678=2512101?", u"Ж8"}, "eight");
    }
    SUBCASE("no preset: no tab, no picture") { CheckShownLayout({}, "none"); }
}

TEST_CASE("a double-click on a picture hands the slot's unescaped text to the callback") {
    TFixture f;
    f.SetSlots({u"<0x01><0x02><0x03>", u"", u"", u"0102<0x1D>0304", u"", u"<0x41D><0x43E><0x43C><0x435><0x440> 7"});
    f.ShowAndPaint();
    ClickAt(Centre(ScreenRect(f.Image(0))), 2);
    ClickAt(Centre(ScreenRect(f.Image(1))), 2);
    REQUIRE(f.calls.size() == 2);
    CHECK(f.calls[0] == u"\x01\x02\x03");
    CHECK(f.calls[1] == u"0102\x1D" u"0304");

    ClickTab(f.Pages(), 1);
    ClickAt(Centre(ScreenRect(f.Image(2))), 2);
    REQUIRE(f.calls.size() == 3);
    CHECK(f.calls[2] == u"Номер 7");

    // A single click sends nothing.
    Pump(600ms);
    ClickAt(Centre(ScreenRect(f.Image(2))), 1);
    Pump(600ms);
    CHECK(f.calls.size() == 3);
    CHECK(f.boxes.Seen().empty());
}

TEST_CASE("a slot changed while shown keeps the pictures until the next show") {
    TFixture f;
    f.SetSlots({u"first", u"second"});
    f.ShowAndPaint();
    f.form->SetBarcode(2, u"third");
    f.form->SetBarcode(3, u"fourth");
    f.form->SetBarcode(0, u"changed");
    f.form->Show();  // already shown: nothing happens
    CHECK(TabCount(f.Pages()) == 1);
    CHECK(HintOf(f.fm.HintWindow(), f.Window(), f.Image(0)) == u"first");
    // The picture is the earlier one, the text sent is the slot's now.
    ClickAt(Centre(ScreenRect(f.Image(0))), 2);
    REQUIRE(f.calls.size() == 1);
    CHECK(f.calls[0] == u"changed");

    f.form->Hide();
    f.ShowAndPaint();
    CHECK(TabCount(f.Pages()) == 2);
    CHECK(HintOf(f.fm.HintWindow(), f.Window(), f.Image(0)) == u"changed");
    CHECK(f.boxes.Seen().empty());
}

TEST_CASE("picture boxes that a later show leaves unfilled are hidden") {
    TFixture f;
    f.SetSlots({u"a", u"b", u"c", u"d"});
    f.ShowAndPaint();
    CHECK(TabCount(f.Pages()) == 2);
    f.form->Hide();
    f.SetSlots({u"a"});
    f.ShowAndPaint();
    CHECK(TabCount(f.Pages()) == 1);
    CHECK(IsWindowVisible(f.Image(0)));
    CHECK_FALSE(IsWindowVisible(f.Image(1)));
    // Nothing answers where the second picture was.
    RECT gone = ScreenRect(f.Image(1));
    ClickAt(Centre(gone), 2);
    CHECK(f.calls.empty());
    CHECK(f.boxes.Seen().empty());
}

TEST_CASE("the button sends the edit box's text, warns when it is empty, reports bad escapes") {
    TFixture f;
    f.ShowAndPaint();
    HWND edit = f.Child(form_ids::kEdit);
    HWND send = f.Child(form_ids::kSendButton);
    const POINT button = Centre(ScreenRect(send));

    ClickAt(button, 1);
    Pump(300ms);
    CHECK(f.calls.empty());
    auto seen = f.boxes.Seen();
    REQUIRE(seen.size() == 1);
    CHECK(seen[0].caption == u"Внимание");
    CHECK(seen[0].text == u"Введите код");
    CHECK(seen[0].warningIcon);

    SetWindowTextW(edit, L"0102<0x1D>0304");
    ClickAt(button, 1);
    REQUIRE(f.calls.size() == 1);
    CHECK(f.calls[0] == u"0102\x1D" u"0304");
    CHECK(win::WindowText(edit) == u"0102<0x1D>0304");  // the edit box keeps its text

    SetWindowTextW(edit, L"<0x123456789>");
    ClickAt(button, 1);
    Pump(300ms);
    CHECK(f.calls.size() == 1);
    seen = f.boxes.Seen();
    REQUIRE(seen.size() == 2);
    CHECK(seen[1].caption == kCaption);
    CHECK(seen[1].text == u"'$123456789' is not a valid integer value.");
    CHECK(seen[1].errorIcon);
}

TEST_CASE("an error of the callback is shown in a box and goes no further") {
    TFixture f;
    f.form->SetOnGetData([](const std::u16string&) { throw EComponentError(u"Delivery refused"); });
    f.SetSlots({u"x"});
    f.ShowAndPaint();
    ClickAt(Centre(ScreenRect(f.Image(0))), 2);
    Pump(300ms);
    const auto seen = f.boxes.Seen();
    REQUIRE(seen.size() == 1);
    CHECK(seen[0].text == u"Delivery refused.");
    CHECK(f.form->Visible());
}

TEST_CASE("a preset the library cannot encode: error box over the shown window, which stays usable") {
    TFixture f;
    const std::u16string tooLong(1600, u'~');
    const std::u16string library = LibraryErrorFor(tooLong);
    REQUIRE_FALSE(library.empty());
    f.SetSlots({u"fine", tooLong, u"never built"});
    f.ShowAndPaint();
    Pump(300ms);
    const auto seen = f.boxes.Seen();
    REQUIRE(seen.size() == 1);
    CHECK(seen[0].caption == kCaption);
    CHECK(seen[0].text == ErrorBoxText(library));
    CHECK(seen[0].errorIcon);
    CHECK(f.form->Visible());
    CHECK(TabCount(f.Pages()) == 0);
    for (int k = 0; k < 8; ++k) CHECK_FALSE(IsWindowVisible(f.Image(k)));

    SetWindowTextW(f.Child(form_ids::kEdit), L"still here");
    ClickAt(Centre(ScreenRect(f.Child(form_ids::kSendButton))), 1);
    REQUIRE(f.calls.size() == 1);
    CHECK(f.calls[0] == u"still here");

    f.form->Hide();
    f.form->SetBarcode(1, u"");
    f.ShowAndPaint();
    CHECK(TabCount(f.Pages()) == 1);
    CHECK(IsWindowVisible(f.Image(0)));
    CHECK(IsWindowVisible(f.Image(1)));
    CHECK(f.boxes.Seen().size() == 1);
}

TEST_CASE("the close button only hides the window") {
    TFixture f;
    f.SetSlots({u"a"});
    f.ShowAndPaint();
    SendMessageW(f.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    Pump(50ms);
    CHECK_FALSE(f.form->Visible());
    CHECK(IsWindow(f.Window()));
    f.ShowAndPaint();
    CHECK(f.form->Visible());
    CHECK(TabCount(f.Pages()) == 1);
}

TEST_CASE("slot indexes outside 0 to 7 are refused") {
    TFixture f;
    CHECK_THROWS_AS(f.form->SetBarcode(8, u"x"), EComponentError);
    CHECK_THROWS_AS(f.form->GetBarcode(-1), EComponentError);
    f.form->SetBarcode(7, u"last");
    CHECK(f.form->GetBarcode(7) == u"last");
}

TEST_CASE("destroying the last window takes its handles and window classes with it") {
    HWND window = nullptr, hint = nullptr;
    {
        TFixture first;
        TFixture second;
        window = first.Window();
        hint = first.fm.HintWindow();
    }
    CHECK_FALSE(IsWindow(window));
    CHECK_FALSE(IsWindow(hint));
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    CHECK_FALSE(GetClassInfoExW(GetModuleHandleW(nullptr), TfmBarcodes::kClassName, &wc));
    CHECK_FALSE(GetClassInfoExW(GetModuleHandleW(nullptr), TfmBarcodes::kHintClassName, &wc));
    // And a new window registers them again.
    TFixture again;
    CHECK(IsWindow(again.Window()));
}

// What another program may send: every malformed payload is refused before
// its bytes are used, nothing reaches the callback, and the window still
// takes good swipes afterwards. The data sits at the end of a committed page
// with nothing readable behind it, so a read beyond the size would crash.
TEST_CASE("swipes sent straight to the window: malformed payloads refused, the window keeps working") {
    using swipe::TCommand;
    using swipe::TStatus;
    TFixture f;
    f.SetSlots({u"123456789", u"", u"<0x41>"});
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    const std::size_t page = system.dwPageSize;
    auto* base = static_cast<char*>(VirtualAlloc(nullptr, 2 * page, MEM_RESERVE, PAGE_NOACCESS));
    REQUIRE(base != nullptr);
    REQUIRE(VirtualAlloc(base, page, MEM_COMMIT, PAGE_READWRITE) != nullptr);
    const auto atPageEnd = [&](const void* bytes, std::size_t size) {
        char* place = base + page - size;
        std::memcpy(place, bytes, size);
        return place;
    };
    const auto send = [&](TCommand command, const void* data, DWORD size) {
        COPYDATASTRUCT payload{static_cast<ULONG_PTR>(command), size, const_cast<void*>(data)};
        return static_cast<TStatus>(SendMessageW(f.Window(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&payload)));
    };
    const char16_t text[] = u"A<0x42>";
    const DWORD textSize = 14;
    const uint32_t presets[] = {0, 9, 3};

    // A device never opened is not connected.
    CHECK(send(TCommand::kSwipeText, atPageEnd(text, textSize), textSize) == TStatus::kNotConnected);
    f.form->SetDeviceOpen(true);
    f.ShowAndPaint();
    CHECK(send(TCommand::kSwipeText, atPageEnd(text, 5), 5) == TStatus::kBadPayload);
    // Refused by its size alone: the bytes beyond the committed page are never read.
    CHECK(send(TCommand::kSwipeText, base, swipe::kMaxDataBytes + 2) == TStatus::kTooLong);
    CHECK(send(TCommand::kSwipeText, nullptr, 4) == TStatus::kBadPayload);
    CHECK(send(TCommand::kSwipeText, nullptr, 0) == TStatus::kEmpty);
    CHECK(send(static_cast<TCommand>(0x4D435299), atPageEnd(text, 4), 4) == TStatus::kUnknownCommand);
    CHECK(send(TCommand::kAnswer, atPageEnd(text, 4), 4) == TStatus::kUnknownCommand);
    CHECK(send(TCommand::kSwipePreset, atPageEnd(&presets[0], 4), 4) == TStatus::kBadPreset);
    CHECK(send(TCommand::kSwipePreset, atPageEnd(&presets[1], 4), 4) == TStatus::kBadPreset);
    CHECK(send(TCommand::kSwipePreset, atPageEnd(&presets[2], 2), 2) == TStatus::kBadPayload);
    CHECK(send(TCommand::kSwipePreset, nullptr, 0) == TStatus::kBadPayload);
    const uint32_t empty = 2;
    CHECK(send(TCommand::kSwipePreset, atPageEnd(&empty, 4), 4) == TStatus::kEmptyPreset);
    CHECK(f.calls.empty());

    CHECK(send(TCommand::kSwipeText, atPageEnd(text, textSize), textSize) == TStatus::kAccepted);
    CHECK(send(TCommand::kSwipePreset, atPageEnd(&presets[2], 4), 4) == TStatus::kAccepted);
    REQUIRE(f.calls.size() == 2);
    CHECK(f.calls[0] == u"AB");
    CHECK(f.calls[1] == u"A");
    // And the user's own input still works.
    ClickAt(Centre(ScreenRect(f.Image(0))), 2);
    REQUIRE(f.calls.size() == 3);
    CHECK(f.calls[2] == u"123456789");
    CHECK(f.boxes.Seen().empty());
    VirtualFree(base, 0, MEM_RELEASE);
}

// The cross only hides the window: the device stays open and swipes are
// taken until the driver closes it. A sender whose window is gone stopped
// waiting for the answer: its swipe is dropped.
TEST_CASE("swipes follow the device's open state, shown or hidden; a sender that stopped waiting is dropped") {
    using swipe::TCommand;
    using swipe::TStatus;
    TFixture f;
    f.SetSlots({u"123456789"});
    f.form->SetDeviceOpen(true);
    f.ShowAndPaint();
    SendMessageW(f.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    Pump(50ms);
    REQUIRE_FALSE(f.form->Visible());
    const uint32_t preset = 1;
    const auto send = [&](HWND sender) {
        COPYDATASTRUCT payload{static_cast<ULONG_PTR>(TCommand::kSwipePreset), 4, const_cast<uint32_t*>(&preset)};
        return static_cast<TStatus>(
            SendMessageW(f.Window(), WM_COPYDATA, reinterpret_cast<WPARAM>(sender), reinterpret_cast<LPARAM>(&payload)));
    };
    CHECK(send(nullptr) == TStatus::kAccepted);
    HWND gone = CreateWindowExW(0, WC_STATICW, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    REQUIRE(gone != nullptr);
    DestroyWindow(gone);
    CHECK(send(gone) == static_cast<TStatus>(0));
    f.form->SetDeviceOpen(false);
    CHECK(send(nullptr) == TStatus::kNotConnected);
    REQUIRE(f.calls.size() == 1);
    CHECK(f.calls[0] == u"123456789");
    CHECK_FALSE(f.form->Visible());
}

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "--demo") {
        TFixture f;
        f.form->SetAlpha(235);
        std::array<std::u16string, 8> slots{u"123456789", u"0102<0x1D>0304", u"Тест"};
        int count = 0;
        LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);  // argv is in the ANSI code page
        if (count > 3) slots = {};
        for (int i = 3; i < count && i - 3 < 8; ++i) slots[i - 3] = reinterpret_cast<const char16_t*>(wide[i]);
        LocalFree(wide);
        f.SetSlots(slots);
        f.ShowAndPaint();
        Pump(std::chrono::milliseconds(std::stoi(argv[2]) * 1000));
        return 0;
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: window_tests <picture dir> [doctest options] | --demo <seconds>\n");
        return 2;
    }
    gPictureDir = argv[1];
    fs::create_directories(gPictureDir);
    doctest::Context context(argc - 1, argv + 1);
    return context.run();
}
