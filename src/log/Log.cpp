#include "log/Log.h"

#include <cstdio>
#include <mutex>

#include "common/Text.h"
#include "log/SystemInfo.h"
#include "platform/Platform.h"

std::atomic<uint8_t> TLog::logLevel_{0};
std::atomic<bool> TLog::logStarted_{false};

namespace {

const char16_t kVendorFolder[] = u"Velmora";
const char16_t kFooter[] = u"============Stop log===============\r\n";

std::mutex& LogLock() {
    static std::mutex lock;
    return lock;
}

// Serialises the decision to write a header, so two threads that log the
// first entry of a period at once write one header, not two.
std::mutex& HeaderLock() {
    static std::mutex lock;
    return lock;
}

std::mutex& NameLock() {
    static std::mutex lock;
    return lock;
}

std::u16string& FileNameSlot() {
    static std::u16string name;
    return name;
}

std::u16string TwoDigits(int value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02d", value);
    return Widen(buffer);
}

std::u16string Date(const platform::LocalTime& t) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d.%02d.%02d", t.year, t.month, t.day);
    return Widen(buffer);
}

// Removes blanks and control characters (code 32 and below) from both ends.
std::u16string Trim(const std::u16string& text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && text[first] <= u' ') ++first;
    while (last > first && text[last - 1] <= u' ') --last;
    return text.substr(first, last - first);
}

}  // namespace

void TLog::SetLogFileName(std::u16string name) {
    std::lock_guard guard(NameLock());
    FileNameSlot() = std::move(name);
}

std::u16string TLog::LogFileName() {
    std::lock_guard guard(NameLock());
    return FileNameSlot();
}


bool TLog::LetThrough(TMsgType type) {
    switch (logLevel_.load()) {
        case 1: return type == mtError;
        case 2: return type == mtInfo || type == mtError;
        case 3: return true;
        default: return false;
    }
}

void TLog::Append(const std::u16string& ACaption, const std::u16string& AMessage, TMsgType AMsgType) {
    if (!LetThrough(AMsgType)) return;
    Start();
    WriteLogLine(FormatLogString(ACaption, AMessage, AMsgType));
}

void TLog::Start() {
    if (logLevel_.load() == 0 || logStarted_.load()) return;
    std::lock_guard guard(HeaderLock());
    if (logLevel_.load() == 0 || logStarted_.load()) return;
    const std::u16string blanks(40, u' ');
    const std::u16string module = platform::ModuleLongPath();
    WriteLogLine(blanks);
    WriteLogLine(u"============Start log=============");
    WriteLogLine(u"OS version:\t" + GetOSVersionName());
    WriteLogLine(u"Application:\t" + ExtractFileName(module));
    WriteLogLine(u"App. version:\t" + FileVersionToString(module));
    WriteLogLine(blanks);
    logStarted_.store(true);
}

void TLog::Stop() {
    if (logLevel_.load() != 0 && logStarted_.load()) WriteLogLine(kFooter);
}

std::u16string TLog::FormatLogString(const std::u16string& ACaption, const std::u16string& AMessage, TMsgType AMsgType) {
    static const char16_t* const kLevelWords[] = {u"INFO", u"DEBUG", u"ERROR"};
    const platform::LocalTime t = platform::Now();
    const char16_t colon = platform::TimeSeparator();
    char ms[8];
    std::snprintf(ms, sizeof ms, "%03d", t.millisecond);
    std::u16string text = Date(t) + u" " + TwoDigits(t.hour) + colon + TwoDigits(t.minute) + colon + TwoDigits(t.second) +
                          u"." + Widen(ms) + u"\t" + (AMsgType <= mtError ? kLevelWords[AMsgType] : u"") + u"\t" +
                          Trim(ACaption);
    if (!AMessage.empty()) text += u": \t" + Trim(AMessage);
    return text;
}

std::u16string TLog::GetAbsolutePath(bool AOnlyDirectory) {
    std::u16string base = LogFileName();
    if (base.empty()) base = ExtractFileName(platform::ModuleLongPath(), true);
    const std::u16string directory =
        platform::CommonAppDataPath() + kVendorFolder + platform::kPathSeparator + base + platform::kPathSeparator;
    if (!platform::DirectoryExists(directory)) platform::CreateLogDirectory(directory);
    if (AOnlyDirectory) return directory;
    return directory + base + u"_" + Date(platform::Now()) + u".log";
}

void TLog::WriteLogLine(const std::u16string& text) {
    const std::u16string path = GetAbsolutePath(false);
    const std::string bytes = ToUtf8(text + u"\r\n");
    std::lock_guard guard(LogLock());
    platform::AppendToFile(path, bytes);
}

void TLog::WriteTextFile(const std::u16string& AFileName, const std::u16string& AText) {
    if (logLevel_.load() == 0) return;
    platform::WriteWholeFile(GetAbsolutePath(true) + AFileName, ToUtf8(AText));
}

void TLog::Load() {
    LogLock();
    HeaderLock();
    SetLogLevel(0);
}

void TLog::Unload() noexcept {
    try {
        Stop();
    } catch (...) {
        // Nobody is left to tell at unload.
    }
}

void SetLogLevel(uint8_t level) {
    const uint8_t current = TLog::logLevel_.load();
    if (current != 0 && level == 0) {
        // The level goes off and the period ends even when the footer cannot be
        // written; the caller still hears of the failure.
        try {
            TLog::Stop();
        } catch (...) {
            TLog::logStarted_.store(false);
            TLog::logLevel_.store(level);
            throw;
        }
        TLog::logStarted_.store(false);
    }
    TLog::logLevel_.store(level);
}
