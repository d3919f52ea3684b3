// Emulator drivers created the way the host creates them, with the headless
// window that DriverHost gives them, driven from the test's thread (the
// window's thread), and a host connection that records the external events.
#pragma once

#include <doctest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "driver/DriverHost.h"
#include "emulator/Driver.h"
#include "emulator/HeadlessForm.h"

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

inline long long MsSince(Clock::time_point start, Clock::time_point end) {
    return std::chrono::duration_cast<milliseconds>(end - start).count();
}

// A host connection whose ExternalEvent records its arguments and the time.
class EventRecorder {
public:
    struct Event {
        bool sourceIsNull = false;
        std::u16string source, message, data;
        Clock::time_point at;
    };

    // Runs inside ExternalEvent on the delivery thread, after the recording;
    // gets the number of the event (1 for the first).
    std::function<void(size_t)> duringEvent;

    void* Connection() { return &iface_; }

    // Waits until at least `count` events have come; false after `timeout`.
    bool WaitFor(size_t count, milliseconds timeout = milliseconds(6000)) {
        std::unique_lock lock(lock_);
        return changed_.wait_for(lock, timeout, [&] { return events_.size() >= count; });
    }

    std::vector<Event> Events() {
        std::lock_guard lock(lock_);
        return events_;
    }

private:
    struct Interface {
        TV8AddInDefBaseEx base;
        EventRecorder* owner;
    };

    static bool V8_CALL ExternalEvent(void* self, V8Char* source, V8Char* message, V8Char* data) {
        EventRecorder& recorder = *static_cast<Interface*>(self)->owner;
        size_t number = 0;
        {
            std::lock_guard lock(recorder.lock_);
            recorder.events_.push_back({source == nullptr, source ? source : u"", message ? message : u"",
                                        data ? data : u"", Clock::now()});
            number = recorder.events_.size();
        }
        recorder.changed_.notify_all();
        if (recorder.duringEvent) recorder.duringEvent(number);
        return true;
    }
    static bool V8_CALL AddError(void*, uint16_t, const V8Char*, const V8Char*, V8Long) { return true; }

    static constexpr V8AddInDefBaseVtbl kTable{{}, AddError, nullptr,       nullptr, nullptr, nullptr,
                                               nullptr, ExternalEvent, nullptr, nullptr, nullptr, nullptr};
    Interface iface_{{&kTable}, this};
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<Event> events_;
};

// One "tarvik" object connected to a recorder, which must outlive it, with
// whatever window drivers get.
struct EmulatorObject {
    DriverObject object{u"tarvik"};
    TDriver& driver = object.As<TDriver>();

    explicit EmulatorObject(EventRecorder& host) { REQUIRE(object.initDone().Init(object.block, host.Connection())); }

    void Set(std::u16string_view name, const V8Variant& value) { REQUIRE(object.SetParameter(name, value)); }
    void SetText(std::u16string_view name, std::u16string_view text) { Set(name, object.Text(text)); }

    // A standard method without inputs, by the host; its Boolean.
    bool Call(std::u16string_view name) {
        V8Variant ret{};
        V8Variant params[2]{};
        REQUIRE(object.Call(name, ret, params));
        REQUIRE(V8BaseType(ret) == VTYPE_BOOL);
        return ret.VarEnum.bVal != 0;
    }

    // The Delay property as the host reads it.
    int32_t HostDelay() {
        const int32_t prop = object.ext().FindProp(object.extSelf(), u"Delay");
        V8Variant value{};
        REQUIRE(object.ext().GetPropVal(object.extSelf(), prop, &value));
        REQUIRE(V8BaseType(value) == VTYPE_I4);
        return value.VarEnum.lVal;
    }

    // DestroyObject, as the host calls it.
    void Destroy() {
        NapiDestroyObject(&object.block);
        object.block = nullptr;
    }
};

// The same with the headless window that DriverHost gives drivers.
struct Emulator : EmulatorObject {
    THeadlessForm& form = dynamic_cast<THeadlessForm&>(driver.Form());

    explicit Emulator(EventRecorder& host) : EmulatorObject(host) {}
};
