// The emulator window's logic, apart from any drawing: which slot lands in
// which picture box, how many pages are shown, the text of an error box.
#pragma once

#include <array>
#include <string>

// The text of the window's error boxes, ErrorBoxText, is the same for every form.
#include "common/Error.h"
#include "emulator/Swipe.h"

struct TFormLayout {
    // slotOfImage[k]: the slot shown by picture box k+1, or -1 when this show
    // fills no picture into that box.
    std::array<int, 8> slotOfImage{-1, -1, -1, -1, -1, -1, -1, -1};
    int count = 0;   // filled picture boxes
    int pages = 0;   // tabs shown, from the first
};

// Fails with the list's own message when an index is outside 0..count-1.
void CheckIndex(int AIndex, int ACount);

// Non-empty slots packed from the first picture box on, two per page.
TFormLayout LayoutSlots(const std::array<std::u16string, 8>& slots);


// What the window does with a swipe from another program: the text it hands
// to the data callback (escapes decoded as for the edit box, or a preset's
// as for a double-click), or the refusal with its detail in `text`.
// Describe requests are answered with the presets and change nothing.
struct TSwipeOutcome {
    swipe::TStatus status = swipe::TStatus::kAccepted;
    std::u16string text;
};
TSwipeOutcome ResolveSwipe(const swipe::TRequest& ARequest, bool AConnected,
                           const std::array<std::u16string, 8>& ASlots);

// The log entry's text for a swipe: the delivered text in angle brackets, or the refusal.
std::u16string SwipeLogText(const TSwipeOutcome& AOutcome);
