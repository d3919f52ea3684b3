// The thread that runs module code: body, closure lifetime, failures, joins.
#include <doctest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <stdexcept>
#include <thread>

#include "common/Error.h"
#include "platform/ModuleThread.h"

using platform::TModuleThread;

TEST_CASE("a module thread runs its body elsewhere; join waits for it and drops its closure [threads]") {
    TModuleThread thread;
    CHECK_FALSE(thread.joinable());
    thread.join();  // nothing started, nothing to wait for

    auto token = std::make_shared<int>(7);
    std::weak_ptr<int> watch = token;
    std::atomic<bool> done{false};
    std::thread::id ranOn;
    thread.start([&, token = std::move(token)] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ranOn = std::this_thread::get_id();
        done = *token == 7;
    });
    CHECK(thread.joinable());
    thread.join();
    CHECK(done);
    CHECK(ranOn != std::this_thread::get_id());
    CHECK(watch.expired());
    CHECK_FALSE(thread.joinable());

    // An exception ends only the thread, which starts again once joined.
    thread.start([] { throw std::runtime_error("body failed"); });
    thread.join();
    thread.start([] { throw 42; });
    thread.join();
    done = false;
    thread.start([&] { done = true; });
    thread.join();
    CHECK(done);
}

TEST_CASE("a module thread refuses a second start before its join, and its destruction waits [threads]") {
    std::promise<void> release;
    std::atomic<bool> second{false};
    std::atomic<bool> finished{false};
    {
        TModuleThread thread;
        thread.start([&finished, released = release.get_future().share()] {
            released.wait();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            finished = true;
        });
        CHECK_THROWS_AS(thread.start([&] { second = true; }), EComponentError);
        release.set_value();
    }
    CHECK(finished);
    CHECK_FALSE(second);
}
