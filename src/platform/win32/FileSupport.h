// What the Win32 platform files share: the file-error message and an owned
// kernel handle.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "common/Error.h"
#include "platform/win32/SystemError.h"

namespace platform {

[[noreturn]] inline void RaiseFileError(const char16_t* what, const std::u16string& path, DWORD error) {
    throw EComponentError(std::u16string(what) + u" \"" + path + u"\". " + SystemText(error));
}

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

}  // namespace platform
