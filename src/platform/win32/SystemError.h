// The system's own text for an error code, and the error raised when a call
// into the system fails.
#pragma once

#include <windows.h>

#include <string>

#include "common/Error.h"

namespace platform {

inline std::u16string SystemText(DWORD error) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
        reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::u16string text = length ? std::u16string(reinterpret_cast<const char16_t*>(buffer), length) : std::u16string();
    LocalFree(buffer);
    while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' ')) text.pop_back();
    return text;
}

// Raises `what` with the system's text of the calling thread's last error.
[[noreturn]] inline void RaiseLastError(const char16_t* what) {
    const std::u16string text = SystemText(GetLastError());
    throw EComponentError(text.empty() ? std::u16string(what) : std::u16string(what) + u": " + text);
}

}  // namespace platform
