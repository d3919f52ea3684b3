// hostsim: loads a component library and drives it the way the 1C host does,
// printing what the host sees and failing when the component breaks the
// host's rules (memory it hands over, texts it returns) or a script's
// expectation is not met.
#include "Host.h"
#include "Text.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <exception>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using namespace hostsim;

constexpr const char* kUsageText = R"(usage: hostsim [--class NAME] [--caption TEXT] DLL VERB [ARGUMENTS...]
verbs:
  info                         classes, extension names, methods and properties
  call METHOD [VALUE...]       one method call on a new object, as the host makes it
  call-raw METHOD [VALUE...]   the same with exactly the parameters given
  get PROP                     one property read
  set PROP VALUE               one property write
  param NAME TEXT              SetParameter(NAME, TEXT) with both as strings
  script FILE... | -           commands from files (or standard input), one per line
  open [--timeout S] NAME=VALUE...
                               SetParameter for each setting, Open, then events are
                               printed until the window is closed; Close at the end.
                               VALUE is a string unless written as a typed value
                               (LogEnabled=b:true, Delay=i:1500)
options:
  --class NAME                 the class to create (default: the first one offered)
  --caption TEXT               the caption of the component's window (default "Эмулятор MCR")
values: i:5  d:1.5  b:true  b:false  s:text  empty
script commands ('#' starts a comment, double quotes group words):
)";

constexpr const char* kExitCodes = R"(exit codes: 0 ok, 1 the component misbehaved (leaks, bad frees, faults),
  2 usage, 3 the library cannot be loaded, 4 a command or an expectation failed,
  5 the process crashed
)";

void Usage() {
    std::fputs(kUsageText, stderr);
    for (const std::string_view line : Host::CommandUsage()) {
        std::fprintf(stderr, "  %.*s\n", static_cast<int>(line.size()), line.data());
    }
    std::fputs(kExitCodes, stderr);
}

#ifdef _WIN32
LONG WINAPI OnCrash(EXCEPTION_POINTERS* exception) {
    std::fflush(stdout);
    std::printf("CRASH: exception 0x%08lX at %p\n", exception->ExceptionRecord->ExceptionCode,
                exception->ExceptionRecord->ExceptionAddress);
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), kCrashed);
    return EXCEPTION_EXECUTE_HANDLER;
}
#else
// Only async-signal-safe calls: what stdout buffered may be lost, the line is not.
void OnCrash(int signal) {
    char line[] = "CRASH: signal 00\n";
    line[14] = static_cast<char>('0' + signal / 10 % 10);
    line[15] = static_cast<char>('0' + signal % 10);
    [[maybe_unused]] const auto written = write(STDOUT_FILENO, line, sizeof line - 1);
    _exit(kCrashed);
}
#endif

// Takes "--class NAME" and friends off the front of `arguments`; false on a bad option.
bool TakeOptions(std::vector<std::string>& arguments, HostOptions& options, std::optional<int>* timeout) {
    while (!arguments.empty() && arguments.front().starts_with("--")) {
        const std::string option = arguments.front();
        if (arguments.size() < 2) {
            std::fprintf(stderr, "%s needs a value\n", option.c_str());
            return false;
        }
        const std::string value = arguments[1];
        if (option == "--class") {
            options.className = FromUtf8(value);
        } else if (option == "--caption") {
            options.caption = FromUtf8(value);
        } else if (option == "--timeout" && timeout != nullptr) {
            char* end = nullptr;
            const long seconds = std::strtol(value.c_str(), &end, 10);
            if (*end != '\0' || seconds <= 0) {
                std::fprintf(stderr, "--timeout takes a positive number of seconds\n");
                return false;
            }
            *timeout = static_cast<int>(seconds);
        } else {
            std::fprintf(stderr, "unknown option %s\n", option.c_str());
            return false;
        }
        arguments.erase(arguments.begin(), arguments.begin() + 2);
    }
    return true;
}

int Run(std::vector<std::string> arguments) {
    HostOptions options;
    std::optional<int> timeout;
    if (!TakeOptions(arguments, options, nullptr) || arguments.size() < 2) {
        Usage();
        return kUsage;
    }
    const std::string library = arguments[0];
    const std::string verb = arguments[1];
    arguments.erase(arguments.begin(), arguments.begin() + 2);
    if (!TakeOptions(arguments, options, verb == "open" ? &timeout : nullptr)) {
        Usage();
        return kUsage;
    }
    const bool oneShot = verb == "call" || verb == "call-raw" || verb == "get" || verb == "set" || verb == "param";
    if ((verb == "info" && !arguments.empty()) || ((oneShot || verb == "script") && arguments.empty()) ||
        (!oneShot && verb != "info" && verb != "script" && verb != "open")) {
        if (verb != "info" && verb != "script" && verb != "open" && !oneShot) {
            std::fprintf(stderr, "unknown verb: %s\n", verb.c_str());
        }
        Usage();
        return kUsage;
    }
    std::vector<std::pair<std::string, std::string>> settings;
    if (verb == "open") {
        for (const std::string& setting : arguments) {
            const std::size_t equals = setting.find('=');
            if (equals == std::string::npos || equals == 0) {
                std::fprintf(stderr, "a setting is NAME=VALUE: %s\n", setting.c_str());
                return kUsage;
            }
            settings.emplace_back(setting.substr(0, equals), setting.substr(equals + 1));
        }
    }

    Host host(FromUtf8(library), options);
    if (!host.Load()) {
        return kCannotLoad;
    }
    if (verb == "info") {
        host.Info();
    } else if (verb == "script") {
        host.RunScripts(arguments);
    } else if (verb == "open") {
        host.RunOpen(settings, timeout ? std::optional<std::chrono::seconds>(*timeout) : std::nullopt);
    } else {
        arguments.insert(arguments.begin(), verb);
        host.RunCommand(std::move(arguments));
    }
    return host.Finish();
}


int Main(std::vector<std::string> arguments) {
    try {
        const int code = Run(std::move(arguments));
        std::fflush(stdout);
        return code;
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "hostsim: %s\n", error.what());
        return kMisbehaved;
    }
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    SetConsoleOutputCP(CP_UTF8);
    // Lines end in "\n" alone, as a test comparing the output expects.
    _setmode(_fileno(stdout), _O_BINARY);
    SetUnhandledExceptionFilter(&OnCrash);
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.push_back(ToUtf8(reinterpret_cast<const char16_t*>(argv[i])));
    }
    return Main(std::move(arguments));
}
#else
int main(int argc, char** argv) {
    for (const int signal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT}) {
        struct sigaction action {};
        action.sa_handler = &OnCrash;
        action.sa_flags = SA_RESETHAND;
        sigaction(signal, &action, nullptr);
    }
    return Main(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
