// A thread that runs code of the component's own module. On Windows the
// thread holds a reference on the module from its start to its very end, so a
// host that unloads the library while the thread still runs does not pull the
// code from under it: the module goes away when the thread exits.
#pragma once

#include <functional>
#include <memory>

namespace platform {

class TModuleThread {
public:
    TModuleThread();
    // Waits for a started thread that was not joined.
    ~TModuleThread();
    TModuleThread(const TModuleThread&) = delete;
    TModuleThread& operator=(const TModuleThread&) = delete;

    // Runs `body` on a new thread; `body` is destroyed on that thread once it
    // has run. An exception escaping `body` ends the thread quietly. Fails
    // with EComponentError while a started thread is not joined yet, or when
    // the system cannot create a thread.
    void start(std::function<void()> body);
    // Waits until the thread has ended; nothing to do when none was started.
    void join();
    bool joinable() const;

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
};

}  // namespace platform
