// The thin layer over what the operating system provides. One implementation
// for Win32 (the shipped DLL), one for POSIX (the native build of the portable
// core and its tests).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

#ifdef _WIN32
constexpr char16_t kPathSeparator = u'\\';
#else
constexpr char16_t kPathSeparator = u'/';
#endif

// Equality under the user's locale collation, letter case significant.
bool SameTextLocale(std::u16string_view a, std::u16string_view b);

// Equality under the user's locale rules, letter case ignored (Cyrillic included).
bool SameTextIgnoreCase(std::u16string_view a, std::u16string_view b);

// A character's lower-case form, for the comparisons that ignore letter case
// one character at a time (Latin and Cyrillic at least).
char16_t FoldCase(char16_t c);

// The process's decimal separator, read from the user's locale once; tests may override it.
char16_t DecimalSeparator();
void SetDecimalSeparator(char16_t separator);

// The locale's time separator (a colon on common locales).
char16_t TimeSeparator();

// A day-count date-time (days since 1899-12-30, time as the fraction) as the
// user's locale writes a date followed by a time.
std::u16string DateTimeToText(double dateTime);

struct LocalTime {
    int year, month, day, hour, minute, second, millisecond;
};
LocalTime Now();

// The machine-wide application-data folder, ending in a separator. On POSIX
// the environment variable MCR_COMMON_APPDATA points it elsewhere.
std::u16string CommonAppDataPath();

// The full, long path of the component's own module (the DLL, or on POSIX the
// executable); empty when it cannot be found.
std::u16string ModuleLongPath();

struct TFileVersion {
    uint16_t Major = 0, Minor = 0, Release = 0, Build = 0;
};
// The file version of a file's version record; 0.0.0.0 when it has none.
TFileVersion GetFileVersion(const std::u16string& path);

struct OSVersionRecord {
    uint32_t major = 0, minor = 0, build = 0, platformId = 0;
    std::u16string servicePack;
};
// The operating system's own version numbers, or nothing when the query fails.
std::optional<OSVersionRecord> QueryOSVersion();
// Where there are no Windows version numbers: the system's own name and
// version, e.g. "Debian GNU/Linux 12 (bookworm) (6.1.0-18-amd64)"; empty on Windows.
std::u16string OSDescription();

// This process's id, as other processes see it.
long ProcessId();

bool DirectoryExists(const std::u16string& path);
// Creates a missing directory with every missing parent, then grants access to
// it: every local account may create, write and delete inside it and below.
void CreateLogDirectory(const std::u16string& path);
void GrantDirectoryAccess(const std::u16string& path);

// Appends bytes to a file, creating it when missing. Others may read the file
// while it is open but not write it; a sharing conflict with another writer is
// retried for about a second before the failure is raised.
void AppendToFile(const std::u16string& path, std::string_view bytes);
// Writes a whole file, replacing one of that name.
void WriteWholeFile(const std::u16string& path, std::string_view bytes);

// The system's ANSI code page: what GetACP reports on Windows; on POSIX,
// which has none, Windows-1251 stands in, the code page of the desktops the
// component is made for.
uint32_t AnsiCodePage();
// Single-byte text in the ANSI code page as UTF-16: one character per byte
// under a single-byte code page. Never fails; bytes the code page leaves
// undefined become the characters Windows gives them.
std::u16string AnsiToText(std::string_view bytes);

}  // namespace platform
