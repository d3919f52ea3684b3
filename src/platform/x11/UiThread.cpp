#include "platform/x11/UiThread.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <future>
#include <mutex>
#include <thread>

#include "common/Error.h"
#include "common/Text.h"

namespace platform {
namespace {

// One handed-over piece of work, waited for by the thread that handed it over.
struct TJob {
    const std::function<void()>* work = nullptr;
    std::exception_ptr error;
    bool done = false;
    std::mutex lock;
    std::condition_variable finished;
};

class TUiThread {
public:
    ~TUiThread() { Stop(); }

    void Run(const std::function<void()>& AWork) {
        if (OnThread()) {
            AWork();
            return;
        }
        Start();
        TJob job;
        job.work = &AWork;
        // The wake-up ring of FLTK holds a fixed number of entries; a full
        // ring empties as soon as the loop runs.
        while (Fl::awake(&RunJob, &job) != 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::unique_lock lock(job.lock);
        job.finished.wait(lock, [&] { return job.done; });
        if (job.error) std::rethrow_exception(job.error);
    }

    bool OnThread() const { return FRunning.load() && std::this_thread::get_id() == FId; }

    void Stop() {
        std::lock_guard lock(FStartLock);
        FEnded = true;
        if (!FThread.joinable()) return;
        while (Fl::awake(&Quit, this) != 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        FThread.join();
        FRunning = false;
    }

private:
    void Start() {
        std::lock_guard lock(FStartLock);
        if (FEnded) throw EComponentError(u"Нет графического дисплея: окна компоненты закрыты при её выгрузке");
        if (FRunning) return;
        const char* name = std::getenv("DISPLAY");
        if (!name || !*name) throw EComponentError(u"Нет графического дисплея: переменная DISPLAY не задана");
        Display* display = XOpenDisplay(name);
        if (!display) {
            throw EComponentError(u"Нет графического дисплея: не удаётся открыть дисплей \"" + FromUtf8(name) + u"\"");
        }
        std::promise<void> ready;
        FThread = std::thread([this, display, &ready] { Loop(display, ready); });
        FId = FThread.get_id();
        ready.get_future().wait();
        FRunning = true;
    }

    void Loop(Display* ADisplay, std::promise<void>& AReady) {
        // Taking FLTK's lock once is what makes Fl::awake usable from other threads.
        Fl::lock();
        fl_open_display(ADisplay);
        AReady.set_value();
        while (!FQuit) Fl::wait(1e20);
        // Windows still open at unload belong to objects the host never
        // destroyed; they go with the display connection.
        while (Fl_Window* window = Fl::first_window()) window->hide();
        fl_close_display();
        Fl::unlock();
    }

    static void RunJob(void* AJob) {
        TJob& job = *static_cast<TJob*>(AJob);
        try {
            (*job.work)();
        } catch (...) {
            job.error = std::current_exception();
        }
        std::lock_guard lock(job.lock);
        job.done = true;
        job.finished.notify_one();
    }

    static void Quit(void* ASelf) { static_cast<TUiThread*>(ASelf)->FQuit = true; }

    std::mutex FStartLock;
    std::thread FThread;
    std::thread::id FId;
    std::atomic<bool> FRunning{false};
    bool FEnded = false;
    bool FQuit = false;  // only touched on the UI thread
};

TUiThread& Ui() {
    static TUiThread thread;
    return thread;
}

// The check that ends a modal wait: FLTK runs it after every pass of its loop.
struct TModalWait {
    Fl_Window* window;
    std::promise<void> closed;
};

void CheckClosed(void* AWait) {
    TModalWait& wait = *static_cast<TModalWait*>(AWait);
    if (wait.window->shown()) return;
    Fl::remove_check(&CheckClosed, AWait);
    wait.closed.set_value();
}

}  // namespace

void RunOnUiThread(const std::function<void()>& AWork) { Ui().Run(AWork); }

bool OnUiThread() { return Ui().OnThread(); }

void StopUiThread() { Ui().Stop(); }

void ShowModalOnUiThread(const std::function<std::unique_ptr<Fl_Window>()>& AMake) {
    if (OnUiThread()) {
        // Nothing of the component calls this from its windows; should it,
        // FLTK's loop nests as its own message boxes do.
        std::unique_ptr<Fl_Window> window = AMake();
        window->set_modal();
        window->show();
        while (window->shown()) Fl::wait();
        return;
    }
    std::unique_ptr<Fl_Window> window;
    TModalWait wait{};
    std::future<void> closed = wait.closed.get_future();
    RunOnUiThread([&] {
        window = AMake();
        wait.window = window.get();
        window->set_modal();
        window->show();
        Fl::add_check(&CheckClosed, &wait);
    });
    closed.wait();
    RunOnUiThread([&] { window.reset(); });
}

}  // namespace platform
