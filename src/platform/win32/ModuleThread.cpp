#include "platform/ModuleThread.h"

#include <windows.h>

#include "common/Error.h"
#include "common/Text.h"

namespace platform {

struct TModuleThread::TImpl {
    HANDLE handle = nullptr;
};

namespace {

struct TLaunch {
    std::function<void()> body;
    HMODULE module;
};

[[noreturn]] void RaiseThreadError(DWORD error) {
    throw EComponentError(u"Cannot create a thread. System Error.  Code: " + IntToText(error));
}

DWORD WINAPI Trampoline(LPVOID parameter) {
    HMODULE module = nullptr;
    {
        // The closure is code of this module as well: it is gone before the
        // module's reference is dropped.
        std::unique_ptr<TLaunch> launch(static_cast<TLaunch*>(parameter));
        module = launch->module;
        try {
            launch->body();
        } catch (...) {
            // Nobody waits for an answer on this thread.
        }
    }
    FreeLibraryAndExitThread(module, 0);
}

// A counted reference on the module holding this code.
HMODULE ReferenceOwnModule() {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&Trampoline),
                            &module)) {
        RaiseThreadError(GetLastError());
    }
    return module;
}

}  // namespace

TModuleThread::TModuleThread() : FImpl(std::make_unique<TImpl>()) {}

TModuleThread::~TModuleThread() { join(); }

void TModuleThread::start(std::function<void()> body) {
    if (joinable()) throw EComponentError(u"The thread has not ended yet");
    auto launch = std::make_unique<TLaunch>(TLaunch{std::move(body), ReferenceOwnModule()});
    const HANDLE handle = CreateThread(nullptr, 0, &Trampoline, launch.get(), 0, nullptr);
    if (!handle) {
        const DWORD error = GetLastError();
        FreeLibrary(launch->module);
        RaiseThreadError(error);
    }
    launch.release();  // the thread owns it now
    FImpl->handle = handle;
}

void TModuleThread::join() {
    if (!FImpl->handle) return;
    WaitForSingleObject(FImpl->handle, INFINITE);
    CloseHandle(FImpl->handle);
    FImpl->handle = nullptr;
}

bool TModuleThread::joinable() const { return FImpl->handle != nullptr; }

}  // namespace platform
