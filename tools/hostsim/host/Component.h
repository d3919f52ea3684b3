// A handle on one component object: typed calls into its three tables, with
// the host's side of ownership (texts it is handed are freed, misbehaviour noted).
#pragma once

#include "HostConnection.h"
#include "HostMemory.h"
#include "Library.h"
#include "v8abi.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace hostsim {

class Component {
public:
    // The object's block: tables in words 0-2, word 3 zero, the object in 4-6.
    static constexpr std::size_t kBlockWords = 7;
    static constexpr std::size_t kInitDoneWord = 0;
    static constexpr std::size_t kExtenderWord = 1;
    static constexpr std::size_t kLocaleWord = 2;

    // nullopt when GetClassObject answers 0.
    static std::optional<Component> Create(const Library& library, std::u16string_view className);

    // Takes the block GetClassObject produced.
    Component(Library library, void* block) noexcept;
    ~Component();
    Component(Component&& other) noexcept;
    Component& operator=(Component&& other) noexcept;
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    void* Block() const noexcept { return block_; }
    std::array<void*, kBlockWords> Words() const;

    // As the host ends an object: Done when Init succeeded and Done was not
    // called yet, then DestroyObject. Returns DestroyObject's answer.
    std::int32_t Destroy();
    // Gives up the block without destroying it (for tests that end it by hand).
    void* Release() noexcept;

    const V8InitDoneVtbl& InitDoneTable() const { return Table<V8InitDoneVtbl>(kInitDoneWord); }
    const V8LanguageExtenderVtbl& ExtenderTable() const { return Table<V8LanguageExtenderVtbl>(kExtenderWord); }
    const V8LocaleVtbl& LocaleTable() const { return Table<V8LocaleVtbl>(kLocaleWord); }
    // What a table's operations take as their first argument.
    void* Self(std::size_t word) const;

    // The memory given here is also the one texts received afterwards are returned to.
    bool SetMemManager(HostMemory* memory);
    bool Init(HostConnection* connection);
    std::int32_t GetInfo();
    void Done();

    void SetLocale(const V8Char* locale);
    void SetLocale(std::u16string_view locale);

    struct Extension {
        bool result = false;
        OptionalText name;
    };
    Extension RegisterExtensionAs();

    std::int32_t GetNProps();
    std::int32_t FindProp(std::u16string_view name);
    std::int32_t FindProp(const V8Char* name);
    OptionalText GetPropName(std::int32_t prop, std::int32_t alias);
    bool GetPropVal(std::int32_t prop, V8Variant& value);
    bool SetPropVal(std::int32_t prop, V8Variant& value);
    bool IsPropReadable(std::int32_t prop);
    bool IsPropWritable(std::int32_t prop);

    std::int32_t GetNMethods();
    std::int32_t FindMethod(std::u16string_view name);
    std::int32_t FindMethod(const V8Char* name);
    OptionalText GetMethodName(std::int32_t method, std::int32_t alias);
    std::int32_t GetNParams(std::int32_t method);
    bool GetParamDefValue(std::int32_t method, std::int32_t param, V8Variant& value);
    bool HasRetVal(std::int32_t method);
    bool CallAsProc(std::int32_t method, std::span<V8Variant> params);
    bool CallAsFunc(std::int32_t method, V8Variant& result, std::span<V8Variant> params);

    // Host-owned texts received (names), and what was wrong with any of them:
    // not allocated through the host's memory, no terminator inside the block.
    std::uint64_t TextsReceived() const noexcept { return textsReceived_; }
    const std::vector<std::string>& Faults() const noexcept { return faults_; }

private:
    template <class T>
    const T& Table(std::size_t word) const {
        return *static_cast<const T*>(Words()[word]);
    }
    void* Require() const;
    OptionalText Take(const V8Char* text, std::string_view what);

    Library library_;
    void* block_ = nullptr;
    HostMemory* memory_ = nullptr;
    bool doneOwed_ = false;
    std::uint64_t textsReceived_ = 0;
    std::vector<std::string> faults_;
};

}  // namespace hostsim
