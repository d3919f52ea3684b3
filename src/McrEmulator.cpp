// The shipped component: load-time registration and unload-time teardown.
#include "DriverNames.h"
#include "emulator/Driver.h"
#include "napi/Component.h"

namespace {

struct ComponentLifetime {
    ComponentLifetime() {
        ComponentLoad();
        try {
            TCommonDriver::RegisterDriver<TDriver>(kExtensionName, kDriverName, kDriverDescription);
        } catch (...) {
            // An error escaping a load-time constructor would take the host
            // down; without its registration the host just finds no class.
        }
    }
    ~ComponentLifetime() { ComponentUnload(); }
} gLifetime;

}  // namespace
