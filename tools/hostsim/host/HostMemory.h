// The host's memory manager: every block a component obtains for a text it
// hands over, and every block the host allocates for a parameter, goes
// through these books so the host can tell who owns a pointer and what leaked.
#pragma once

#include "v8abi.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hostsim {

struct BlockInfo {
    const void* address = nullptr;
    std::size_t size = 0;
    // 1-based position among the successful allocations, so a leak report
    // points at "the 3rd allocation" even when addresses differ between runs.
    std::uint64_t order = 0;
};

struct BadFree {
    const void* address = nullptr;
    std::string reason;
};

class HostMemory {
public:
    HostMemory();
    // Returns whatever is still outstanding so the simulator itself never leaks.
    ~HostMemory();
    HostMemory(const HostMemory&) = delete;
    HostMemory& operator=(const HostMemory&) = delete;

    // The object handed to the component: its first word is the table.
    void* Interface() noexcept { return &face_; }

    // The same books serve the host's own allocations (texts in parameters).
    // Null when refused (FailNextAllocations) or out of memory.
    void* Allocate(std::size_t size);
    // Null-terminated copy; null when refused.
    V8Char* AllocText(std::u16string_view text);
    // False, and recorded as a bad free, for a pointer these books do not hold.
    bool Release(const void* block);

    bool Owns(const void* block) const;
    std::optional<std::size_t> SizeOf(const void* block) const;

    // Refuses the next `count` allocations, component's and host's alike.
    void FailNextAllocations(std::uint64_t count);

    std::vector<BlockInfo> Outstanding() const;
    std::vector<BadFree> BadFrees() const;
    // Blocks whose bytes past the requested size were written by the time they were freed.
    std::vector<BlockInfo> Overruns() const;
    std::uint64_t AllocationCount() const;
    std::uint64_t RefusedCount() const;
    std::uint64_t FreeCount() const;

    // True when nothing is outstanding and no bad free or overrun happened.
    bool Clean() const;

private:
    struct Face {
        const V8MemoryManagerVtbl* table;
        HostMemory* owner;
    };
    struct Block {
        std::unique_ptr<std::byte[]> storage;
        std::size_t size = 0;
        std::uint64_t order = 0;
    };

    static const V8MemoryManagerVtbl kTable;
    static bool V8_CALL AllocEntry(void* self, void** memory, V8ULong size) noexcept;
    static void V8_CALL FreeEntry(void* self, void** memory) noexcept;

    bool ReleaseLocked(const void* block, const char* what);

    Face face_;
    mutable std::mutex mutex_;
    std::map<const void*, Block> blocks_;
    std::vector<BadFree> badFrees_;
    std::vector<BlockInfo> overruns_;
    std::uint64_t allocations_ = 0;
    std::uint64_t refused_ = 0;
    std::uint64_t frees_ = 0;
    std::uint64_t failNext_ = 0;
};

}  // namespace hostsim
