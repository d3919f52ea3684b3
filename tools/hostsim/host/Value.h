// Building, reading, printing and releasing the value records the host
// exchanges with a component.
#pragma once

#include "HostMemory.h"
#include "v8abi.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace hostsim {

// The host's own declaration has a 16-bit type followed by two bytes it does
// not clear, so only the low half is meaningful when reading.
std::uint16_t TypeOf(const V8Variant& value) noexcept;

V8Variant MakeEmpty() noexcept;
V8Variant MakeInt(std::int32_t number) noexcept;
V8Variant MakeDouble(double number) noexcept;
V8Variant MakeBool(bool flag) noexcept;
// The text lives in `memory` (as the host's would); nullopt when the memory refuses.
std::optional<V8Variant> MakeText(HostMemory& memory, std::u16string_view text);

// Readers accept the types a host would convert without loss; nullopt otherwise.
std::optional<std::int32_t> ReadInt(const V8Variant& value) noexcept;
std::optional<double> ReadDouble(const V8Variant& value) noexcept;
std::optional<bool> ReadBool(const V8Variant& value) noexcept;
// VTYPE_PWSTR by its unit count; nullopt for another type or a null pointer with a non-zero count.
std::optional<std::u16string> ReadText(const V8Variant& value);

// One line for people: "i:5", "d:2.5", "b:true", s:"text", "empty", ...
// mirroring the notation ParseValue accepts.
std::string Describe(const V8Variant& value);

// "i:5", "d:2.5", "b:true", "s:text" (rest of the argument verbatim), "empty";
// nullopt when the notation is not understood or memory refuses the text.
std::optional<V8Variant> ParseValue(HostMemory& memory, std::u16string_view notation);

// Returns the record's string, text or blob to `memory` and leaves it empty.
// A pointer `memory` never gave is recorded there as a bad free.
void Clear(HostMemory& memory, V8Variant& value) noexcept;

// Records the host passes to one call; whatever strings they hold when the
// set goes away (including ones the component put there) go back to memory.
class Values {
public:
    Values(HostMemory& memory, std::size_t count);
    ~Values();
    Values(const Values&) = delete;
    Values& operator=(const Values&) = delete;

    V8Variant& operator[](std::size_t index) { return records_.at(index); }
    const V8Variant& operator[](std::size_t index) const { return records_.at(index); }
    std::span<V8Variant> All() noexcept { return records_; }
    std::size_t Size() const noexcept { return records_.size(); }
    V8Variant* Data() noexcept { return records_.empty() ? nullptr : records_.data(); }

    // Clears the record first so an old string is not lost.
    void Set(std::size_t index, const V8Variant& value);

private:
    HostMemory& memory_;
    std::vector<V8Variant> records_;
};

}  // namespace hostsim
