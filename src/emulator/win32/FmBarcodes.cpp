#include "emulator/win32/FmBarcodes.h"

#include <commctrl.h>

#include <mutex>
#include <string_view>
#include <utility>

#include "common/Error.h"
#include "common/Text.h"
#include "driver/CustomDriver.h"
#include "emulator/BarcodeImage.h"
#include "emulator/Escapes.h"
#include "emulator/FormIds.h"
#include "emulator/FormLogic.h"
#include "platform/win32/ModalForm.h"
#include "platform/win32/SystemError.h"

namespace {

// The layout in pixels, unscaled whatever the screen's resolution.
constexpr int kClientWidth = 182;
constexpr int kClientHeight = 145;
constexpr RECT kEditPlace{7, 7, 7 + 106, 7 + 21};
constexpr RECT kSendPlace{117, 6, 117 + 60, 6 + 23};
constexpr RECT kPagesPlace{0, 33, kClientWidth, kClientHeight};
constexpr int kImageSize = 80;
constexpr int kImageMargin = 3;  // left and right of each picture box on its page
constexpr int kTopOffset = 10;
constexpr int kFontHeight = 11;
constexpr uint8_t kLayoutAlpha = 235;

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_LAYERED;

constexpr char16_t kLayoutCaption[] = u"Считываемые данные";
constexpr char16_t kWindowHint[] = u"После двойного щелчка по штрих коду или кнопке переведите фокус на 1С форму ";
constexpr char16_t kEditPlaceholder[] = u"0102<0x1D>0304";
constexpr char16_t kSendCaption[] = u"Событие";
constexpr char16_t kEnterCode[] = u"Введите код";
constexpr char16_t kAttention[] = u"Внимание";

constexpr bool SameClassName() {
    const std::u16string_view documented = swipe::kWindowClass;
    const std::wstring_view registered = TfmBarcodes::kClassName;
    if (documented.size() != registered.size()) return false;
    for (size_t i = 0; i < documented.size(); ++i) {
        if (documented[i] != static_cast<char16_t>(registered[i])) return false;
    }
    return true;
}
static_assert(SameClassName(), "the window class is the one the swipe tool looks for");

constexpr UINT kAnswerTimeoutMs = 2000;

HWND CreateChild(HWND parent, const wchar_t* className, const char16_t* text, DWORD style, DWORD exStyle,
                 const RECT& place, int id) {
    HWND child = CreateWindowExW(exStyle, className, text ? win::Wide(text) : nullptr, WS_CHILD | style, place.left,
                                 place.top, place.right - place.left, place.bottom - place.top, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), win::OwnModule(), nullptr);
    if (!child) platform::RaiseLastError(u"Cannot create a control of the emulator window");
    return child;
}

// A 24-bit picture: the static control keeps using the bitmap it is given
// (a 32-bit one it would copy, and the copy would be nobody's to free).
win::UniqueBitmap ToBitmap(const TBarcodeImage& image) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = image.Width;
    info.bmiHeader.biHeight = -image.Height;  // top-down rows, like the image
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    win::UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) platform::RaiseLastError(u"Cannot create the picture of a barcode");
    const size_t stride = (static_cast<size_t>(image.Width) * 3 + 3) & ~size_t{3};
    auto* rows = static_cast<uint8_t*>(bits);
    for (int y = 0; y < image.Height; ++y) {
        uint8_t* pixel = rows + stride * y;
        for (int x = 0; x < image.Width; ++x, pixel += 3) pixel[0] = pixel[1] = pixel[2] = image.At(x, y);
    }
    GdiFlush();
    return bitmap;
}

}  // namespace

// The common tooltip under a class of our own whose style lacks the drop
// shadow; changing the common class itself would take the shadow from every
// tooltip of the host too. Copied inside the context, so that it is version 6's.
WNDCLASSEXW TfmBarcodes::HintClass(const win::TActivationContext& context) {
    win::TActivationScope scope(context);
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(nullptr, TOOLTIPS_CLASSW, &wc)) wc.style &= ~(CS_DROPSHADOW | CS_GLOBALCLASS);
    wc.lpszClassName = TfmBarcodes::kHintClassName;
    return wc;
}

WNDCLASSEXW TfmBarcodes::FormClass() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &TfmBarcodes::WndProc;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kClassName;
    return wc;
}

TfmBarcodes::TfmBarcodes() : FContext(win::TActivationContext::ForOwnModule()) {
    win::TActivationScope scope(FContext);
    FFont.reset(CreateFontW(-kFontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Tahoma"));
    RECT frame{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    HWND window = CreateWindowExW(kExStyle, kClassName, win::Wide(kLayoutCaption), kStyle, 0, kTopOffset,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                  win::OwnModule(), this);
    if (!window) platform::RaiseLastError(u"Cannot create the emulator window");
    FHandle.reset(window);
    FormCreate();
}

// The slots start empty and no picture is built yet; the hint pop-ups are
// TMyHintWindow ones from the start.
void TfmBarcodes::FormCreate() {
    SetAlpha(kLayoutAlpha);
    CreateControls();
    CreateHints();
}

TfmBarcodes::~TfmBarcodes() { FormDestroy(); }

// The pictures, the window and its classes go with the members, in the order
// they are declared; only the window procedure must let go of the form
// first, so that the window's last messages do not reach members on their
// way out.
void TfmBarcodes::FormDestroy() {
    if (FHandle) SetWindowLongPtrW(FHandle.get(), GWLP_USERDATA, 0);
}

void TfmBarcodes::CreateControls() {
    HWND window = FHandle.get();
    FEdit = CreateChild(window, WC_EDITW, nullptr, WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
                        kEditPlace, form_ids::kEdit);
    SendMessageW(FEdit, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(win::Wide(kEditPlaceholder)));
    FSendButton = CreateChild(window, WC_BUTTONW, kSendCaption, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, kSendPlace,
                              form_ids::kSendButton);
    // The picture boxes and the sheet come before the page control so that
    // they lie above it: the page control clips them out of its painting.
    for (int k = 0; k < kImageCount; ++k) {
        FImages[k] = CreateChild(window, WC_STATICW, nullptr, SS_BITMAP | SS_NOTIFY, 0,
                                 RECT{0, 0, kImageSize, kImageSize}, form_ids::kFirstImage + k);
    }
    // The sheet under the pictures: the tab control's own display area is
    // button-face grey, the window and its pages are white.
    FPageSheet = CreateChild(window, WC_STATICW, nullptr, WS_CLIPSIBLINGS, 0, kPagesPlace, 0);
    FPageControl = CreateChild(window, WC_TABCONTROLW, nullptr,
                               WS_VISIBLE | WS_CLIPSIBLINGS | TCS_BUTTONS | TCS_MULTILINE | TCS_RAGGEDRIGHT |
                                   TCS_FOCUSNEVER,
                               0, kPagesPlace, form_ids::kPages);
    for (HWND control : {FEdit, FSendButton, FPageControl}) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.get()), FALSE);
    }
    // Tabs as wide as their captions: the control's default minimum would put
    // four tabs in two rows and leave the pictures too little height.
    SendMessageW(FPageControl, TCM_SETMINTABWIDTH, 0, 0);
}

void TfmBarcodes::CreateHints() {
    FHint.reset(CreateWindowExW(WS_EX_TOPMOST, kHintClassName, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, FHandle.get(), nullptr,
                                win::OwnModule(), nullptr));
    if (!FHint) return;  // no hints is no reason to refuse the window
    // Controls without a hint of their own show the window's.
    for (HWND control : {FHandle.get(), FEdit, FSendButton, FPageControl}) AddHint(control, kWindowHint);
    for (HWND image : FImages) AddHint(image, u"");
}

void TfmBarcodes::AddHint(HWND control, const std::u16string& text) {
    // The version 5 size, which both versions of the control accept.
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = FHandle.get();
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<wchar_t*>(win::Wide(text));
    SendMessageW(FHint.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void TfmBarcodes::SetHint(HWND control, const std::u16string& text) {
    if (!FHint) return;
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = FHandle.get();
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<wchar_t*>(win::Wide(text));
    SendMessageW(FHint.get(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

std::u16string TfmBarcodes::GetBarcode(int Index) const {
    CheckIndex(Index, kSlotCount);
    return FBarcodes[Index];
}

void TfmBarcodes::SetBarcode(int Index, const std::u16string& Value) {
    CheckIndex(Index, kSlotCount);
    FBarcodes[Index] = Value;
}

void TfmBarcodes::SetCaption(const std::u16string& Caption) { SetWindowTextW(FHandle.get(), win::Wide(Caption)); }

void TfmBarcodes::SetIdentity(int ASerial, const std::u16string& ADriverName) {
    FDevice.serial = ASerial;
    FDevice.driverName = ADriverName;
}

void TfmBarcodes::SetAlpha(uint8_t Alpha) { SetLayeredWindowAttributes(FHandle.get(), 0, Alpha, LWA_ALPHA); }

void TfmBarcodes::Show() {
    if (Visible()) return;
    win::TActivationScope scope(FContext);
    const std::optional<std::u16string> failure = Attempt([this] { FormShow(); });
    ShowWindow(FHandle.get(), SW_SHOW);
    // Reported once the window is up, so that the box stands over it.
    if (failure) ShowErrorBox(*failure);
}

void TfmBarcodes::Hide() { ShowWindow(FHandle.get(), SW_HIDE); }

bool TfmBarcodes::Visible() const { return IsWindowVisible(FHandle.get()) != FALSE; }

// Runs each time the window goes from hidden to shown. Picture boxes that
// this show does not fill are hidden, so that none offers the picture of a
// preset that is gone; a failing picture leaves the tabs hidden and with
// them every picture.
void TfmBarcodes::FormShow() {
    HideAllTabs();
    PlaceAtRightEdge();
    SetWindowPos(FHandle.get(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    const TFormLayout layout = LayoutSlots(FBarcodes);
    for (int k = 0; k < layout.count; ++k) ShowImage(k, layout.slotOfImage[k]);
    ShowTabs(layout.pages);
}

// A tab control cannot hide a tab: the tabs of the pages in use are inserted
// afresh on every show.
void TfmBarcodes::HideAllTabs() {
    SendMessageW(FPageControl, TCM_DELETEALLITEMS, 0, 0);
    FImageSlots.fill(-1);
    ShowActivePage();
}

void TfmBarcodes::PlaceAtRightEdge() {
    RECT frame{};
    GetWindowRect(FHandle.get(), &frame);
    SetWindowPos(FHandle.get(), nullptr, GetSystemMetrics(SM_CXSCREEN) - (frame.right - frame.left), kTopOffset, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfmBarcodes::ShowImage(int AImage, int ASlot) {
    win::UniqueBitmap picture = ToBitmap(BuildBarcodeImage(kImageSize, kImageSize, FBarcodes[ASlot]));
    SendMessageW(FImages[AImage], STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture.get()));
    FBitmapList[AImage] = std::move(picture);  // the box's earlier picture goes only now
    FImageSlots[AImage] = ASlot;
    SetHint(FImages[AImage], FBarcodes[ASlot]);
}

void TfmBarcodes::ShowTabs(int APages) {
    for (int page = 0; page < APages; ++page) {
        std::u16string caption = IntToText(page + 1);
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(win::Wide(caption));
        SendMessageW(FPageControl, TCM_INSERTITEMW, page, reinterpret_cast<LPARAM>(&item));
    }
    if (APages > 0) SendMessageW(FPageControl, TCM_SETCURSEL, 0, 0);
    ShowActivePage();
}

// The picture boxes of the selected page shown, every other one hidden.
void TfmBarcodes::ShowActivePage() {
    const bool anyTab = SendMessageW(FPageControl, TCM_GETITEMCOUNT, 0, 0) > 0;
    const int page = anyTab ? static_cast<int>(SendMessageW(FPageControl, TCM_GETCURSEL, 0, 0)) : -1;
    const RECT area = PageArea();
    SetWindowPos(FPageSheet, HWND_TOP, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOACTIVATE | (page >= 0 ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    for (int k = 0; k < kImageCount; ++k) {
        const bool visible = FImageSlots[k] >= 0 && k / 2 == page;
        const int left = area.left + kImageMargin + (k % 2) * (kImageSize + 2 * kImageMargin);
        SetWindowPos(FImages[k], HWND_TOP, left, area.top, 0, 0,
                     SWP_NOSIZE | SWP_NOACTIVATE | (visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    }
}

// The page's display area below the tab buttons, in the window's client coordinates.
RECT TfmBarcodes::PageArea() const {
    RECT area{};
    GetClientRect(FPageControl, &area);
    SendMessageW(FPageControl, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    MapWindowPoints(FPageControl, FHandle.get(), reinterpret_cast<POINT*>(&area), 2);
    return area;
}

LRESULT CALLBACK TfmBarcodes::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return win::FormWindowProc<TfmBarcodes, &TfmBarcodes::FContext, &TfmBarcodes::HandleMessage>(hwnd, msg, wParam, lParam);
}

LRESULT TfmBarcodes::HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_NOTIFY:
        OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
        return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_COPYDATA:
        return OnCopyData(reinterpret_cast<HWND>(wParam), *reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void TfmBarcodes::OnCommand(int id, int code) {
    if (id == form_ids::kSendButton && code == BN_CLICKED) {
        ReportErrors([this] { btnSendClick(); });
    } else if (id >= form_ids::kFirstImage && id < form_ids::kFirstImage + kImageCount && code == STN_DBLCLK) {
        ReportErrors([this, id] { ImageDblClick(id - form_ids::kFirstImage); });
    }
}

void TfmBarcodes::OnNotify(const NMHDR& header) {
    if (header.hwndFrom == FPageControl && header.code == TCN_SELCHANGE) ShowActivePage();
}

// The close button only hides the window; the driver shows it again on the next connect.
void TfmBarcodes::OnClose() { Hide(); }

void TfmBarcodes::btnSendClick() {
    const std::u16string text = win::WindowText(FEdit);
    if (text.empty()) {
        MessageBoxW(FHandle.get(), win::Wide(kEnterCode), win::Wide(kAttention), MB_OK | MB_ICONWARNING);
        return;
    }
    if (FOnGetData) FOnGetData(UnescapeText(text));
}

// The slot's text as it is now: a slot changed since the show sends its new text.
void TfmBarcodes::ImageDblClick(int AImage) {
    const int slot = FImageSlots[AImage];
    if (slot >= 0 && FOnGetData) FOnGetData(UnescapeText(FBarcodes[slot]));
}

// A swipe from another program, handled like a click on this thread by the
// shared swipe handler. The sender learns the outcome from the result and,
// when it gave a window, from the answer sent back to it.
LRESULT TfmBarcodes::OnCopyData(HWND ASender, const COPYDATASTRUCT& AData) {
    DWORD pid = 0;
    if (ASender != nullptr) GetWindowThreadProcessId(ASender, &pid);
    // A sender whose window is gone stopped waiting (the tool reported no answer).
    TSwipeIncoming request{AData.dwData, AData.lpData, AData.cbData, static_cast<long>(pid),
                           [ASender] { return ASender == nullptr || IsWindow(ASender) != FALSE; }};
    const std::u16string caption = win::WindowText(FHandle.get());
    const TSwipeFormState form{FDevice, caption, FBarcodes, FOnGetDelay ? FOnGetDelay() : 0};
    TSwipeResponse response = HandleSwipe(request, form, [this](const std::u16string& AText) {
        ReportErrors([&] {
            if (FOnGetData) FOnGetData(AText);
        });
    });
    if (response.dropped) return 0;
    Answer(ASender, std::move(response.answer));
    return static_cast<LRESULT>(response.status);
}

// Only to a window of the sender's that is waiting for it: the answer is
// sent while the sender still waits for its own message.
void TfmBarcodes::Answer(HWND ASender, std::string AAnswer) {
    if (ASender == nullptr || !IsWindow(ASender) || !InSendMessage()) return;
    COPYDATASTRUCT data{static_cast<ULONG_PTR>(swipe::TCommand::kAnswer), static_cast<DWORD>(AAnswer.size()),
                        AAnswer.data()};
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(ASender, WM_COPYDATA, reinterpret_cast<WPARAM>(FHandle.get()),
                        reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &ignored);
}

template <class Handler>
std::optional<std::u16string> TfmBarcodes::Attempt(Handler&& handler) {
    try {
        handler();
    } catch (...) {
        return CurrentErrorMessage();
    }
    return std::nullopt;
}

// Nothing raised by a handler reaches the host: the user sees it in a box.
template <class Handler>
void TfmBarcodes::ReportErrors(Handler&& handler) {
    if (const auto failure = Attempt(std::forward<Handler>(handler))) ShowErrorBox(*failure);
}

void TfmBarcodes::ShowErrorBox(const std::u16string& message) { win::ShowErrorBox(FHandle.get(), message); }

std::unique_ptr<TBarcodesForm> CreateBarcodesForm() { return std::make_unique<TfmBarcodes>(); }
