// The grant behind the log directory's access, on an access list in memory.
#pragma once

#include <windows.h>

#include <memory>

namespace platform {

struct TLocalFreer {
    void operator()(void* p) const { LocalFree(p); }
};
using UniqueAccessList = std::unique_ptr<ACL, TLocalFreer>;

// `list` with Everyone granted full control, inherited below; null when the
// list holds an entry for Everyone of exactly GENERIC_ALL already, allowed
// or denied, which is then left as it is (a denial is the owner's choice).
UniqueAccessList WithEveryoneFullControl(PACL list, PSID everyone);

}  // namespace platform
