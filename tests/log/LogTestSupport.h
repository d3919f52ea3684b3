// Helpers of the log tests: a private log folder per test, reading files back,
// and a second process of the test program that logs at the same time.
#pragma once

#include <string>
#include <vector>

constexpr const char* kLogChildArgument = "--log-child";

// Child entry: argv = program, --log-child, log name, line count, tag.
int RunLogChild(int argc, char** argv);

// Starts this program as a log child; returns a process token to wait on.
struct ChildProcess {
    long long id = -1;
    int Wait();  // exit code
};
ChildProcess StartLogChild(const std::u16string& logName, int lines, const std::string& tag);

// A unique log name whose folder is removed before and after the test.
class ScopedLog {
public:
    explicit ScopedLog(const char* purpose);
    ~ScopedLog();
    const std::u16string& Name() const { return name_; }
    std::u16string Directory() const;
    std::u16string TodayFile() const;
    bool TodayFileExists() const;
    // The day's file split at CR LF (the text after the last CR LF is the last element).
    std::vector<std::string> Lines() const;
    std::string Bytes() const;

private:
    std::u16string name_;
};

std::string ReadBytes(const std::u16string& path);
bool PathExists(const std::u16string& path);
