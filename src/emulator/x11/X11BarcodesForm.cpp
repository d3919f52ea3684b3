// The driver's emulator window on Linux: the driver's side of TfmBarcodes,
// which lives on the UI thread. Slots, caption, alpha and callback are kept
// here, so objects are created and configured without a display; the window
// itself is made on the first show and every operation on it is handed to
// the UI thread and waited for. From the first show on, the window also
// takes swipes from other programs on a socket of its own.
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <tuple>

#include "common/Error.h"
#include "common/Text.h"
#include "emulator/BarcodesForm.h"
#include "emulator/FormLogic.h"
#include "emulator/Swipe.h"
#include "emulator/x11/FmBarcodes.h"
#include "log/Log.h"
#include "platform/posix/SwipeSocket.h"
#include "platform/x11/UiThread.h"

namespace {

class TX11BarcodesForm final : public TBarcodesForm {
public:
    ~TX11BarcodesForm() override {
        // First, so that no swipe reaches the window while it goes.
        FListener.reset();
        if (!FForm) return;
        try {
            platform::RunOnUiThread([&] { TfmBarcodes::Release(std::move(FForm)); });
        } catch (...) {
            // The UI thread has ended at unload and took the window with it.
            static_cast<void>(FForm.release());
        }
    }

    std::u16string GetBarcode(int Index) const override {
        CheckIndex(Index, kSlotCount);
        return FBarcodes[Index];
    }
    void SetBarcode(int Index, const std::u16string& Value) override {
        CheckIndex(Index, kSlotCount);
        FBarcodes[Index] = Value;
    }
    void SetCaption(const std::u16string& Caption) override {
        FCaption = Caption;
        OnWindow([&] { FForm->SetCaption(FCaption); });
    }
    void SetAlpha(uint8_t Alpha) override {
        FAlpha = Alpha;
        OnWindow([&] { FForm->SetAlpha(FAlpha); });
    }
    void Show() override {
        platform::RunOnUiThread([&] {
            if (!FForm) {
                FForm = std::make_unique<TfmBarcodes>();
                FForm->SetOnGetData(FOnGetData);
                FForm->SetOnGetDelay(FOnGetDelay);
            }
            FForm->SetSwipeDevice(FDevice);
            FForm->SetCaption(FCaption);
            FForm->SetAlpha(FAlpha);
            FForm->SetBarcodes(FBarcodes);
            FForm->ShowForm();
        });
        if (!FListener) StartListener();
    }
    void Hide() override {
        OnWindow([&] { FForm->hide(); });
    }
    bool Visible() const override {
        bool visible = false;
        OnWindow([&] { visible = FForm->shown() && FForm->visible(); });
        return visible;
    }
    void SetOnGetData(TOnGetData OnGetData) override {
        FOnGetData = std::move(OnGetData);
        OnWindow([&] { FForm->SetOnGetData(FOnGetData); });
    }
    void SetOnGetDelay(TOnGetDelay OnGetDelay) override {
        FOnGetDelay = std::move(OnGetDelay);
        OnWindow([&] { FForm->SetOnGetDelay(FOnGetDelay); });
    }
    void SetIdentity(int ASerial, const std::u16string& ADriverName) override {
        FDevice.serial = ASerial;
        FDevice.driverName = ADriverName;
        OnWindow([&] { FForm->SetSwipeDevice(FDevice); });
    }
    void SetDeviceOpen(bool AOpen) override {
        FDevice.open = AOpen;
        OnWindow([&] { FForm->SetSwipeDevice(FDevice); });
    }

private:
    // The window works by mouse without the socket, so a socket that cannot
    // be made only turns swipes from other programs off; the next show tries again.
    void StartListener() {
        try {
            FListener = std::make_unique<platform::TSwipeListener>(
                [this](uint32_t ACommand, const std::string& AData, pid_t APeer,
                       const std::function<bool()>& ASenderWaiting) {
                    return OnSwipe(ACommand, AData, APeer, ASenderWaiting);
                },
                swipe::kMaxDataBytes, static_cast<int32_t>(swipe::TStatus::kBadPayload));
        } catch (const EComponentError& error) {
            try {
                Log::e(u"Swipes from other programs are off", error.Message());
            } catch (...) {
                // A log that cannot be written stops neither the window nor its start.
            }
        }
    }

    // On the listener's thread: the window answers on the UI thread, as for a
    // click. A sender that gave up while the window was busy may already have
    // sent the swipe again: the shared handler drops its request rather than
    // delivering it late.
    platform::TSwipeReply OnSwipe(uint32_t ACommand, const std::string& AData, pid_t APeer,
                                  const std::function<bool()>& ASenderWaiting) {
        platform::TSwipeReply reply{static_cast<int32_t>(swipe::TStatus::kNotConnected), {}};
        platform::RunOnUiThread([&] {
            if (FForm) std::tie(reply.status, reply.answer) = FForm->SwipeRequest(ACommand, AData, APeer, ASenderWaiting);
        });
        return reply;
    }


    // A window never shown needs nothing, so a display is needed only from the first show on.
    template <class Work>
    void OnWindow(Work&& AWork) const {
        if (FForm) platform::RunOnUiThread(AWork);
    }

    std::array<std::u16string, kSlotCount> FBarcodes;
    std::u16string FCaption = u"Считываемые данные";
    uint8_t FAlpha = 235;
    TOnGetData FOnGetData;
    TOnGetDelay FOnGetDelay;
    TSwipeDevice FDevice;  // the window's copy is the one swipes read, on the UI thread
    std::unique_ptr<TfmBarcodes> FForm;  // made, used and destroyed on the UI thread
    std::unique_ptr<platform::TSwipeListener> FListener;
};

}  // namespace

std::unique_ptr<TBarcodesForm> CreateBarcodesForm() { return std::make_unique<TX11BarcodesForm>(); }
