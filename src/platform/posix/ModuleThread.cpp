#include "platform/ModuleThread.h"

#include <system_error>
#include <thread>

#include "common/Error.h"
#include "common/Text.h"

namespace platform {

struct TModuleThread::TImpl {
    std::thread thread;
};

TModuleThread::TModuleThread() : FImpl(std::make_unique<TImpl>()) {}

TModuleThread::~TModuleThread() {
    if (joinable()) FImpl->thread.join();
}

void TModuleThread::start(std::function<void()> body) {
    if (joinable()) throw EComponentError(u"The thread has not ended yet");
    try {
        FImpl->thread = std::thread([body = std::move(body)]() mutable noexcept {
            try {
                body();
            } catch (...) {
                // Nobody waits for an answer on this thread.
            }
            body = nullptr;
        });
    } catch (const std::system_error& e) {
        throw EComponentError(u"Cannot create a thread: " + FromUtf8(e.what()));
    }
}

void TModuleThread::join() {
    if (joinable()) FImpl->thread.join();
}

bool TModuleThread::joinable() const { return FImpl->thread.joinable(); }

}  // namespace platform
