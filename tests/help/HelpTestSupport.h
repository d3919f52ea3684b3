// Helpers of the help and log viewer tests: zip archives built in memory,
// and a temporary folder of the test's own that the system's temporary
// folder points at while the test runs.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

struct TZipMember {
    std::string Name;  // "/" between folders; a trailing "/" makes a folder entry
    std::string Bytes;
    bool Deflate = true;
};
// A zip archive of the members, in order, written by minizip.
std::string MakeZip(const std::vector<TZipMember>& members);

// While it lives, the system's temporary folder (TMP and TEMP on Windows,
// TMPDIR on POSIX) is a new empty folder of its own; afterwards the old
// setting comes back and the folder is deleted.
class ScopedTempFolder {
public:
    ScopedTempFolder();
    ~ScopedTempFolder();
    ScopedTempFolder(const ScopedTempFolder&) = delete;
    ScopedTempFolder& operator=(const ScopedTempFolder&) = delete;
    const std::u16string& Path() const { return FPath; }
    // The names of the folder's entries, sorted.
    std::vector<std::u16string> Entries() const;

private:
    std::u16string FPath;
    std::vector<std::pair<std::u16string, std::optional<std::u16string>>> FSaved;
};

// A folder of the test's own under the real temporary folder, deleted afterwards.
class ScopedFolder {
public:
    explicit ScopedFolder(const char* purpose);
    ~ScopedFolder();
    ScopedFolder(const ScopedFolder&) = delete;
    ScopedFolder& operator=(const ScopedFolder&) = delete;
    const std::u16string& Path() const { return FPath; }  // without trailing separator
    std::u16string File(const std::u16string& name) const;

private:
    std::u16string FPath;
};

std::u16string U16(const std::string& utf8);
