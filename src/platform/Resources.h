// The resources carried inside the component's own module: raw data by name
// and the translatable strings by identifier. On Windows they are the
// module's resources; on POSIX the same resource script's content, embedded
// at build time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The bytes of a raw-data resource (name compared without regard to case), or
// nothing when the module has none of that name. Valid while the module is loaded.
std::optional<std::string_view> FindResourceData(std::u16string_view name);

// A string of the module's string table; empty when there is none with that identifier.
std::u16string LoadResString(uint32_t id);

}  // namespace platform
