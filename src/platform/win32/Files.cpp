#include "platform/Files.h"

#include <objbase.h>
#include <windows.h>

#include <algorithm>
#include <memory>

#include "common/Error.h"
#include "common/Text.h"
#include "platform/win32/FileSupport.h"

namespace platform {
namespace {

const wchar_t* W(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

struct FindCloser {
    void operator()(HANDLE handle) const { FindClose(handle); }
};
using UniqueFind = std::unique_ptr<void, FindCloser>;

std::u16string Join(const std::u16string& folder, const std::u16string& name) {
    if (!folder.empty() && (folder.back() == u'\\' || folder.back() == u'/')) return folder + name;
    return folder + u'\\' + name;
}

bool IsDots(const wchar_t* name) { return name[0] == L'.' && (!name[1] || (name[1] == L'.' && !name[2])); }

bool DeleteTree(const std::u16string& path) {
    WIN32_FIND_DATAW found{};
    UniqueFind find(FindFirstFileW(W(Join(path, u"*")), &found));
    if (find.get() == INVALID_HANDLE_VALUE) find.release();
    bool complete = true;
    if (find) {
        do {
            if (IsDots(found.cFileName)) continue;
            const std::u16string child = Join(path, reinterpret_cast<const char16_t*>(found.cFileName));
            // A read-only mark would refuse the delete of a file that is ours to remove.
            if (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
                SetFileAttributesW(W(child), found.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
            }
            const bool link = found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !link) {
                complete = DeleteTree(child) && complete;
            } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                complete = RemoveDirectoryW(W(child)) && complete;  // the link only, never what it points to
            } else {
                complete = DeleteFileW(W(child)) && complete;
            }
        } while (FindNextFileW(find.get(), &found));
    }
    return RemoveDirectoryW(W(path)) && complete;
}

}  // namespace

std::u16string TempFolder() {
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH) {
        throw EComponentError(u"The temporary folder cannot be found. " + SystemText(GetLastError()));
    }
    std::u16string path(reinterpret_cast<const char16_t*>(buffer), length);
    while (path.size() > 3 && (path.back() == u'\\' || path.back() == u'/')) path.pop_back();
    return path;
}

std::u16string NewGuidText() {
    GUID guid{};
    const HRESULT created = CoCreateGuid(&guid);
    if (FAILED(created)) throw EComponentError(u"A GUID cannot be created. " + SystemText(static_cast<DWORD>(created)));
    wchar_t text[40];
    const int length = StringFromGUID2(guid, text, 40);  // counts the terminating zero
    return std::u16string(reinterpret_cast<const char16_t*>(text), length > 0 ? static_cast<size_t>(length - 1) : 0);
}

bool IsRootedPath(std::u16string_view path) {
    if (!path.empty() && (path[0] == u'\\' || path[0] == u'/')) return true;
    return path.size() >= 2 && path[1] == u':';
}

bool FileExists(const std::u16string& path) {
    const DWORD attributes = GetFileAttributesW(W(path));
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<TFolderEntry> ListFolder(const std::u16string& folder) {
    std::vector<TFolderEntry> entries;
    WIN32_FIND_DATAW found{};
    UniqueFind find(FindFirstFileW(W(Join(folder, u"*")), &found));
    if (find.get() == INVALID_HANDLE_VALUE) {
        find.release();
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return entries;  // empty
        RaiseFileError(u"Cannot list folder", folder, error);
    }
    do {
        if (IsDots(found.cFileName)) continue;
        entries.push_back({reinterpret_cast<const char16_t*>(found.cFileName),
                           (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileW(find.get(), &found));
    return entries;
}

void CreateFolders(const std::u16string& path) {
    if (path.empty()) return;
    const DWORD attributes = GetFileAttributesW(W(path));
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    const size_t cut = path.find_last_of(u"\\/");
    // Stops at a drive ("C:") or a share root, which exist or fail below.
    if (cut != std::u16string::npos && cut > 0 && path[cut - 1] != u':' && path[cut - 1] != u'\\') {
        CreateFolders(path.substr(0, cut));
    }
    if (!CreateDirectoryW(W(path), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        RaiseFileError(u"Cannot create folder", path, GetLastError());
    }
}

bool DeleteFolderTree(const std::u16string& path) noexcept {
    try {
        const DWORD attributes = GetFileAttributesW(W(path));
        if (attributes == INVALID_FILE_ATTRIBUTES) return true;
        return DeleteTree(path);
    } catch (...) {
        return false;
    }
}

std::string ReadWholeFile(const std::u16string& path, TShareMode share) {
    const DWORD shareMode = share == TShareMode::DenyNone ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
    HANDLE opened = CreateFileW(W(path), GENERIC_READ, shareMode, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) RaiseFileError(u"Cannot open file", path, GetLastError());
    UniqueHandle file(opened);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) RaiseFileError(u"Cannot read file", path, GetLastError());
    std::string bytes;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    // A writer may append while we read: what is read is what counts.
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        if (!ReadFile(file.get(), bytes.data() + done, chunk, &read, nullptr)) {
            RaiseFileError(u"Cannot read file", path, GetLastError());
        }
        if (read == 0) break;
        done += read;
    }
    bytes.resize(done);
    return bytes;
}

void CreateFileWithBytes(const std::u16string& path, std::string_view bytes) {
    HANDLE created = CreateFileW(W(path), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                 nullptr);
    if (created == INVALID_HANDLE_VALUE) RaiseFileError(u"Cannot create file", path, GetLastError());
    UniqueHandle file(created);
    while (!bytes.empty()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 20));
        if (!WriteFile(file.get(), bytes.data(), chunk, &written, nullptr) || written == 0) {
            throw EComponentError(u"Stream write error");
        }
        bytes.remove_prefix(written);
    }
}

std::optional<int64_t> FileWriteTime(const std::u16string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(W(path), GetFileExInfoStandard, &data)) return std::nullopt;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
    return static_cast<int64_t>((static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                data.ftLastWriteTime.dwLowDateTime);
}

std::u16string DecodeCodePage(std::string_view bytes, uint32_t codePage) {
    if (bytes.empty()) return {};
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    if (length <= 0) return FromUtf8(bytes);  // a code page this system lacks
    std::u16string text(static_cast<size_t>(length), u'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(text.data()), length);
    return text;
}

}  // namespace platform
