#include "HostConnection.h"

namespace hostsim {
namespace {

OptionalText Copy(const V8Char* text) {
    if (text == nullptr) {
        return std::nullopt;
    }
    return std::u16string(text);
}

}  // namespace

const V8AddInDefBaseVtbl HostConnection::kTable{
    {},
    &HostConnection::AddErrorEntry,
    &HostConnection::ReadEntry,
    &HostConnection::WriteEntry,
    &HostConnection::RegisterProfileAsEntry,
    &HostConnection::SetEventBufferDepthEntry,
    &HostConnection::GetEventBufferDepthEntry,
    &HostConnection::ExternalEventEntry,
    &HostConnection::CleanEventBufferEntry,
    &HostConnection::SetStatusLineEntry,
    &HostConnection::ResetStatusLineEntry,
    &HostConnection::GetInterfaceEntry,
};

HostConnection::HostConnection() : face_{&kTable, this} {}

bool V8_CALL HostConnection::AddErrorEntry(void* self, std::uint16_t code, const V8Char* source, const V8Char* descr,
                                           V8Long scode) noexcept {
    try {
        ErrorRecord record{code, Copy(source), Copy(descr), scode};
        HostConnection& owner = Owner(self);
        std::lock_guard lock(owner.mutex_);
        owner.errors_.push_back(std::move(record));
        return true;
    } catch (...) {
        return false;
    }
}

bool V8_CALL HostConnection::ExternalEventEntry(void* self, V8Char* source, V8Char* message, V8Char* data) noexcept {
    try {
        // Stamped before taking the lock so the time is when the component called, not when it got in.
        EventRecord record{Copy(source), Copy(message), Copy(data), std::chrono::steady_clock::now(),
                           std::this_thread::get_id()};
        HostConnection& owner = Owner(self);
        {
            std::lock_guard lock(owner.mutex_);
            owner.events_.push_back(std::move(record));
        }
        owner.eventArrived_.notify_all();
        return true;
    } catch (...) {
        return false;
    }
}

bool V8_CALL HostConnection::ReadEntry(void*, V8Char*, V8Variant*, V8Long*, V8Char**) noexcept { return false; }
bool V8_CALL HostConnection::WriteEntry(void*, V8Char*, V8Variant*) noexcept { return false; }
bool V8_CALL HostConnection::RegisterProfileAsEntry(void*, V8Char*) noexcept { return false; }
bool V8_CALL HostConnection::SetEventBufferDepthEntry(void*, V8Long) noexcept { return false; }
V8Long V8_CALL HostConnection::GetEventBufferDepthEntry(void*) noexcept { return 0; }
void V8_CALL HostConnection::CleanEventBufferEntry(void*) noexcept {}
bool V8_CALL HostConnection::SetStatusLineEntry(void*, V8Char*) noexcept { return false; }
void V8_CALL HostConnection::ResetStatusLineEntry(void*) noexcept {}
void* V8_CALL HostConnection::GetInterfaceEntry(void*, std::int32_t) noexcept { return nullptr; }

std::vector<ErrorRecord> HostConnection::Errors() const {
    std::lock_guard lock(mutex_);
    return errors_;
}

std::vector<EventRecord> HostConnection::Events() const {
    std::lock_guard lock(mutex_);
    return events_;
}

std::size_t HostConnection::EventCount() const {
    std::lock_guard lock(mutex_);
    return events_.size();
}

bool HostConnection::WaitForEvents(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return eventArrived_.wait_for(lock, timeout, [&] { return events_.size() >= count; });
}

void HostConnection::Clear() {
    std::lock_guard lock(mutex_);
    errors_.clear();
    events_.clear();
}

}  // namespace hostsim
