#include "emulator/FormLogic.h"

#include "common/Text.h"

TFormLayout LayoutSlots(const std::array<std::u16string, 8>& slots) {
    TFormLayout layout;
    for (int slot = 0; slot < static_cast<int>(slots.size()); ++slot) {
        if (slots[slot].empty()) continue;
        layout.slotOfImage[layout.count] = slot;
        ++layout.count;
    }
    // Two picture boxes to a page: an odd last box still needs its page.
    layout.pages = (layout.count + 1) / 2;
    return layout;
}

void CheckIndex(int AIndex, int ACount) {
    if (AIndex < 0 || AIndex >= ACount) throw EComponentError(u"List index out of bounds (" + IntToText(AIndex) + u")");
}
