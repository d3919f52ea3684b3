// Version 6 of the common controls for the component's windows. The host's
// own manifest decides which comctl32 a process gets; the component carries
// its own manifest (resource ISOLATIONAWARE_MANIFEST_RESOURCE_ID) and makes
// it the active context while it creates windows and handles their
// messages, so that its controls and message boxes are the version 6 ones
// whatever the host asked for.
#pragma once

#include <windows.h>

#include <memory>

namespace win {

// The module that holds this code: the DLL when shipped, a test program in tests.
HMODULE OwnModule();

class TActivationContext {
public:
    // The context of the manifest in the module that holds this code (the
    // DLL, or a test program). Empty when the module has none or the system
    // refuses it: then activating it does nothing and the windows get the
    // common controls of the host's context.
    static TActivationContext ForOwnModule();

    bool Empty() const { return !FHandle; }
    HANDLE Handle() const { return FHandle.get(); }

private:
    struct Releaser {
        void operator()(HANDLE context) const { ReleaseActCtx(context); }
    };
    std::unique_ptr<void, Releaser> FHandle;
};

// Makes a context the calling thread's active one for the life of the scope.
class TActivationScope {
public:
    explicit TActivationScope(const TActivationContext& context);
    ~TActivationScope();
    TActivationScope(const TActivationScope&) = delete;
    TActivationScope& operator=(const TActivationScope&) = delete;

private:
    ULONG_PTR FCookie = 0;
    bool FActive = false;
};

}  // namespace win
