#include "platform/Platform.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/utsname.h>
#include <unistd.h>
#include <dlfcn.h>
#include <locale.h>
#include <wctype.h>

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

// The full simple lower-case mapping of Unicode, as glibc's towlower gives it
// in a UTF-8 locale, whatever locale the host's process runs in: the C library
// knows it as soon as a UTF-8 locale object exists, and names compare the same
// on every client.
locale_t FoldingLocale() {
    static const locale_t locale = [] {
        for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
            if (const locale_t found = ::newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(0))) return found;
        }
        return static_cast<locale_t>(0);
    }();
    return locale;
}

}  // namespace

char16_t FoldCase(char16_t c) {
    // Surrogates fold as themselves; every cased pair lies in the basic plane.
    if (c < 0x80) return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
    if (c >= 0xD800 && c <= 0xDFFF) return c;
    const locale_t locale = FoldingLocale();
    if (!locale) return c;
    const wint_t lower = ::towlower_l(static_cast<wint_t>(c), locale);
    return lower <= 0xFFFF ? static_cast<char16_t>(lower) : c;
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

// The shared object this code is linked into (or the executable, for the
// native tests), by the address of one of its own functions.
std::u16string ModuleLongPath() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<const void*>(&ModuleLongPath), &info) != 0 && info.dli_fname &&
        std::strchr(info.dli_fname, '/')) {
        if (char* resolved = ::realpath(info.dli_fname, nullptr)) {
            std::u16string path = FromUtf8(resolved);
            std::free(resolved);
            return path;
        }
    }
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

long ProcessId() { return static_cast<long>(::getpid()); }

std::u16string OSDescription() {
    std::string name;
    if (FILE* file = std::fopen("/etc/os-release", "re")) {
        char line[512];
        while (std::fgets(line, sizeof line, file)) {
            std::string_view text(line);
            if (!text.starts_with("PRETTY_NAME=")) continue;
            text.remove_prefix(12);
            while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
            if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front()) {
                text = text.substr(1, text.size() - 2);
            }
            name = text;
        }
        std::fclose(file);
    }
    utsname system{};
    if (::uname(&system) != 0) return FromUtf8(name.empty() ? "Linux" : name);
    if (name.empty()) name = system.sysname;
    return FromUtf8(name + " (" + system.release + ")");
}

bool DirectoryExists(const std::u16string& path) {
    struct stat st{};
    return ::stat(Narrow(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void CreateLogDirectory(const std::u16string& path) {
    std::string narrow = Narrow(path);
    for (size_t pos = 1; pos <= narrow.size(); ++pos) {
        if (pos == narrow.size() || narrow[pos] == '/') {
            const std::string part = narrow.substr(0, pos);
            // Each folder made here is open to every account, whatever the umask.
            if (::mkdir(part.c_str(), 0777) == 0) ::chmod(part.c_str(), 0777);
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
    // Readable and writable by all, as the appended files: the umask does not decide.
    ::fchmod(fd.get(), 0666);
    WriteAll(fd.get(), bytes);
}

}  // namespace platform
