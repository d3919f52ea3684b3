#include "platform/Resources.h"

#include "platform/Platform.h"
#include "platform/posix/EmbeddedResources.h"

namespace platform {

std::optional<std::string_view> FindResourceData(std::u16string_view name) {
    for (std::size_t i = 0; i < embedded::kDataCount; ++i) {
        const embedded::Data& data = embedded::kData[i];
        // Resource names ignore letter case on Windows; so here.
        if (SameTextIgnoreCase(name, data.name)) {
            return std::string_view(reinterpret_cast<const char*>(data.bytes), data.size);
        }
    }
    return std::nullopt;
}

std::u16string LoadResString(uint32_t id) {
    for (std::size_t i = 0; i < embedded::kStringCount; ++i) {
        if (embedded::kStrings[i].id == id) return embedded::kStrings[i].text;
    }
    return {};
}

}  // namespace platform
