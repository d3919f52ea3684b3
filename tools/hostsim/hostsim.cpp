// hostsim: loads a component library and drives it the way the 1C host does,
// printing what the host sees and failing when the component breaks the
// host's rules (memory it hands over, texts it returns).
//
//   hostsim DLL info
#include "Component.h"
#include "HostConnection.h"
#include "HostMemory.h"
#include "Library.h"
#include "MessageLoop.h"
#include "Text.h"
#include "Value.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using namespace hostsim;
using namespace std::chrono_literals;

enum ExitCode : int { kOk = 0, kMisbehaved = 1, kUsage = 2, kCannotLoad = 3 };

// Sent to the component the way the host names a Russian-language session.
constexpr std::u16string_view kLocale = u"ru_RU";
constexpr std::int32_t kExpectedInfo = 2000;

struct Session {
    explicit Session(Library loaded) : library(std::move(loaded)) {}

    Library library;
    HostMemory memory;
    HostConnection connection;
    // Misbehaviour seen outside the memory books.
    std::vector<std::string> faults;
};

using Arguments = std::span<const std::u16string>;

struct Verb {
    std::u16string_view name;
    std::string_view usage;
    int (*run)(Session& session, Arguments arguments);
};

void Line(const std::string& text) { std::printf("%s\n", text.c_str()); }

std::string Show(const OptionalText& text) { return text ? Printable(*text) : std::string("<null>"); }

std::string YesNo(bool flag) { return flag ? "yes" : "no"; }

void Fault(Session& session, std::string text) {
    Line("  FAULT: " + text);
    session.faults.push_back(std::move(text));
}

// The host's start-up sequence for one object; nullopt when it cannot be created.
std::optional<Component> Open(Session& session, std::u16string_view className) {
    auto component = Component::Create(session.library, className);
    if (!component) {
        Line("  GetClassObject: 0 (not created)");
        return std::nullopt;
    }
    if (!component->SetMemManager(&session.memory)) {
        Fault(session, "setMemManager returned false");
    }
    if (!component->Init(&session.connection)) {
        Fault(session, "Init returned false");
    }
    PumpMessages(0ms);
    const std::int32_t info = component->GetInfo();
    Line("  GetInfo: " + std::to_string(info));
    if (info != kExpectedInfo) {
        Fault(session, "GetInfo returned " + std::to_string(info) + ", the host expects " +
                           std::to_string(kExpectedInfo));
    }
    component->SetLocale(kLocale);
    return component;
}

void Close(Session& session, Component& component) {
    PumpMessages(0ms);
    for (const std::string& fault : component.Faults()) {
        Fault(session, fault);
    }
    const std::int32_t destroyed = component.Destroy();
    if (destroyed != 0) {
        Fault(session, "DestroyObject returned " + std::to_string(destroyed));
    }
    PumpMessages(0ms);
}

void ListMethods(Component& component) {
    const std::int32_t count = component.GetNMethods();
    Line("  methods: " + std::to_string(count));
    for (std::int32_t i = 0; i < count; ++i) {
        const auto english = component.GetMethodName(i, 0);
        const auto local = component.GetMethodName(i, 1);
        Line("    [" + std::to_string(i) + "] " + Show(english) + " / " + Show(local) +
             "  params=" + std::to_string(component.GetNParams(i)) + " returns=" + YesNo(component.HasRetVal(i)));
    }
}

void ListProperties(Component& component) {
    const std::int32_t count = component.GetNProps();
    Line("  properties: " + std::to_string(count));
    for (std::int32_t i = 0; i < count; ++i) {
        const auto english = component.GetPropName(i, 0);
        const auto local = component.GetPropName(i, 1);
        Line("    [" + std::to_string(i) + "] " + Show(english) + " / " + Show(local) +
             "  readable=" + YesNo(component.IsPropReadable(i)) + " writable=" + YesNo(component.IsPropWritable(i)));
    }
}

int RunInfo(Session& session, Arguments arguments) {
    if (!arguments.empty()) {
        std::fprintf(stderr, "info takes no arguments\n");
        return kUsage;
    }
    const V8Char* classNames = session.library.GetClassNames();
    Line("classes: " + (classNames != nullptr ? Printable(classNames) : std::string("<null>")));
    for (const std::u16string& className : session.library.ClassNames()) {
        Line("class " + Printable(className));
        auto component = Open(session, className);
        if (!component) {
            continue;
        }
        const auto extension = component->RegisterExtensionAs();
        Line("  extension: " + Show(extension.name) + (extension.result ? "" : " (RegisterExtensionAs returned false)"));
        ListMethods(*component);
        ListProperties(*component);
        Close(session, *component);
    }
    return kOk;
}

constexpr Verb kVerbs[] = {
    {u"info", "info                 classes, extension names, methods and properties", &RunInfo},
};

void Usage() {
    std::fprintf(stderr, "usage: hostsim DLL VERB [ARGUMENTS...]\nverbs:\n");
    for (const Verb& verb : kVerbs) {
        std::fprintf(stderr, "  %s\n", std::string(verb.usage).c_str());
    }
}

// Memory accounting and what the component reported; true when it kept the host's rules.
bool Report(const Session& session) {
    const auto leaks = session.memory.Outstanding();
    const auto badFrees = session.memory.BadFrees();
    const auto overruns = session.memory.Overruns();
    for (const ErrorRecord& error : session.connection.Errors()) {
        Line("reported error: code=" + std::to_string(error.code) + " source=" + Show(error.source) +
             " description=" + Show(error.description) + " scode=" + std::to_string(error.scode));
    }
    Line("memory: allocations=" + std::to_string(session.memory.AllocationCount()) +
         " frees=" + std::to_string(session.memory.FreeCount()) + " leaks=" + std::to_string(leaks.size()) +
         " bad-frees=" + std::to_string(badFrees.size()) + " overruns=" + std::to_string(overruns.size()));
    for (const BlockInfo& leak : leaks) {
        Line("  leak: allocation #" + std::to_string(leak.order) + ", " + std::to_string(leak.size) + " bytes");
    }
    for (const BadFree& bad : badFrees) {
        char address[32];
        std::snprintf(address, sizeof address, "%p", bad.address);
        Line("  bad free: " + std::string(address) + ": " + bad.reason);
    }
    for (const BlockInfo& overrun : overruns) {
        Line("  overrun: allocation #" + std::to_string(overrun.order) + " written past its " +
             std::to_string(overrun.size) + " bytes");
    }
    const bool clean = leaks.empty() && badFrees.empty() && overruns.empty() && session.faults.empty();
    Line(clean ? "result: ok" : "result: the component misbehaved (" + std::to_string(session.faults.size()) +
                                    " faults)");
    return clean;
}

int Run(std::span<const std::u16string> arguments) {
    if (arguments.size() < 2) {
        Usage();
        return kUsage;
    }
    const Verb* verb = nullptr;
    for (const Verb& candidate : kVerbs) {
        if (candidate.name == arguments[1]) {
            verb = &candidate;
        }
    }
    if (verb == nullptr) {
        std::fprintf(stderr, "unknown verb: %s\n", Printable(arguments[1]).c_str());
        Usage();
        return kUsage;
    }
    std::optional<Session> session;
    try {
        const std::filesystem::path path(arguments[0]);
        session.emplace(Library::Load(path));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return kCannotLoad;
    }
    const int code = verb->run(*session, arguments.subspan(2));
    if (code != kOk) {
        return code;
    }
    return Report(*session) ? kOk : kMisbehaved;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::u16string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back(reinterpret_cast<const char16_t*>(argv[i]));
    }
    try {
        const int code = Run(arguments);
        std::fflush(stdout);
        return code;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "hostsim: %s\n", error.what());
        return kMisbehaved;
    }
}
