#include "platform/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sys/random.h>
#include <system_error>

#include "common/Error.h"
#include "common/Text.h"
#include "platform/posix/FileSupport.h"

namespace platform {
namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

struct IconvCloser {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

const char* IconvName(uint32_t codePage) {
    switch (codePage) {
    case 1251: return "CP1251";
    case 866: return "CP866";
    case 1252: return "CP1252";
    case 437: return "CP437";
    }
    return nullptr;
}

}  // namespace

std::u16string TempFolder() {
    const char* configured = std::getenv("TMPDIR");
    std::u16string path = FromUtf8(configured && *configured ? configured : "/tmp");
    while (path.size() > 1 && path.back() == u'/') path.pop_back();
    return path;
}

std::u16string NewGuidText() {
    // getrandom rather than std::random_device, whose glibc entry point
    // (arc4random) is newer than the clients the component loads on.
    uint8_t bytes[16];
    size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw EComponentError(u"System Error.  Code: " + IntToText(errno) + u".\r\n" + SystemText(errno));
        got += static_cast<size_t>(n);
    }
    bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4: random
    bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80);  // the standard's variant
    char text[39];
    std::snprintf(text, sizeof text, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", bytes[0],
                  bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6], bytes[7], bytes[8], bytes[9], bytes[10],
                  bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
    return Widen(text);
}

bool IsRootedPath(std::u16string_view path) { return !path.empty() && path[0] == u'/'; }

bool FileExists(const std::u16string& path) {
    struct stat info {};
    return ::stat(Narrow(path).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

std::vector<TFolderEntry> ListFolder(const std::u16string& folder) {
    std::vector<TFolderEntry> entries;
    const std::string narrow = Narrow(folder);
    std::unique_ptr<DIR, DirCloser> dir(::opendir(narrow.c_str()));
    if (!dir) RaiseFileError(u"Cannot list folder", folder, errno);
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat info {};
        const bool folderEntry = ::stat((narrow + '/' + std::string(name)).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        entries.push_back({FromUtf8(name), folderEntry});
    }
    return entries;
}

void CreateFolders(const std::u16string& path) {
    std::error_code error;
    std::filesystem::create_directories(Narrow(path), error);
    if (error) RaiseFileError(u"Cannot create folder", path, error.value());
}

bool DeleteFolderTree(const std::u16string& path) noexcept {
    try {
        std::error_code error;
        std::filesystem::remove_all(Narrow(path), error);
        return !error;
    } catch (...) {
        return false;
    }
}

// POSIX has no share modes: readers never keep writers out.
std::string ReadWholeFile(const std::u16string& path, TShareMode) {
    Descriptor file(::open(Narrow(path).c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) RaiseFileError(u"Cannot open file", path, errno);
    struct stat info {};
    if (::fstat(file.get(), &info) == 0 && S_ISDIR(info.st_mode)) RaiseFileError(u"Cannot open file", path, EISDIR);
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(file.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) RaiseFileError(u"Cannot read file", path, errno);
        if (n == 0) break;
        bytes.append(buffer, static_cast<size_t>(n));
    }
    return bytes;
}

void CreateFileWithBytes(const std::u16string& path, std::string_view bytes) {
    Descriptor file(::open(Narrow(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (file.get() < 0) RaiseFileError(u"Cannot create file", path, errno);
    while (!bytes.empty()) {
        const ssize_t n = ::write(file.get(), bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw EComponentError(u"Stream write error");
        bytes.remove_prefix(static_cast<size_t>(n));
    }
}

std::optional<int64_t> FileWriteTime(const std::u16string& path) {
    struct stat info {};
    if (::stat(Narrow(path).c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return std::nullopt;
    return static_cast<int64_t>(info.st_mtim.tv_sec) * 10000000 + info.st_mtim.tv_nsec / 100;
}

std::u16string DecodeCodePage(std::string_view bytes, uint32_t codePage) {
    const char* name = IconvName(codePage);
    if (!name) return FromUtf8(bytes);  // 65001, and code pages this build does not know
    const iconv_t opened = iconv_open("UTF-16LE", name);
    if (opened == reinterpret_cast<iconv_t>(-1)) return FromUtf8(bytes);
    std::unique_ptr<void, IconvCloser> cd(opened);
    std::u16string text;
    text.reserve(bytes.size());
    std::string input(bytes);
    char* in = input.data();
    size_t inLeft = input.size();
    char buffer[4096];
    while (inLeft > 0) {
        char* out = buffer;
        size_t outLeft = sizeof buffer;
        const size_t result = iconv(static_cast<iconv_t>(cd.get()), &in, &inLeft, &out, &outLeft);
        for (const char* p = buffer; p + 1 < out; p += 2) {
            text += static_cast<char16_t>(static_cast<unsigned char>(p[0]) | static_cast<unsigned char>(p[1]) << 8);
        }
        if (result == static_cast<size_t>(-1) && errno != E2BIG) {
            // A byte the code page leaves undefined keeps its own code, as on Windows.
            text += static_cast<char16_t>(static_cast<unsigned char>(*in));
            ++in;
            --inLeft;
        }
    }
    return text;
}

}  // namespace platform
