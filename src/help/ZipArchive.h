// Unpacking of the help archive: a standard zip file whose members are
// stored or deflated, read with zlib's minizip.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Extracts every member of a zip archive held in memory into a folder,
// keeping the members' folder structure. Fails on a damaged archive or
// member, and on a member name that would land outside the folder.
void ExtractZipArchive(std::string_view AArchive, const std::u16string& AFolder);

struct TZipMemberInfo {
    std::u16string Name;  // as stored, with "/" between folders
    int Method = 0;       // 0 stored, 8 deflated
    uint64_t Size = 0;    // uncompressed
};
// The members of an archive in their stored order.
std::vector<TZipMemberInfo> ListZipArchive(std::string_view AArchive);
