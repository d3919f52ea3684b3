// What the window manager is told about the emulator window, through the
// freedesktop.org window-manager hints: a utility window kept above the
// others, its opacity (honoured by compositing managers), and its frame.
#pragma once

#include <cstdint>

class Fl_Window;

namespace platform {

// For a shown window. The type and above state are asked of the window
// manager as the hints' protocol wants it for a window already mapped.
void MarkUtilityAbove(Fl_Window& AWindow);
// 0 transparent ... 255 opaque.
void SetWindowOpacity(Fl_Window& AWindow, uint8_t AAlpha);
// Moves a shown window so that its frame touches the right edge of the
// primary screen, the frame's top at ATop. Waits briefly for the window
// manager to report the frame's extents; without a manager the frame is the
// window itself.
void PlaceAtRightEdge(Fl_Window& AWindow, int ATop);

}  // namespace platform
