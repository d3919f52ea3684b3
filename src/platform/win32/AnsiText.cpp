#include "platform/Platform.h"

#include <windows.h>

#include <limits>

namespace platform {

uint32_t AnsiCodePage() { return GetACP(); }

std::u16string AnsiToText(std::string_view bytes) {
    if (bytes.empty() || bytes.size() > static_cast<size_t>(std::numeric_limits<int>::max())) return {};
    const int size = static_cast<int>(bytes.size());
    // A single-byte code page never needs more characters than bytes, a
    // double-byte one fewer.
    std::u16string text(bytes.size(), u'\0');
    const int written =
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(text.data()), size);
    text.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return text;
}

}  // namespace platform
