// The component's only logger: process-wide, one UTF-8 file per day in a
// per-driver folder under the machine-wide application-data folder.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

class TLog {
public:
    enum TMsgType : uint8_t { mtInfo = 0, mtDebug = 1, mtError = 2 };

    static void Append(const std::u16string& ACaption, const std::u16string& AMessage, TMsgType AMsgType);
    static void Start();
    static void Stop();
    static std::u16string FormatLogString(const std::u16string& ACaption, const std::u16string& AMessage,
                                          TMsgType AMsgType);
    static std::u16string GetAbsolutePath(bool AOnlyDirectory);
    static void WriteTextFile(const std::u16string& AFileName, const std::u16string& AText);

    // Load and unload of the component.
    static void Load();
    static void Unload() noexcept;

    static uint8_t LogLevel() { return logLevel_.load(); }
    static bool LogStarted() { return logStarted_.load(); }
    static void SetLogFileName(std::u16string name);
    static std::u16string LogFileName();

    friend void SetLogLevel(uint8_t level);

private:
    static void WriteLogLine(const std::u16string& text);
    static bool LetThrough(TMsgType type);

    static std::atomic<uint8_t> logLevel_;
    static std::atomic<bool> logStarted_;
};

// Sets the level; switching to 0 ends the logging period (footer when started).
void SetLogLevel(uint8_t level);

class Log : public TLog {
public:
    static void d(const std::u16string& tag, const std::u16string& msg) { Append(tag, msg, mtDebug); }
    static void e(const std::u16string& tag, const std::u16string& msg) { Append(tag, msg, mtError); }
    static void i(const std::u16string& tag, const std::u16string& msg) { Append(tag, msg, mtInfo); }
};
