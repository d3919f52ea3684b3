#include "Library.h"

#include <stdexcept>
#include <string_view>

namespace hostsim {

Library::Library(V8GetClassNamesFn getClassNames, V8GetClassObjectFn getClassObject, V8DestroyObjectFn destroyObject)
    : Library(nullptr, getClassNames, getClassObject, destroyObject) {}

Library::Library(std::shared_ptr<void> module, V8GetClassNamesFn getClassNames, V8GetClassObjectFn getClassObject,
                 V8DestroyObjectFn destroyObject)
    : module_(std::move(module)),
      getClassNames_(getClassNames),
      getClassObject_(getClassObject),
      destroyObject_(destroyObject) {
    if (getClassNames_ == nullptr || getClassObject_ == nullptr || destroyObject_ == nullptr) {
        throw std::invalid_argument("a component library needs all three entry points");
    }
}

const V8Char* Library::GetClassNames() const { return getClassNames_(); }

std::int32_t Library::GetClassObject(const V8Char* className, void** component) const {
    return getClassObject_(className, component);
}

std::int32_t Library::DestroyObject(void** component) const { return destroyObject_(component); }

std::vector<std::u16string> Library::ClassNames() const {
    std::vector<std::u16string> names;
    const V8Char* text = GetClassNames();
    if (text == nullptr || *text == 0) {
        return names;
    }
    std::u16string_view rest(text);
    for (;;) {
        const auto bar = rest.find(u'|');
        names.emplace_back(rest.substr(0, bar));
        if (bar == std::u16string_view::npos) {
            break;
        }
        rest.remove_prefix(bar + 1);
    }
    return names;
}

}  // namespace hostsim
