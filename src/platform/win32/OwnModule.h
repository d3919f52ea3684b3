// The module that holds this code: the DLL when shipped, a test program in tests.
#pragma once

#include <windows.h>

namespace win {

HMODULE OwnModule();

}  // namespace win
