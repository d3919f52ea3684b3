#include "platform/x11/WindowHints.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <X11/Xatom.h>

#include <chrono>
#include <thread>

namespace platform {
namespace {

Atom Intern(const char* AName) { return XInternAtom(fl_display, AName, False); }

// A client message to the root window, as the hints' protocol asks of a
// client that changes a mapped window's state.
void SendToRoot(Window AWindow, Atom AType, long A0, long A1, long A2) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = AWindow;
    event.xclient.message_type = AType;
    event.xclient.format = 32;
    event.xclient.data.l[0] = A0;
    event.xclient.data.l[1] = A1;
    event.xclient.data.l[2] = A2;
    event.xclient.data.l[3] = 1;  // the request comes from an application
    XSendEvent(fl_display, RootWindow(fl_display, fl_screen), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

struct TExtents {
    long left = 0, right = 0, top = 0, bottom = 0;
};

bool ReadFrameExtents(Window AWindow, TExtents& AExtents) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(fl_display, AWindow, Intern("_NET_FRAME_EXTENTS"), 0, 4, False,
                                          XA_CARDINAL, &type, &format, &count, &after, &data);
    const bool found = status == Success && type == XA_CARDINAL && format == 32 && count == 4;
    if (found) {
        const long* values = reinterpret_cast<const long*>(data);
        AExtents = {values[0], values[1], values[2], values[3]};
    }
    if (data) XFree(data);
    return found;
}

}  // namespace

void MarkUtilityAbove(Fl_Window& AWindow) {
    const Window xid = fl_xid(&AWindow);
    Atom utility = Intern("_NET_WM_WINDOW_TYPE_UTILITY");
    XChangeProperty(fl_display, xid, Intern("_NET_WM_WINDOW_TYPE"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&utility), 1);
    constexpr long kAdd = 1;
    SendToRoot(xid, Intern("_NET_WM_STATE"), kAdd, static_cast<long>(Intern("_NET_WM_STATE_ABOVE")), 0);
    XFlush(fl_display);
}

void SetWindowOpacity(Fl_Window& AWindow, uint8_t AAlpha) {
    // The property spans the full 32 bits: 255 is 0xFFFFFFFF.
    unsigned long opacity = static_cast<unsigned long>(AAlpha) * 0x01010101UL;
    XChangeProperty(fl_display, fl_xid(&AWindow), Intern("_NET_WM_WINDOW_OPACITY"), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(&opacity), 1);
    XFlush(fl_display);
}

void PlaceAtRightEdge(Fl_Window& AWindow, int ATop) {
    const Window xid = fl_xid(&AWindow);
    TExtents frame;
    SendToRoot(xid, Intern("_NET_REQUEST_FRAME_EXTENTS"), 0, 0, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    bool known = ReadFrameExtents(xid, frame);
    while (!known && std::chrono::steady_clock::now() < deadline) {
        Fl::wait(0.02);
        known = ReadFrameExtents(xid, frame);
    }
    int screenX = 0, screenY = 0, screenW = 0, screenH = 0;
    Fl::screen_xywh(screenX, screenY, screenW, screenH, 0);
    // FLTK asks for static gravity: the position is the client's own, the
    // frame lies around it.
    AWindow.position(screenX + screenW - AWindow.w() - static_cast<int>(frame.right),
                     screenY + ATop + static_cast<int>(frame.top));
}

}  // namespace platform
