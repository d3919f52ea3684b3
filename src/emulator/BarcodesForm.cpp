#include "emulator/BarcodesForm.h"

#include <atomic>

namespace {

std::atomic<TBarcodesFormFactory> gOverride{nullptr};

}  // namespace

std::unique_ptr<TBarcodesForm> NewBarcodesForm() {
    const TBarcodesFormFactory factory = gOverride.load();
    return factory ? factory() : CreateBarcodesForm();
}

void OverrideBarcodesForm(TBarcodesFormFactory AFactory) { gOverride.store(AFactory); }
