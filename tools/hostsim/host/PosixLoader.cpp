// The only part of the host that speaks to the dynamic loader on Linux:
// loading a component library, and the host thread's wait between looks at
// what the component reported.
#include "Library.h"
#include "MessageLoop.h"

#include <dlfcn.h>

#include <stdexcept>
#include <string>
#include <thread>

namespace hostsim {
namespace {

std::string LoaderError() {
    const char* text = dlerror();
    return text != nullptr ? text : "unknown error";
}

template <class Function>
Function Export(void* module, const char* name, const std::filesystem::path& path) {
    dlerror();
    void* entry = dlsym(module, name);
    if (entry == nullptr) {
        throw std::runtime_error(path.string() + ": no export " + name + ": " + LoaderError());
    }
    return reinterpret_cast<Function>(entry);
}

}  // namespace

Library Library::Load(const std::filesystem::path& path) {
    // A bare name would send dlopen searching the library path instead of the file meant.
    const std::filesystem::path file = path.has_parent_path() ? path : std::filesystem::path(".") / path;
    std::shared_ptr<void> module(dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL), [](void* handle) {
        if (handle != nullptr) dlclose(handle);
    });
    if (!module) {
        throw std::runtime_error(path.string() + ": cannot load: " + LoaderError());
    }
    const auto getClassNames = Export<V8GetClassNamesFn>(module.get(), "GetClassNames", path);
    const auto getClassObject = Export<V8GetClassObjectFn>(module.get(), "GetClassObject", path);
    const auto destroyObject = Export<V8DestroyObjectFn>(module.get(), "DestroyObject", path);
    return Library(std::move(module), getClassNames, getClassObject, destroyObject);
}

bool PumpMessages(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
    return true;
}

}  // namespace hostsim
