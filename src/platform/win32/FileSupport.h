// What the Win32 platform files share: the system's error texts, the
// file-error message and an owned kernel handle.
#pragma once

#include <windows.h>

#include <memory>
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

[[noreturn]] inline void RaiseFileError(const char16_t* what, const std::u16string& path, DWORD error) {
    throw EComponentError(std::u16string(what) + u" \"" + path + u"\". " + SystemText(error));
}

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

}  // namespace platform
