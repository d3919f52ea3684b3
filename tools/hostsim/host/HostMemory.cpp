#include "HostMemory.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace hostsim {
namespace {

// Fresh bytes are not zero so a component that forgets a terminator is caught
// reading garbage instead of passing by luck.
constexpr std::byte kFreshFill{0xCD};
constexpr std::byte kGuardFill{0xFD};
constexpr std::size_t kGuardSize = 16;

}  // namespace

const V8MemoryManagerVtbl HostMemory::kTable{{}, &HostMemory::AllocEntry, &HostMemory::FreeEntry};

HostMemory::HostMemory() : face_{&kTable, this} {}

HostMemory::~HostMemory() = default;

bool V8_CALL HostMemory::AllocEntry(void* self, void** memory, V8ULong size) noexcept {
    if (memory == nullptr) {
        return false;
    }
    *memory = static_cast<Face*>(self)->owner->Allocate(size);
    return *memory != nullptr;
}

void V8_CALL HostMemory::FreeEntry(void* self, void** memory) noexcept {
    HostMemory& owner = *static_cast<Face*>(self)->owner;
    try {
        std::lock_guard lock(owner.mutex_);
        if (memory == nullptr) {
            owner.badFrees_.push_back({nullptr, "FreeMemory given a null address of the pointer"});
            return;
        }
        // Freeing a null pointer is as harmless here as free(NULL).
        if (*memory != nullptr && owner.ReleaseLocked(*memory, "FreeMemory")) {
            *memory = nullptr;
        }
    } catch (...) {
        // The books could not grow; nothing may escape into the component.
    }
}

void* HostMemory::Allocate(std::size_t size) {
    try {
        std::lock_guard lock(mutex_);
        if (failNext_ > 0) {
            --failNext_;
            ++refused_;
            return nullptr;
        }
        auto storage = std::make_unique_for_overwrite<std::byte[]>(size + kGuardSize);
        std::fill_n(storage.get(), size, kFreshFill);
        std::fill_n(storage.get() + size, kGuardSize, kGuardFill);
        void* address = storage.get();
        blocks_.emplace(address, Block{std::move(storage), size, ++allocations_});
        return address;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

V8Char* HostMemory::AllocText(std::u16string_view text) {
    auto* block = static_cast<V8Char*>(Allocate((text.size() + 1) * sizeof(V8Char)));
    if (block != nullptr) {
        std::memcpy(block, text.data(), text.size() * sizeof(V8Char));
        block[text.size()] = 0;
    }
    return block;
}

bool HostMemory::Release(const void* block) {
    std::lock_guard lock(mutex_);
    if (block == nullptr) {
        return true;
    }
    return ReleaseLocked(block, "host release");
}

bool HostMemory::ReleaseLocked(const void* block, const char* what) {
    const auto found = blocks_.find(block);
    if (found == blocks_.end()) {
        // Telling a double free from a stranger's pointer needs history we do not keep;
        // both mean the same to the host: the pointer was not its to free.
        badFrees_.push_back({block, std::string(what) + ": not an outstanding host block (foreign or already freed)"});
        return false;
    }
    const Block& entry = found->second;
    const std::byte* guard = entry.storage.get() + entry.size;
    if (std::any_of(guard, guard + kGuardSize, [](std::byte b) { return b != kGuardFill; })) {
        overruns_.push_back({block, entry.size, entry.order});
    }
    blocks_.erase(found);
    ++frees_;
    return true;
}

bool HostMemory::Owns(const void* block) const {
    std::lock_guard lock(mutex_);
    return blocks_.contains(block);
}

std::optional<std::size_t> HostMemory::SizeOf(const void* block) const {
    std::lock_guard lock(mutex_);
    const auto found = blocks_.find(block);
    if (found == blocks_.end()) {
        return std::nullopt;
    }
    return found->second.size;
}

void HostMemory::FailNextAllocations(std::uint64_t count) {
    std::lock_guard lock(mutex_);
    failNext_ = count;
}

std::vector<BlockInfo> HostMemory::Outstanding() const {
    std::lock_guard lock(mutex_);
    std::vector<BlockInfo> result;
    result.reserve(blocks_.size());
    for (const auto& [address, block] : blocks_) {
        result.push_back({address, block.size, block.order});
    }
    std::sort(result.begin(), result.end(), [](const BlockInfo& a, const BlockInfo& b) { return a.order < b.order; });
    return result;
}

std::vector<BadFree> HostMemory::BadFrees() const {
    std::lock_guard lock(mutex_);
    return badFrees_;
}

std::vector<BlockInfo> HostMemory::Overruns() const {
    std::lock_guard lock(mutex_);
    return overruns_;
}

std::uint64_t HostMemory::AllocationCount() const {
    std::lock_guard lock(mutex_);
    return allocations_;
}

std::uint64_t HostMemory::RefusedCount() const {
    std::lock_guard lock(mutex_);
    return refused_;
}

std::uint64_t HostMemory::FreeCount() const {
    std::lock_guard lock(mutex_);
    return frees_;
}

bool HostMemory::Clean() const {
    std::lock_guard lock(mutex_);
    return blocks_.empty() && badFrees_.empty() && overruns_.empty();
}

}  // namespace hostsim
