// The emulator window as the driver sees it: eight preset slots, a caption,
// an alpha, show and hide, and the data callback. On Windows it is the real
// tool window; on POSIX a headless stand-in with the same logic, so the driver
// and its delivery are tested natively.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

using TOnGetData = std::function<void(const std::u16string& Value)>;
// The delay in ms that data handed over now waits before its event.
using TOnGetDelay = std::function<int32_t()>;

class TBarcodesForm {
public:
    static constexpr int kSlotCount = 8;

    virtual ~TBarcodesForm() = default;

    // Index 0 to 7. Setting a slot changes no picture until the next show.
    virtual std::u16string GetBarcode(int Index) const = 0;
    virtual void SetBarcode(int Index, const std::u16string& Value) = 0;

    virtual void SetCaption(const std::u16string& Caption) = 0;
    // Switches alpha blending on with the given alpha (0 transparent, 255 opaque).
    virtual void SetAlpha(uint8_t Alpha) = 0;

    // Showing a hidden window runs its show handler (pictures, tabs, place);
    // showing a shown one does nothing. Hiding keeps everything for the next show.
    virtual void Show() = 0;
    virtual void Hide() = 0;
    virtual bool Visible() const = 0;

    virtual void SetOnGetData(TOnGetData OnGetData) = 0;
    // For the answers to swipes from other programs; windows that take none ignore it.
    virtual void SetOnGetDelay(TOnGetDelay OnGetDelay) {}
    // How the emulator introduces itself to programs that swipe: its serial
    // among the process's emulators and the driver's name.
    virtual void SetIdentity(int ASerial, const std::u16string& ADriverName) {}
    // The driver's device is open (from Open until Close): swipes from other
    // programs are taken only then, whether the window is shown or hidden.
    virtual void SetDeviceOpen(bool AOpen) {}
};

// Creates the window hidden, on the calling thread, without an owner. Its
// handlers, and with them the data callback, run on that thread.
std::unique_ptr<TBarcodesForm> CreateBarcodesForm();

// The window a new driver object gets: CreateBarcodesForm(), or while a
// factory is set with OverrideBarcodesForm, that factory's window (how tests
// give drivers a window they can drive without a desktop). Null restores
// CreateBarcodesForm.
using TBarcodesFormFactory = std::unique_ptr<TBarcodesForm> (*)();
std::unique_ptr<TBarcodesForm> NewBarcodesForm();
void OverrideBarcodesForm(TBarcodesFormFactory AFactory);
