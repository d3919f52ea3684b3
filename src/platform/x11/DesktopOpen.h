// Hands a folder or a file to the desktop's default application, the way
// a file manager's double-click does.
#pragma once

#include <string>

namespace platform {

// Starts xdg-open on APath and returns without waiting for it; fails with
// EComponentError when it cannot be started.
void OpenWithDesktop(const std::u16string& APath);

}  // namespace platform
