// What the POSIX platform files share: paths as UTF-8, the system's error
// texts, the file-error message and an owned descriptor.
#pragma once

#include <unistd.h>

#include <cstring>
#include <string>

#include "common/Error.h"
#include "common/Text.h"

namespace platform {

inline std::string Narrow(const std::u16string& path) { return ToUtf8(path); }

inline std::u16string SystemText(int error) { return FromUtf8(std::strerror(error)); }

[[noreturn]] inline void RaiseFileError(const char16_t* what, const std::u16string& path, int error) {
    throw EComponentError(std::u16string(what) + u" \"" + path + u"\". " + SystemText(error));
}

// Holds a descriptor and closes it on every path.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace platform
