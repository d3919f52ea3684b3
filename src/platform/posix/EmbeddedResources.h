// The tables that the build generates from the resource script for POSIX.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform::embedded {

struct Data {
    const char16_t* name;
    const unsigned char* bytes;
    std::size_t size;
};

struct String {
    uint32_t id;
    const char16_t* text;
};

extern const Data kData[];
extern const std::size_t kDataCount;
extern const String kStrings[];
extern const std::size_t kStringCount;

}  // namespace platform::embedded
