#include "ToolProcess.h"

#include <memory>
#include <thread>

namespace hostsim {

namespace {

struct HandleCloser {
    void operator()(HANDLE handle) const {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// The C runtime's rules: backslashes count only before a quote.
void AppendQuoted(std::wstring& line, const std::u16string& arg) {
    line += L" \"";
    std::size_t backslashes = 0;
    for (const char16_t c : arg) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        line.append(c == u'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        line += static_cast<wchar_t>(c);
    }
    line.append(2 * backslashes, L'\\');
    line += L'"';
}

struct Pipe {
    UniqueHandle read;
    UniqueHandle write;  // inherited by the program
};

bool MakePipe(Pipe& pipe) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    if (!CreatePipe(&read, &write, &inherit, 0)) return false;
    pipe.read.reset(read);
    pipe.write.reset(write);
    return SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0) != FALSE;
}

// Read on a thread of its own: a full pipe would hold the program.
std::thread Drain(HANDLE read, std::string& into) {
    return std::thread([read, &into] {
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got > 0) into.append(buffer, got);
    });
}

}  // namespace

std::filesystem::path BesideSimulator(const std::wstring& name) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return std::filesystem::path(path).parent_path() / name;
}

std::optional<ToolResult> RunTool(const std::filesystem::path& program, const std::vector<std::u16string>& args,
                                  std::chrono::milliseconds limit,
                                  const std::function<void(std::chrono::milliseconds)>& pump, std::string& failure) {
    Pipe out;
    Pipe err;
    if (!MakePipe(out) || !MakePipe(err)) {
        failure = "cannot create pipes";
        return std::nullopt;
    }
    std::wstring line = L"\"" + program.wstring() + L"\"";
    for (const std::u16string& arg : args) AppendQuoted(line, arg);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out.write.get();
    startup.hStdError = err.write.get();
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &info)) {
        failure = "cannot start " + program.string() + " (error " + std::to_string(GetLastError()) + ")";
        return std::nullopt;
    }
    UniqueHandle process(info.hProcess);
    CloseHandle(info.hThread);
    // Only the program holds the writing ends now: its exit ends the reads.
    out.write.reset();
    err.write.reset();
    ToolResult result;
    std::thread outReader = Drain(out.read.get(), result.out);
    std::thread errReader = Drain(err.read.get(), result.err);
    const auto until = std::chrono::steady_clock::now() + limit;
    bool ended = false;
    while (!(ended = WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0) &&
           std::chrono::steady_clock::now() < until) {
        pump(std::chrono::milliseconds(5));
    }
    if (!ended) {
        TerminateProcess(process.get(), 1);
        WaitForSingleObject(process.get(), INFINITE);
        failure = program.filename().string() + " did not end within " + std::to_string(limit.count()) + " ms";
    }
    outReader.join();
    errReader.join();
    if (!ended) return std::nullopt;
    GetExitCodeProcess(process.get(), &result.exitCode);
    return result;
}

}  // namespace hostsim
