// The simulated host: one loaded component library, the host's memory and
// connection, and the objects it created, driven by commands of the
// simulator's language (one-shot verbs, script files, the interactive
// `open`). Every command prints what the host sees.
#pragma once

#include "Component.h"
#ifdef _WIN32
#include "Desktop.h"
#endif
#include "HostConnection.h"
#include "HostMemory.h"
#include "Library.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace hostsim {

enum ExitCode : int {
    kOk = 0,
    kMisbehaved = 1,
    kUsage = 2,
    kCannotLoad = 3,
    kScriptFailed = 4,
    kCrashed = 5,
};

struct HostOptions {
    // Empty: the first class the library offers.
    std::u16string className;
    // The caption by which the window commands find the component's window.
    std::u16string caption = u"Эмулятор MCR";
};

class Host {
public:
    Host(std::filesystem::path library, HostOptions options);
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // False, with the reason on stderr, when the library cannot be loaded.
    bool Load();

    // Every class with its extension, methods and properties.
    void Info();
    // One command given as words (the one-shot verbs).
    void RunCommand(std::vector<std::string> words);
    // Each source runs on a fresh object 1; "-" reads standard input.
    void RunScripts(const std::vector<std::string>& sources);
    // Applies the settings, connects and lets the user work with the window
    // until it is hidden or closed, `timeout` passes, or the console is interrupted.
    void RunOpen(const std::vector<std::pair<std::string, std::string>>& settings,
                 std::optional<std::chrono::seconds> timeout);

    // Prints the books and the outcome; the process's exit code.
    int Finish();

    // One line per script command: its syntax and what it does.
    static std::vector<std::string_view> CommandUsage();

private:
    struct Command;
    using Args = std::vector<std::string>;

    // A unit is one script, or the one command of a verb: it starts with a
    // fresh object 1 and ends with every object it left destroyed.
    bool Begin(const std::string& unit);
    void End();
    void Execute(std::size_t line, const std::string& echo, Args words);

    void Line(const std::string& text);
    void Fail(const std::string& text);
    void Fault(const std::string& text);
    void ShowReports();
    void Pump(std::chrono::milliseconds duration);
    bool PumpUntil(std::chrono::milliseconds limit, const std::function<bool()>& done);

    std::optional<Component> CreateObject();
    void DestroyObject(std::size_t index);
    Component* Current();
    std::size_t EventsInUnit() const;

    // The commands; each gets its arguments without the command's name.
    void CmdCall(const Args& args);
    void CmdCallRaw(const Args& args);
    void CmdGet(const Args& args);
    void CmdSet(const Args& args);
    void CmdParam(const Args& args);
    void CmdNew(const Args& args);
    void CmdObject(const Args& args);
    void CmdDestroy(const Args& args);
    void CmdUnload(const Args& args);
    void CmdPump(const Args& args);
    void CmdWaitEvents(const Args& args);
    void CmdExpectEvents(const Args& args);
    void CmdExpectData(const Args& args);
    void CmdExpectDelay(const Args& args);
    void CmdSleep(const Args& args);
    void CmdCaption(const Args& args);
    void CmdWindow(const Args& args);
    void CmdWaitWindow(const Args& args);
    void CmdChild(const Args& args);
    void CmdClickChild(const Args& args);
    void CmdDblClickChild(const Args& args);
    void CmdSetTextChild(const Args& args);
    void CmdCloseWindow(const Args& args);
    void CmdExpectBox(const Args& args);
    void CmdCheckBox(const Args& args);
    void CmdExpectFile(const Args& args);
    void CmdSkipIfEmulated(const Args& args);
    void CmdSwipe(const Args& args);
    void CmdSwipeBusy(const Args& args);

    void Call(const Args& args, bool exact);

    // The platform's part (HostWin32.cpp, HostPosix.cpp).
    void WaitWhileOpen(std::optional<std::chrono::seconds> timeout);
    static void CatchInterrupt();
    static std::optional<std::filesystem::path> CommonAppData();
#ifdef _WIN32
    void Swipe(const Args& args, std::chrono::milliseconds busy);
    void Click(const Args& args, int count);
    HWND Window();
    HWND Child(const std::string& id);
    desktop::BoxWatcher& Watcher();
#endif

    static const Command kCommands[];

    std::filesystem::path path_;
    HostOptions options_;
    std::optional<Library> library_;
    std::u16string className_;
    HostMemory memory_;
    HostConnection connection_;
    // Declared after what they were given, so they go first.
    std::vector<std::optional<Component>> objects_;
    std::size_t current_ = 0;
#ifdef _WIN32
    std::unique_ptr<desktop::BoxWatcher> watcher_;
#endif

    std::string unit_;
    std::string location_;
    bool stopped_ = false;
    std::thread::id mainThread_;
    std::chrono::steady_clock::time_point unitStart_;
    std::filesystem::file_time_type unitStartFile_{};
    std::vector<std::chrono::steady_clock::time_point> clicks_;
    std::size_t errorsShown_ = 0;
    std::size_t eventsShown_ = 0;
    std::size_t badFreesShown_ = 0;
    std::size_t errorsTotal_ = 0;
    // The delay printed for the latest event, for `expect-delay`.
    std::optional<long long> lastDelay_;
    std::vector<std::string> faults_;
    std::vector<std::string> failures_;
};

}  // namespace hostsim
