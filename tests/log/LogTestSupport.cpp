#include "log/LogTestSupport.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/Text.h"
#include "log/Log.h"
#include "platform/Platform.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace fs = std::filesystem;

namespace {

fs::path P(const std::u16string& path) { return fs::path(path); }

long long ProcessId() {
#ifdef _WIN32
    return static_cast<long long>(GetCurrentProcessId());
#else
    return static_cast<long long>(getpid());
#endif
}

void PointAppDataAtTemp() {
#ifndef _WIN32
    // Under Wine the prefix's own ProgramData already belongs to the tests.
    static const bool done = [] {
        if (const char* set = std::getenv("MCR_COMMON_APPDATA"); set && *set) return true;  // a child of a test
        const fs::path dir = fs::temp_directory_path() / ("mcr-appdata-" + std::to_string(ProcessId()));
        fs::create_directories(dir);
        setenv("MCR_COMMON_APPDATA", dir.c_str(), 1);
        return true;
    }();
    (void)done;
#endif
}

}  // namespace

std::string ReadBytes(const std::u16string& path) {
    std::ifstream in(P(path), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool PathExists(const std::u16string& path) {
    std::error_code ec;
    return fs::exists(P(path), ec);
}

ScopedLog::ScopedLog(const char* purpose) {
    PointAppDataAtTemp();
    static std::atomic<int> counter{0};
    name_ = FromUtf8(std::string("t_") + purpose + "_" + std::to_string(ProcessId()) + "_" + std::to_string(++counter));
    SetLogLevel(0);
    TLog::SetLogFileName(name_);
    std::error_code ec;
    fs::remove_all(P(Directory()), ec);
}

ScopedLog::~ScopedLog() {
    try {
        SetLogLevel(0);
    } catch (...) {
    }
    std::error_code ec;
    fs::remove_all(P(Directory()), ec);
}

std::u16string ScopedLog::Directory() const {
    return platform::CommonAppDataPath() + u"Velmora" + platform::kPathSeparator + name_ + platform::kPathSeparator;
}

std::u16string ScopedLog::TodayFile() const {
    const auto t = platform::Now();
    char date[16];
    std::snprintf(date, sizeof date, "%04d.%02d.%02d", t.year, t.month, t.day);
    return Directory() + name_ + u"_" + Widen(date) + u".log";
}

bool ScopedLog::TodayFileExists() const { return PathExists(TodayFile()); }

std::string ScopedLog::Bytes() const { return ReadBytes(TodayFile()); }

std::vector<std::string> ScopedLog::Lines() const {
    const std::string text = Bytes();
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t pos; (pos = text.find("\r\n", start)) != std::string::npos; start = pos + 2) {
        lines.push_back(text.substr(start, pos - start));
    }
    lines.push_back(text.substr(start));
    return lines;
}

int RunLogChild(int argc, char** argv) {
    if (argc < 5) return 2;
    PointAppDataAtTemp();
    TLog::SetLogFileName(FromUtf8(argv[2]));
    SetLogLevel(3);
    const int lines = std::atoi(argv[3]);
    const std::u16string tag = FromUtf8(argv[4]);
    try {
        for (int i = 0; i < lines; ++i) Log::d(tag, IntToText(i));
    } catch (...) {
        return 1;
    }
    return 0;
}

ChildProcess StartLogChild(const std::u16string& logName, int lines, const std::string& tag) {
    ChildProcess child;
#ifdef _WIN32
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::u16string command = u"\"" + std::u16string(reinterpret_cast<char16_t*>(self)) + u"\" " + Widen(kLogChildArgument) +
                             u" " + logName + u" " + IntToText(lines) + u" " + FromUtf8(tag);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (CreateProcessW(nullptr, reinterpret_cast<wchar_t*>(command.data()), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &si, &pi)) {
        CloseHandle(pi.hThread);
        child.id = reinterpret_cast<long long>(pi.hProcess);
    }
#else
    const std::string name = ToUtf8(logName);
    const std::string count = std::to_string(lines);
    std::string self = fs::read_symlink("/proc/self/exe").string();
    char* args[] = {self.data(), const_cast<char*>(kLogChildArgument), const_cast<char*>(name.c_str()),
                    const_cast<char*>(count.c_str()), const_cast<char*>(tag.c_str()), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, self.c_str(), nullptr, nullptr, args, environ) == 0) child.id = pid;
#endif
    return child;
}

int ChildProcess::Wait() {
    if (id < 0) return -1;
#ifdef _WIN32
    HANDLE process = reinterpret_cast<HANDLE>(id);
    WaitForSingleObject(process, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return static_cast<int>(code);
#else
    int status = 0;
    waitpid(static_cast<pid_t>(id), &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}
