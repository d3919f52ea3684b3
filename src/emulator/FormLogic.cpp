#include "emulator/FormLogic.h"

#include "common/Text.h"
#include "emulator/Escapes.h"

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

TSwipeOutcome ResolveSwipe(const swipe::TRequest& ARequest, bool AConnected,
                           const std::array<std::u16string, 8>& ASlots) {
    using swipe::TStatus;
    if (ARequest.command == swipe::TCommand::kDescribe) return {};
    if (!AConnected) return {TStatus::kNotConnected, {}};
    const std::u16string& typed =
        ARequest.command == swipe::TCommand::kSwipePreset ? ASlots[ARequest.preset - 1] : ARequest.text;
    if (typed.empty()) {
        return {ARequest.command == swipe::TCommand::kSwipePreset ? TStatus::kEmptyPreset : TStatus::kEmpty, {}};
    }
    try {
        return {TStatus::kAccepted, UnescapeText(typed)};
    } catch (const EComponentError& error) {
        return {TStatus::kBadEscape, error.Message()};
    }
}

std::u16string SwipeLogText(const TSwipeOutcome& AOutcome) {
    std::u16string text;
    if (AOutcome.status == swipe::TStatus::kAccepted) {
        text.append(u"<").append(swipe::ShowControls(AOutcome.text)).append(u">");
    } else {
        text.append(u"refused: ").append(swipe::StatusText(AOutcome.status));
        if (!AOutcome.text.empty()) text.append(u": ").append(AOutcome.text);
    }
    return text;
}

void CheckIndex(int AIndex, int ACount) {
    if (AIndex < 0 || AIndex >= ACount) throw EComponentError(u"List index out of bounds (" + IntToText(AIndex) + u")");
}
