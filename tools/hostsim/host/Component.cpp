#include "Component.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace hostsim {
namespace {

std::int32_t Count(std::span<V8Variant> params) { return static_cast<std::int32_t>(params.size()); }

V8Variant* Data(std::span<V8Variant> params) { return params.empty() ? nullptr : params.data(); }

}  // namespace

std::optional<Component> Component::Create(const Library& library, std::u16string_view className) {
    const std::u16string name(className);
    void* block = nullptr;
    if (library.GetClassObject(name.c_str(), &block) == 0 || block == nullptr) {
        return std::nullopt;
    }
    return Component(library, block);
}

Component::Component(Library library, void* block) noexcept : library_(std::move(library)), block_(block) {}

Component::~Component() {
    if (block_ != nullptr) {
        Destroy();
    }
}

Component::Component(Component&& other) noexcept
    : library_(other.library_),
      block_(std::exchange(other.block_, nullptr)),
      memory_(other.memory_),
      doneOwed_(std::exchange(other.doneOwed_, false)),
      textsReceived_(other.textsReceived_),
      faults_(std::move(other.faults_)) {}

Component& Component::operator=(Component&& other) noexcept {
    if (this != &other) {
        if (block_ != nullptr) {
            Destroy();
        }
        library_ = other.library_;
        block_ = std::exchange(other.block_, nullptr);
        memory_ = other.memory_;
        doneOwed_ = std::exchange(other.doneOwed_, false);
        textsReceived_ = other.textsReceived_;
        faults_ = std::move(other.faults_);
    }
    return *this;
}

std::array<void*, Component::kBlockWords> Component::Words() const {
    std::array<void*, kBlockWords> words{};
    std::copy_n(static_cast<void* const*>(Require()), kBlockWords, words.begin());
    return words;
}

void* Component::Require() const {
    if (block_ == nullptr) {
        throw std::logic_error("the component object was already destroyed");
    }
    return block_;
}

void* Component::Self(std::size_t word) const { return static_cast<void**>(Require()) + word; }

std::int32_t Component::Destroy() {
    if (block_ == nullptr) {
        return 0;
    }
    if (doneOwed_) {
        Done();
    }
    void* block = std::exchange(block_, nullptr);
    return library_.DestroyObject(&block);
}

void* Component::Release() noexcept {
    doneOwed_ = false;
    return std::exchange(block_, nullptr);
}

OptionalText Component::Take(const V8Char* text, std::string_view what) {
    if (text == nullptr) {
        return std::nullopt;
    }
    ++textsReceived_;
    const auto size = memory_ != nullptr ? memory_->SizeOf(text) : std::nullopt;
    if (!size) {
        faults_.push_back(std::string(what) + ": text not allocated through the host's memory manager");
        // Not the host's to free; read it as a host would and leave it.
        return std::u16string(text);
    }
    const std::size_t units = *size / sizeof(V8Char);
    const auto end = std::find(text, text + units, V8Char{0});
    if (end == text + units) {
        faults_.push_back(std::string(what) + ": text has no terminator inside its block");
    }
    std::u16string copy(text, end);
    memory_->Release(text);
    return copy;
}

bool Component::SetMemManager(HostMemory* memory) {
    const bool result =
        InitDoneTable().setMemManager(Self(kInitDoneWord), memory != nullptr ? memory->Interface() : nullptr);
    memory_ = memory;
    return result;
}

bool Component::Init(HostConnection* connection) {
    const bool result =
        InitDoneTable().Init(Self(kInitDoneWord), connection != nullptr ? connection->Interface() : nullptr);
    doneOwed_ = doneOwed_ || result;
    return result;
}

std::int32_t Component::GetInfo() { return InitDoneTable().GetInfo(Self(kInitDoneWord)); }

void Component::Done() {
    doneOwed_ = false;
    InitDoneTable().Done(Self(kInitDoneWord));
}

void Component::SetLocale(const V8Char* locale) { LocaleTable().SetLocale(Self(kLocaleWord), locale); }

void Component::SetLocale(std::u16string_view locale) { SetLocale(std::u16string(locale).c_str()); }

Component::Extension Component::RegisterExtensionAs() {
    V8Char* name = nullptr;
    Extension extension;
    extension.result = ExtenderTable().RegisterExtensionAs(Self(kExtenderWord), &name);
    extension.name = Take(name, "RegisterExtensionAs");
    return extension;
}

std::int32_t Component::GetNProps() { return ExtenderTable().GetNProps(Self(kExtenderWord)); }

std::int32_t Component::FindProp(std::u16string_view name) { return FindProp(std::u16string(name).c_str()); }

std::int32_t Component::FindProp(const V8Char* name) { return ExtenderTable().FindProp(Self(kExtenderWord), name); }

OptionalText Component::GetPropName(std::int32_t prop, std::int32_t alias) {
    return Take(ExtenderTable().GetPropName(Self(kExtenderWord), prop, alias), "GetPropName");
}

bool Component::GetPropVal(std::int32_t prop, V8Variant& value) {
    return ExtenderTable().GetPropVal(Self(kExtenderWord), prop, &value);
}

bool Component::SetPropVal(std::int32_t prop, V8Variant& value) {
    return ExtenderTable().SetPropVal(Self(kExtenderWord), prop, &value);
}

bool Component::IsPropReadable(std::int32_t prop) { return ExtenderTable().IsPropReadable(Self(kExtenderWord), prop); }

bool Component::IsPropWritable(std::int32_t prop) { return ExtenderTable().IsPropWritable(Self(kExtenderWord), prop); }

std::int32_t Component::GetNMethods() { return ExtenderTable().GetNMethods(Self(kExtenderWord)); }

std::int32_t Component::FindMethod(std::u16string_view name) { return FindMethod(std::u16string(name).c_str()); }

std::int32_t Component::FindMethod(const V8Char* name) {
    return ExtenderTable().FindMethod(Self(kExtenderWord), name);
}

OptionalText Component::GetMethodName(std::int32_t method, std::int32_t alias) {
    return Take(ExtenderTable().GetMethodName(Self(kExtenderWord), method, alias), "GetMethodName");
}

std::int32_t Component::GetNParams(std::int32_t method) {
    return ExtenderTable().GetNParams(Self(kExtenderWord), method);
}

bool Component::GetParamDefValue(std::int32_t method, std::int32_t param, V8Variant& value) {
    return ExtenderTable().GetParamDefValue(Self(kExtenderWord), method, param, &value);
}

bool Component::HasRetVal(std::int32_t method) { return ExtenderTable().HasRetVal(Self(kExtenderWord), method); }

bool Component::CallAsProc(std::int32_t method, std::span<V8Variant> params) {
    return ExtenderTable().CallAsProc(Self(kExtenderWord), method, Data(params), Count(params));
}

bool Component::CallAsFunc(std::int32_t method, V8Variant& result, std::span<V8Variant> params) {
    return ExtenderTable().CallAsFunc(Self(kExtenderWord), method, &result, Data(params), Count(params));
}

}  // namespace hostsim
