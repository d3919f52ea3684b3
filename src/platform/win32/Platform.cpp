#include "platform/Platform.h"

#include <windows.h>
#include <aclapi.h>
#include <shlobj.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <vector>

#include "common/DayCount.h"
#include "common/Error.h"
#include "common/Text.h"
#include "platform/win32/AccessList.h"
#include "platform/win32/FileSupport.h"
#include "platform/win32/OwnModule.h"

namespace platform {
namespace {

const wchar_t* Wide(std::u16string_view text) { return reinterpret_cast<const wchar_t*>(text.data()); }

char16_t ReadDecimalSeparator() {
    wchar_t buffer[8] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8) > 0 && buffer[0] != 0) {
        return static_cast<char16_t>(buffer[0]);
    }
    return u'.';
}

std::atomic<char16_t>& DecimalSeparatorSlot() {
    static std::atomic<char16_t> separator{ReadDecimalSeparator()};
    return separator;
}

bool Compare(std::u16string_view a, std::u16string_view b, DWORD flags) {
    return CompareStringW(LOCALE_USER_DEFAULT, flags, Wide(a), static_cast<int>(a.size()), Wide(b),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

std::u16string Format(int length, auto&& format) {
    std::u16string text(static_cast<size_t>(length > 0 ? length : 1), u'\0');
    const int written = format(reinterpret_cast<wchar_t*>(text.data()), length);
    text.resize(written > 0 ? static_cast<size_t>(written - 1) : 0);
    return text;
}

}  // namespace

bool SameTextLocale(std::u16string_view a, std::u16string_view b) { return Compare(a, b, 0); }

bool SameTextIgnoreCase(std::u16string_view a, std::u16string_view b) { return Compare(a, b, NORM_IGNORECASE); }

char16_t FoldCase(char16_t c) {
    wchar_t lower = 0;
    const wchar_t upper = static_cast<wchar_t>(c);
    return LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, &upper, 1, &lower, 1, nullptr, nullptr, 0) == 1
               ? static_cast<char16_t>(lower)
               : c;
}

char16_t DecimalSeparator() { return DecimalSeparatorSlot().load(); }
void SetDecimalSeparator(char16_t separator) { DecimalSeparatorSlot().store(separator); }

char16_t TimeSeparator() {
    wchar_t buffer[8] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIME, buffer, 8) > 0 && buffer[0] != 0) {
        return static_cast<char16_t>(buffer[0]);
    }
    return u':';
}

std::u16string DateTimeToText(double dateTime) {
    const TCivilDateTime t = SplitDayCount(dateTime);
    // The system formats no date before 1601. The Gregorian calendar repeats
    // every 400 years, weekdays included, so such a date is formatted 1600
    // years later and its year written back; two-digit years are the same.
    const int shift = t.year < 1601 ? 1600 : 0;
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(t.year + shift), st.wMonth = static_cast<WORD>(t.month), st.wDay = static_cast<WORD>(t.day);
    st.wHour = static_cast<WORD>(t.hour), st.wMinute = static_cast<WORD>(t.minute), st.wSecond = static_cast<WORD>(t.second);
    auto date = Format(GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, nullptr, 0),
                       [&](wchar_t* p, int n) { return GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, p, n); });
    if (shift != 0) {
        const std::u16string shifted = IntToText(st.wYear);
        if (const size_t at = date.find(shifted); at != std::u16string::npos) {
            std::u16string year = IntToText(t.year);
            date.replace(at, shifted.size(), std::u16string(4 - year.size(), u'0') + year);
        }
    }
    auto time = Format(GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, nullptr, 0),
                       [&](wchar_t* p, int n) { return GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, p, n); });
    return date + u" " + time;
}

namespace {

const wchar_t* W(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
std::u16string U(const wchar_t* text) { return text ? std::u16string(reinterpret_cast<const char16_t*>(text)) : std::u16string(); }

[[noreturn]] void RaiseOSError(DWORD error) {
    if (error == 0) throw EComponentError(u"A call to an OS function failed");
    throw EComponentError(u"System Error.  Code: " + IntToText(error) + u".\r\n" + SystemText(error));
}

// A file handle, or null when CreateFileW failed (GetLastError tells why).
UniqueHandle OpenFile(const std::u16string& path, DWORD access, DWORD share, DWORD disposition) {
    HANDLE h = CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), access, share, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    return UniqueHandle(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

struct LocalFreer {
    void operator()(void* p) const { LocalFree(p); }
};
struct SidFreer {
    void operator()(void* p) const { FreeSid(p); }
};

void WriteAll(HANDLE file, std::string_view bytes) {
    DWORD written = 0;
    // A short write is not detected: the line is either there or the disk is full.
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

}  // namespace platform

HMODULE win::OwnModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&OwnModule), &module);
    return module;
}

namespace platform {

using win::OwnModule;

LocalTime Now() {
    SYSTEMTIME st{};
    GetLocalTime(&st);
    return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

std::u16string CommonAppDataPath() {
    wchar_t buffer[MAX_PATH + 1] = {};
    if (!SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_COMMON_APPDATA, TRUE)) {
        throw EComponentError(u"The common application data folder cannot be found");
    }
    std::u16string path = U(buffer);
    if (path.empty() || path.back() != kPathSeparator) path += kPathSeparator;
    return path;
}

std::u16string ModuleLongPath() {
    wchar_t name[MAX_PATH + 1] = {};
    if (GetModuleFileNameW(OwnModule(), name, MAX_PATH) == 0) return {};
    wchar_t longName[MAX_PATH + 1] = {};
    const DWORD n = GetLongPathNameW(name, longName, MAX_PATH);
    return n > 0 && n <= MAX_PATH ? U(longName) : std::u16string();
}

TFileVersion GetFileVersion(const std::u16string& path) {
    TFileVersion version;
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(W(path), &handle);
    if (size == 0) return version;
    std::vector<unsigned char> data(size);
    if (!GetFileVersionInfoW(W(path), 0, size, data.data())) return version;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info ||
        length < sizeof(VS_FIXEDFILEINFO)) {
        return version;
    }
    version.Major = HIWORD(info->dwFileVersionMS);
    version.Minor = LOWORD(info->dwFileVersionMS);
    version.Release = HIWORD(info->dwFileVersionLS);
    version.Build = LOWORD(info->dwFileVersionLS);
    return version;
}

// Windows has its version numbers; the log header names the system from them.
std::u16string OSDescription() { return {}; }

long ProcessId() { return static_cast<long>(GetCurrentProcessId()); }

std::optional<OSVersionRecord> QueryOSVersion() {
    // GetVersionExW answers a process without a compatibility manifest with
    // 6.2 on every later system, and a DLL cannot supply the host's manifest;
    // RtlGetVersion reports the real numbers.
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    const auto rtlGetVersion =
        reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!rtlGetVersion || rtlGetVersion(&info) != 0) return std::nullopt;
    OSVersionRecord record;
    record.major = info.dwMajorVersion;
    record.minor = info.dwMinorVersion;
    record.build = info.dwBuildNumber;
    record.platformId = info.dwPlatformId;
    record.servicePack = U(info.szCSDVersion);
    return record;
}

bool DirectoryExists(const std::u16string& path) {
    const DWORD attributes = GetFileAttributesW(W(path));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void CreateLogDirectory(const std::u16string& path) {
    const bool unc = path.size() >= 2 && path[0] == u'\\' && path[1] == u'\\';
    if (!unc && path.size() >= 2 && path[1] == u':' && !DirectoryExists(path.substr(0, 2) + u"\\")) {
        throw EComponentError(u"The drive cannot be found");
    }
    // Every missing folder from the top down; failures show up in the grant below.
    for (size_t pos = unc ? 2 : 3; pos <= path.size(); ++pos) {
        if (pos == path.size() || path[pos] == u'\\') {
            const std::u16string part = path.substr(0, pos);
            if (!part.empty() && !DirectoryExists(part)) CreateDirectoryW(W(part), nullptr);
        }
    }
    GrantDirectoryAccess(path);
}

void GrantDirectoryAccess(const std::u16string& path) {
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID rawSid = nullptr;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &rawSid)) RaiseOSError(GetLastError());
    std::unique_ptr<void, SidFreer> everyone(rawSid);

    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR rawDescriptor = nullptr;
    const DWORD read = GetNamedSecurityInfoW(W(path), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                             nullptr, &rawDescriptor);
    if (read != ERROR_SUCCESS) RaiseOSError(read);
    std::unique_ptr<void, LocalFreer> descriptor(rawDescriptor);
    if (!dacl) return;  // a null list admits everyone already

    const UniqueAccessList merged = WithEveryoneFullControl(dacl, everyone.get());
    if (!merged) return;
    SetNamedSecurityInfoW(const_cast<LPWSTR>(W(path)), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                          merged.get(), nullptr);
}

UniqueAccessList WithEveryoneFullControl(PACL list, PSID everyone) {
    for (DWORD i = 0; list && i < list->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(list, i, &ace)) continue;
        // Allowed and denied entries share the layout: header, mask, SID.
        auto* entry = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        if (EqualSid(&entry->SidStart, everyone) && entry->Mask == GENERIC_ALL) return nullptr;
    }
    EXPLICIT_ACCESS_W access{};
    access.grfAccessPermissions = GENERIC_ALL;
    access.grfAccessMode = GRANT_ACCESS;
    access.grfInheritance = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    access.Trustee.MultipleTrusteeOperation = NO_MULTIPLE_TRUSTEE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    access.Trustee.ptstrName = static_cast<LPWSTR>(everyone);
    PACL merged = nullptr;
    const DWORD result = SetEntriesInAclW(1, &access, list, &merged);
    if (result != ERROR_SUCCESS) RaiseOSError(result);
    return UniqueAccessList(merged);
}

void AppendToFile(const std::u16string& path, std::string_view bytes) {
    // Another process of the host may be appending to the same daily file; its
    // share mode refuses us only for the moment of one line, so wait for it.
    constexpr DWORD kRetryMs = 1000;
    const DWORD start = GetTickCount();
    for (;;) {
        const bool existed = GetFileAttributesW(W(path)) != INVALID_FILE_ATTRIBUTES;
        UniqueHandle file = OpenFile(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, existed ? OPEN_EXISTING : CREATE_NEW);
        if (file) {
            SetFilePointer(file.get(), 0, nullptr, FILE_END);
            WriteAll(file.get(), bytes);
            return;
        }
        const DWORD error = GetLastError();
        const bool transient = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
                               (error == ERROR_FILE_EXISTS && !existed) || (error == ERROR_FILE_NOT_FOUND && existed);
        if (!transient || GetTickCount() - start >= kRetryMs) {
            RaiseFileError(existed ? u"Cannot open file" : u"Cannot create file", path, error);
        }
        Sleep(error == ERROR_SHARING_VIOLATION ? 1 : 0);
    }
}

void WriteWholeFile(const std::u16string& path, std::string_view bytes) {
    UniqueHandle file = OpenFile(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS);
    if (!file) RaiseFileError(u"Cannot create file", path, GetLastError());
    WriteAll(file.get(), bytes);
}

}  // namespace platform
