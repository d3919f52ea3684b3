// The host's connection object: what the component reports back (errors,
// external events) is recorded so a test or the simulator can see it.
#pragma once

#include "v8abi.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace hostsim {

// An absent text (null pointer) is nullopt: hosts treat it differently from "".
using OptionalText = std::optional<std::u16string>;

struct ErrorRecord {
    std::uint16_t code = 0;
    OptionalText source;
    OptionalText description;
    V8Long scode = 0;
};

struct EventRecord {
    OptionalText source;
    OptionalText message;
    OptionalText data;
    std::chrono::steady_clock::time_point time;
    std::thread::id thread;
};

class HostConnection {
public:
    HostConnection();
    HostConnection(const HostConnection&) = delete;
    HostConnection& operator=(const HostConnection&) = delete;

    // The object handed to Init: its first word is the table.
    void* Interface() noexcept { return &face_; }

    std::vector<ErrorRecord> Errors() const;
    std::vector<EventRecord> Events() const;
    std::size_t EventCount() const;

    // True as soon as at least `count` events have been recorded, false when the time runs out first.
    bool WaitForEvents(std::size_t count, std::chrono::milliseconds timeout) const;

    void Clear();

private:
    struct Face {
        const V8AddInDefBaseVtbl* table;
        HostConnection* owner;
    };

    static const V8AddInDefBaseVtbl kTable;
    static HostConnection& Owner(void* self) noexcept { return *static_cast<Face*>(self)->owner; }

    static bool V8_CALL AddErrorEntry(void* self, std::uint16_t code, const V8Char* source, const V8Char* descr,
                                      V8Long scode) noexcept;
    static bool V8_CALL ReadEntry(void* self, V8Char* name, V8Variant* value, V8Long* errCode,
                                  V8Char** errDescriptor) noexcept;
    static bool V8_CALL WriteEntry(void* self, V8Char* name, V8Variant* value) noexcept;
    static bool V8_CALL RegisterProfileAsEntry(void* self, V8Char* name) noexcept;
    static bool V8_CALL SetEventBufferDepthEntry(void* self, V8Long depth) noexcept;
    static V8Long V8_CALL GetEventBufferDepthEntry(void* self) noexcept;
    static bool V8_CALL ExternalEventEntry(void* self, V8Char* source, V8Char* message, V8Char* data) noexcept;
    static void V8_CALL CleanEventBufferEntry(void* self) noexcept;
    static bool V8_CALL SetStatusLineEntry(void* self, V8Char* text) noexcept;
    static void V8_CALL ResetStatusLineEntry(void* self) noexcept;
    static void* V8_CALL GetInterfaceEntry(void* self, std::int32_t iface) noexcept;

    Face face_;
    mutable std::mutex mutex_;
    mutable std::condition_variable eventArrived_;
    std::vector<ErrorRecord> errors_;
    std::vector<EventRecord> events_;
};

}  // namespace hostsim
