#include "help/ZipArchive.h"

#include <minizip/unzip.h>

#include <cstring>
#include <memory>

#include "common/Error.h"
#include "common/Text.h"
#include "platform/Files.h"
#include "platform/Platform.h"

namespace {

// minizip reads through callbacks; these serve it the archive from memory.
// The "file name" that unzOpen2_64 passes on is the stream itself.
struct TMemoryStream {
    std::string_view bytes;
    uint64_t position = 0;
};

voidpf ZCALLBACK OpenStream(voidpf, const void* name, int) { return const_cast<void*>(name); }

uLong ZCALLBACK ReadStream(voidpf, voidpf stream, void* buffer, uLong size) {
    auto& memory = *static_cast<TMemoryStream*>(stream);
    const uint64_t left = memory.position < memory.bytes.size() ? memory.bytes.size() - memory.position : 0;
    const uLong count = static_cast<uLong>(size < left ? size : left);
    if (count) std::memcpy(buffer, memory.bytes.data() + memory.position, count);
    memory.position += count;
    return count;
}

uLong ZCALLBACK WriteStream(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK TellStream(voidpf, voidpf stream) { return static_cast<TMemoryStream*>(stream)->position; }

long ZCALLBACK SeekStream(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto& memory = *static_cast<TMemoryStream*>(stream);
    uint64_t base = 0;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: base = 0; break;
    case ZLIB_FILEFUNC_SEEK_CUR: base = memory.position; break;
    case ZLIB_FILEFUNC_SEEK_END: base = memory.bytes.size(); break;
    default: return -1;
    }
    if (offset > memory.bytes.size() || base + offset > memory.bytes.size()) return -1;
    memory.position = base + offset;
    return 0;
}

int ZCALLBACK CloseStream(voidpf, voidpf) { return 0; }
int ZCALLBACK StreamError(voidpf, voidpf) { return 0; }

struct ZipCloser {
    void operator()(void* file) const { unzClose(file); }
};
using UniqueZip = std::unique_ptr<void, ZipCloser>;

// The open archive and the stream it reads: the stream must outlive the handle.
class TZipReader {
public:
    explicit TZipReader(std::string_view archive) : FStream{archive} {
        zlib_filefunc64_def functions{};
        functions.zopen64_file = OpenStream;
        functions.zread_file = ReadStream;
        functions.zwrite_file = WriteStream;
        functions.ztell64_file = TellStream;
        functions.zseek64_file = SeekStream;
        functions.zclose_file = CloseStream;
        functions.zerror_file = StreamError;
        FZip.reset(unzOpen2_64(&FStream, &functions));
        if (!FZip) throw EComponentError(u"The zip archive is damaged");
    }

    unzFile Handle() const { return FZip.get(); }

    // Calls visit(name, info) for every member in stored order, the member
    // being the archive's current one meanwhile.
    template <class Visit>
    void ForEachMember(Visit&& visit) {
        for (int status = unzGoToFirstFile(Handle()); status != UNZ_END_OF_LIST_OF_FILE;
             status = unzGoToNextFile(Handle())) {
            if (status != UNZ_OK) throw EComponentError(u"The zip archive is damaged");
            unz_file_info64 info{};
            if (unzGetCurrentFileInfo64(Handle(), &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
                throw EComponentError(u"The zip archive is damaged");
            }
            std::string raw(info.size_filename, '\0');
            unzGetCurrentFileInfo64(Handle(), &info, raw.data(), static_cast<uLong>(raw.size()), nullptr, 0, nullptr, 0);
            // Names are UTF-8 when the archiver says so (bit 11) and, in the
            // archives this component carries, plain ASCII otherwise.
            visit(FromUtf8(raw), info);
        }
    }

private:
    TMemoryStream FStream;
    UniqueZip FZip;
};

// The member's path parts; a name that climbs out of the folder, or names a
// drive or a root, is refused.
std::vector<std::u16string> SplitMemberName(const std::u16string& name) {
    std::vector<std::u16string> parts;
    std::u16string part;
    auto flush = [&] {
        if (part == u"..") throw EComponentError(u"The zip archive names a file outside its folder: " + name);
        if (!part.empty() && part != u".") parts.push_back(part);
        part.clear();
    };
    if (!name.empty() && (name[0] == u'/' || name[0] == u'\\')) {
        throw EComponentError(u"The zip archive names a file outside its folder: " + name);
    }
    for (const char16_t c : name) {
        if (c == u'/' || c == u'\\') {
            flush();
        } else if (c == u':') {
            throw EComponentError(u"The zip archive names a file outside its folder: " + name);
        } else {
            part += c;
        }
    }
    flush();
    return parts;
}

std::string ReadCurrentMember(unzFile zip, const std::u16string& name, uint64_t size) {
    if (unzOpenCurrentFile(zip) != UNZ_OK) throw EComponentError(u"Cannot extract \"" + name + u"\" from the zip archive");
    std::string bytes;
    bytes.reserve(static_cast<size_t>(size));
    char buffer[65536];
    int read = 0;
    while ((read = unzReadCurrentFile(zip, buffer, sizeof buffer)) > 0) bytes.append(buffer, static_cast<size_t>(read));
    // Closing checks the CRC of what was read.
    const int closed = unzCloseCurrentFile(zip);
    if (read < 0 || closed != UNZ_OK) throw EComponentError(u"Cannot extract \"" + name + u"\" from the zip archive");
    return bytes;
}

}  // namespace

void ExtractZipArchive(std::string_view AArchive, const std::u16string& AFolder) {
    TZipReader reader(AArchive);
    reader.ForEachMember([&](const std::u16string& name, const unz_file_info64& info) {
        const std::vector<std::u16string> parts = SplitMemberName(name);
        if (parts.empty()) return;
        std::u16string path = AFolder;
        for (size_t i = 0; i + 1 < parts.size(); ++i) path += platform::kPathSeparator + parts[i];
        const bool folderEntry = name.back() == u'/' || name.back() == u'\\';
        if (folderEntry) {
            platform::CreateFolders(path + platform::kPathSeparator + parts.back());
            return;
        }
        platform::CreateFolders(path);
        platform::CreateFileWithBytes(path + platform::kPathSeparator + parts.back(),
                                      ReadCurrentMember(reader.Handle(), name, info.uncompressed_size));
    });
}

std::vector<TZipMemberInfo> ListZipArchive(std::string_view AArchive) {
    std::vector<TZipMemberInfo> members;
    TZipReader reader(AArchive);
    reader.ForEachMember([&](const std::u16string& name, const unz_file_info64& info) {
        members.push_back({name, static_cast<int>(info.compression_method), info.uncompressed_size});
    });
    return members;
}
