#include "help/HelpTestSupport.h"

#include <minizip/zip.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#endif

#include "common/Text.h"
#include "platform/Files.h"
#include "platform/Platform.h"

namespace {

// minizip writes through callbacks; these keep the archive in a string.
struct MemoryFile {
    std::string* bytes;
    uint64_t position = 0;
};

voidpf ZCALLBACK OpenMemory(voidpf, const void* name, int) { return const_cast<void*>(name); }

uLong ZCALLBACK ReadMemory(voidpf, voidpf stream, void* buffer, uLong size) {
    auto& file = *static_cast<MemoryFile*>(stream);
    const uint64_t left = file.position < file.bytes->size() ? file.bytes->size() - file.position : 0;
    const uLong count = static_cast<uLong>(std::min<uint64_t>(size, left));
    if (count) std::memcpy(buffer, file.bytes->data() + file.position, count);
    file.position += count;
    return count;
}

uLong ZCALLBACK WriteMemory(voidpf, voidpf stream, const void* buffer, uLong size) {
    auto& file = *static_cast<MemoryFile*>(stream);
    if (file.bytes->size() < file.position + size) file.bytes->resize(file.position + size);
    std::memcpy(file.bytes->data() + file.position, buffer, size);
    file.position += size;
    return size;
}

ZPOS64_T ZCALLBACK TellMemory(voidpf, voidpf stream) { return static_cast<MemoryFile*>(stream)->position; }

long ZCALLBACK SeekMemory(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto& file = *static_cast<MemoryFile*>(stream);
    const uint64_t base = origin == ZLIB_FILEFUNC_SEEK_CUR ? file.position
                          : origin == ZLIB_FILEFUNC_SEEK_END ? file.bytes->size()
                                                             : 0;
    file.position = base + offset;
    return 0;
}

int ZCALLBACK CloseMemory(voidpf, voidpf) { return 0; }
int ZCALLBACK ErrorMemory(voidpf, voidpf) { return 0; }

std::optional<std::u16string> GetEnv(const std::u16string& name) {
#ifdef _WIN32
    const auto* wide = reinterpret_cast<const wchar_t*>(name.c_str());
    const DWORD size = GetEnvironmentVariableW(wide, nullptr, 0);
    if (size == 0) return std::nullopt;
    std::u16string value(size, u'\0');
    const DWORD length = GetEnvironmentVariableW(wide, reinterpret_cast<wchar_t*>(value.data()), size);
    value.resize(length);
    return value;
#else
    const char* value = std::getenv(ToUtf8(name).c_str());
    if (!value) return std::nullopt;
    return FromUtf8(value);
#endif
}

void SetEnv(const std::u16string& name, const std::optional<std::u16string>& value) {
#ifdef _WIN32
    SetEnvironmentVariableW(reinterpret_cast<const wchar_t*>(name.c_str()),
                            value ? reinterpret_cast<const wchar_t*>(value->c_str()) : nullptr);
#else
    if (value) {
        setenv(ToUtf8(name).c_str(), ToUtf8(*value).c_str(), 1);
    } else {
        unsetenv(ToUtf8(name).c_str());
    }
#endif
}

#ifdef _WIN32
const char16_t* const kTempVariables[] = {u"TMP", u"TEMP"};
#else
const char16_t* const kTempVariables[] = {u"TMPDIR"};
#endif

std::u16string NewTestFolder(const char* purpose) {
    std::u16string path = platform::TempFolder() + platform::kPathSeparator + u"mcr-test-" + Widen(purpose) + u"-" +
                          platform::NewGuidText();
    platform::CreateFolders(path);
    return path;
}

}  // namespace

std::u16string U16(const std::string& utf8) { return FromUtf8(utf8); }

std::string MakeZip(const std::vector<TZipMember>& members) {
    std::string bytes;
    MemoryFile file{&bytes};
    zlib_filefunc64_def functions{};
    functions.zopen64_file = OpenMemory;
    functions.zread_file = ReadMemory;
    functions.zwrite_file = WriteMemory;
    functions.ztell64_file = TellMemory;
    functions.zseek64_file = SeekMemory;
    functions.zclose_file = CloseMemory;
    functions.zerror_file = ErrorMemory;
    zipFile zip = zipOpen2_64(&file, APPEND_STATUS_CREATE, nullptr, &functions);
    if (!zip) throw std::runtime_error("zipOpen2_64 failed");
    for (const TZipMember& member : members) {
        zip_fileinfo info{};
        const int method = member.Deflate ? Z_DEFLATED : 0;
        // Bit 11: the name is UTF-8.
        if (zipOpenNewFileInZip4_64(zip, member.Name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, method,
                                    Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0,
                                    0, 1 << 11, 0) != ZIP_OK ||
            zipWriteInFileInZip(zip, member.Bytes.data(), static_cast<unsigned>(member.Bytes.size())) != ZIP_OK ||
            zipCloseFileInZip(zip) != ZIP_OK) {
            zipClose(zip, nullptr);
            throw std::runtime_error("writing a zip member failed");
        }
    }
    if (zipClose(zip, nullptr) != ZIP_OK) throw std::runtime_error("zipClose failed");
    return bytes;
}

ScopedTempFolder::ScopedTempFolder() : FPath(NewTestFolder("temp")) {
    for (const char16_t* name : kTempVariables) {
        FSaved.emplace_back(name, GetEnv(name));
        SetEnv(name, FPath);
    }
}

ScopedTempFolder::~ScopedTempFolder() {
    for (const auto& [name, value] : FSaved) SetEnv(name, value);
    platform::DeleteFolderTree(FPath);
}

std::vector<std::u16string> ScopedTempFolder::Entries() const {
    std::vector<std::u16string> names;
    for (const platform::TFolderEntry& entry : platform::ListFolder(FPath)) names.push_back(entry.Name);
    std::sort(names.begin(), names.end());
    return names;
}

ScopedFolder::ScopedFolder(const char* purpose) : FPath(NewTestFolder(purpose)) {}

ScopedFolder::~ScopedFolder() { platform::DeleteFolderTree(FPath); }

std::u16string ScopedFolder::File(const std::u16string& name) const {
    return FPath + platform::kPathSeparator + name;
}
