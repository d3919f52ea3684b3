#include "platform/Platform.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "common/DayCount.h"
#include "common/Error.h"
#include "common/Text.h"
#include "platform/posix/FileSupport.h"

namespace platform {
namespace {

std::atomic<char16_t> gDecimalSeparator{u'.'};

}  // namespace

// Simple case folding for the scripts the component meets in names: Latin-1,
// Latin Extended-A pairs, Greek and Cyrillic.
char16_t FoldCase(char16_t c) {
    if (c >= u'A' && c <= u'Z') return c + 32;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
    if (c >= 0x100 && c <= 0x17F && (c % 2) == 0) return c + 1;
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;
    if (c >= 0x410 && c <= 0x42F) return c + 32;
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    return c;
}

bool SameTextLocale(std::u16string_view a, std::u16string_view b) { return a == b; }

bool SameTextIgnoreCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    }
    return true;
}

char16_t DecimalSeparator() { return gDecimalSeparator.load(); }
void SetDecimalSeparator(char16_t separator) { gDecimalSeparator.store(separator); }

char16_t TimeSeparator() { return u':'; }

std::u16string DateTimeToText(double dateTime) {
    const TCivilDateTime t = SplitDayCount(dateTime);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%02d.%02d.%04d %02d:%02d:%02d", t.day, t.month, t.year, t.hour, t.minute,
                  t.second);
    return std::u16string(buffer, buffer + std::char_traits<char>::length(buffer));
}

namespace {

void WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;  // a short write is not detected, as on Windows
        bytes.remove_prefix(static_cast<size_t>(n));
    }
}

}  // namespace

LocalTime Now() {
    timeval tv{};
    gettimeofday(&tv, nullptr);
    tm local{};
    localtime_r(&tv.tv_sec, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
            local.tm_min,         local.tm_sec,     static_cast<int>(tv.tv_usec / 1000)};
}

std::u16string CommonAppDataPath() {
    const char* configured = std::getenv("MCR_COMMON_APPDATA");
    std::u16string path = FromUtf8(configured && *configured ? configured : "/var/tmp");
    if (path.back() != kPathSeparator) path += kPathSeparator;
    return path;
}

std::u16string ModuleLongPath() {
    char buffer[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? FromUtf8(std::string_view(buffer, static_cast<size_t>(n))) : std::u16string();
}

TFileVersion GetFileVersion(const std::u16string& path) {
    // No version records in ELF files: the build's own version stands for the
    // executable, every other file has none.
    TFileVersion version;
    if (path.empty() || path != ModuleLongPath()) return version;
    unsigned parts[4] = {};
    if (std::sscanf(MCR_VERSION_TEXT, "%u.%u.%u.%u", &parts[0], &parts[1], &parts[2], &parts[3]) == 4) {
        version = {static_cast<uint16_t>(parts[0]), static_cast<uint16_t>(parts[1]), static_cast<uint16_t>(parts[2]),
                   static_cast<uint16_t>(parts[3])};
    }
    return version;
}

std::optional<OSVersionRecord> QueryOSVersion() { return std::nullopt; }

bool DirectoryExists(const std::u16string& path) {
    struct stat st{};
    return ::stat(Narrow(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void CreateLogDirectory(const std::u16string& path) {
    std::string narrow = Narrow(path);
    for (size_t pos = 1; pos <= narrow.size(); ++pos) {
        if (pos == narrow.size() || narrow[pos] == '/') {
            const std::string part = narrow.substr(0, pos);
            ::mkdir(part.c_str(), 0755);
        }
    }
    GrantDirectoryAccess(path);
}

void GrantDirectoryAccess(const std::u16string& path) {
    // Every account may create, write and delete here; the files the logger
    // creates inside are made writable for everyone as well (AppendToFile).
    if (::chmod(Narrow(path).c_str(), 0777) != 0) {
        const int error = errno;
        throw EComponentError(u"System Error.  Code: " + IntToText(error) + u".\r\n" + SystemText(error));
    }
}

void AppendToFile(const std::u16string& path, std::string_view bytes) {
    const std::string narrow = Narrow(path);
    const bool existed = ::access(narrow.c_str(), F_OK) == 0;
    Descriptor fd(::open(narrow.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666));
    if (fd.get() < 0) RaiseFileError(existed ? u"Cannot open file" : u"Cannot create file", path, errno);
    if (!existed) ::fchmod(fd.get(), 0666);
    // Writers of other processes wait for the whole line, as a Windows share mode makes them.
    while (::flock(fd.get(), LOCK_EX) != 0 && errno == EINTR) {
    }
    WriteAll(fd.get(), bytes);
}

void WriteWholeFile(const std::u16string& path, std::string_view bytes) {
    Descriptor fd(::open(Narrow(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (fd.get() < 0) RaiseFileError(u"Cannot create file", path, errno);
    WriteAll(fd.get(), bytes);
}

}  // namespace platform
