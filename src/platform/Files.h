// Files and folders as the viewers need them: the help page's private
// temporary folder, the members unpacked into it, and the log files that the
// log viewer reads while the log writer appends to them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The system's temporary folder without a trailing separator: GetTempPathW
// on Windows; TMPDIR, or /tmp when it is not set, on POSIX.
std::u16string TempFolder();

// A newly generated GUID in registry form: 38 characters, braces around
// upper-case hexadecimal digits in groups of 8, 4, 4, 4 and 12.
std::u16string NewGuidText();

// True for a path that does not depend on the current folder (a drive or a
// network share on Windows, a leading separator on POSIX).
bool IsRootedPath(std::u16string_view path);

bool FileExists(const std::u16string& path);

struct TFolderEntry {
    std::u16string Name;  // without folder
    bool IsFolder = false;
};
// Every entry of a folder, hidden and system ones included ("." and ".."
// left out), in the order in which the system enumerates them.
std::vector<TFolderEntry> ListFolder(const std::u16string& folder);

// Creates a folder with every missing parent; an existing one is fine.
void CreateFolders(const std::u16string& path);
// Deletes a folder with everything in it. Never fails: a folder that cannot
// be deleted stays, and the answer tells.
bool DeleteFolderTree(const std::u16string& path) noexcept;

enum class TShareMode {
    DenyWrite,  // others may read the file while it is open, not write it
    DenyNone,   // others may also write: how a log file that is being appended to is read
};
// The whole content of a file. Fails with "Cannot open file "<path>". <why>".
std::string ReadWholeFile(const std::u16string& path, TShareMode share);
// Creates a file, replacing one of that name, with the bytes. Fails with
// "Cannot create file "<path>". <why>", or "Stream write error" when the
// write falls short.
void CreateFileWithBytes(const std::u16string& path, std::string_view bytes);

// The last-write time of a file in ticks of 100 ns, on a clock of the
// system's; nothing when there is no such file.
std::optional<int64_t> FileWriteTime(const std::u16string& path);

// Bytes in a Windows code page (65001 for UTF-8, 1251, 866, ...) as UTF-16.
// Never fails: bytes that the code page leaves undefined become the
// characters Windows gives them, broken UTF-8 becomes U+FFFD.
std::u16string DecodeCodePage(std::string_view bytes, uint32_t codePage);

}  // namespace platform
