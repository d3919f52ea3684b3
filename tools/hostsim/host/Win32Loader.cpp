// The only part of the host that speaks to Windows: loading a component
// library and keeping the thread's message queue moving.
#include "Library.h"
#include "MessageLoop.h"

#include <windows.h>

#include <stdexcept>
#include <string>
#include <type_traits>

#include "Text.h"

namespace hostsim {
namespace {

struct ModuleCloser {
    void operator()(HMODULE module) const noexcept { FreeLibrary(module); }
};
using UniqueModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleCloser>;

std::string SystemMessage(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::u16string text;
    if (length > 0 && buffer != nullptr) {
        text.assign(reinterpret_cast<const char16_t*>(buffer), length);
        while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r' || text.back() == u' ')) {
            text.pop_back();
        }
    }
    LocalFree(buffer);
    return "error " + std::to_string(code) + (text.empty() ? "" : " (" + ToUtf8(text) + ")");
}

template <class Function>
Function Export(HMODULE module, const char* name, const std::filesystem::path& path) {
    const FARPROC entry = GetProcAddress(module, name);
    if (entry == nullptr) {
        throw std::runtime_error(ToUtf8(path.u16string()) + ": no export " + name + ": " +
                                 SystemMessage(GetLastError()));
    }
    // FARPROC is a generic function pointer; the export's real signature is Function.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(entry));
}

}  // namespace

Library Library::Load(const std::filesystem::path& path) {
    UniqueModule module(LoadLibraryW(path.c_str()));
    if (!module) {
        throw std::runtime_error(ToUtf8(path.u16string()) + ": cannot load: " + SystemMessage(GetLastError()));
    }
    const auto getClassNames = Export<V8GetClassNamesFn>(module.get(), "GetClassNames", path);
    const auto getClassObject = Export<V8GetClassObjectFn>(module.get(), "GetClassObject", path);
    const auto destroyObject = Export<V8DestroyObjectFn>(module.get(), "DestroyObject", path);
    return Library(std::shared_ptr<void>(std::move(module)), getClassNames, getClassObject, destroyObject);
}

bool PumpMessages(std::chrono::milliseconds duration) {
    const auto until = std::chrono::steady_clock::now() + duration;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                // Put it back so an outer loop sees the request too.
                PostQuitMessage(static_cast<int>(message.wParam));
                return false;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return true;
        }
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(left.count()), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

}  // namespace hostsim
