// A component library as the host sees it: its three exported entry points.
#pragma once

#include "v8abi.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace hostsim {

// Copies share the loaded module, which stays loaded while any copy lives:
// a component handle keeps one so its code cannot be unloaded under it.
class Library {
public:
    // For a component linked into the same program. Throws std::invalid_argument on a null entry.
    Library(V8GetClassNamesFn getClassNames, V8GetClassObjectFn getClassObject, V8DestroyObjectFn destroyObject);

    // LoadLibraryW or dlopen, and the three exports; throws std::runtime_error
    // naming the path and the reason.
    static Library Load(const std::filesystem::path& path);

    const V8Char* GetClassNames() const;
    std::int32_t GetClassObject(const V8Char* className, void** component) const;
    std::int32_t DestroyObject(void** component) const;

    // The '|'-separated list split up; empty for a null or empty text.
    std::vector<std::u16string> ClassNames() const;

private:
    Library(std::shared_ptr<void> module, V8GetClassNamesFn getClassNames, V8GetClassObjectFn getClassObject,
            V8DestroyObjectFn destroyObject);

    std::shared_ptr<void> module_;
    V8GetClassNamesFn getClassNames_;
    V8GetClassObjectFn getClassObject_;
    V8DestroyObjectFn destroyObject_;
};

}  // namespace hostsim
