// The Linux component until its tool window is there: the driver keeps its
// presets, caption and alpha as usual, and connecting fails with a message
// the host shows, instead of a window nobody sees.
#include <array>

#include "common/Error.h"
#include "emulator/BarcodesForm.h"

namespace {

class TNoWindowForm final : public TBarcodesForm {
public:
    std::u16string GetBarcode(int Index) const override { return InRange(Index) ? FBarcodes[Index] : std::u16string(); }
    void SetBarcode(int Index, const std::u16string& Value) override {
        if (InRange(Index)) FBarcodes[Index] = Value;
    }
    void SetCaption(const std::u16string&) override {}
    void SetAlpha(uint8_t) override {}
    void Show() override { throw EComponentError(u"Окно эмулятора на этой платформе ещё не поддерживается"); }
    void Hide() override {}
    bool Visible() const override { return false; }
    void SetOnGetData(TOnGetData) override {}

private:
    static bool InRange(int Index) { return Index >= 0 && Index < kSlotCount; }

    std::array<std::u16string, kSlotCount> FBarcodes;
};

}  // namespace

std::unique_ptr<TBarcodesForm> CreateBarcodesForm() { return std::make_unique<TNoWindowForm>(); }
