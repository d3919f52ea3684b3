// What every integration test shares: the test component library (loaded
// once per process, since starting a process under Wine is slow) and an
// object brought up through the host's start-up sequence.
#pragma once

#include "Component.h"
#include "HostConnection.h"
#include "HostMemory.h"
#include "Library.h"
#include "Value.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace fixture {

// Set once by main from the command line.
void SetComponentPath(const std::filesystem::path& path);
const hostsim::Library& TestLibrary();

// The test component's classes, in the order it registers them.
inline constexpr std::u16string_view kClassA = u"A";
inline constexpr std::u16string_view kClassB = u"B";
inline constexpr std::u16string_view kClassBroken = u"Broken";

// Class A's methods and properties by index, as the component orders them.
inline constexpr std::int32_t kSum = 0;
inline constexpr std::int32_t kEcho = 1;
inline constexpr std::int32_t kFail = 2;
inline constexpr std::int32_t kNop = 3;
inline constexpr std::int32_t kValue = 0;
inline constexpr std::int32_t kName = 1;
// Class B's only property.
inline constexpr std::int32_t kFlag = 0;

// An object after setMemManager, Init (unless told otherwise), GetInfo and
// SetLocale. Members go in reverse: the object is destroyed before the
// memory and connection it was given.
struct Session {
    enum class Start { WithInit, WithoutInit };

    explicit Session(std::u16string_view className = kClassA, Start start = Start::WithInit);

    hostsim::HostMemory memory;
    hostsim::HostConnection connection;
    hostsim::Component component;
};

// The block word `index` of a raw object pointer.
void* Word(void* block, std::size_t index);

}  // namespace fixture
