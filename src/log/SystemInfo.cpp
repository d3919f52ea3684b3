#include "log/SystemInfo.h"

#include "common/Text.h"

namespace {

const char16_t* const kOSNames[] = {u"Unknown",      u"Windows 95",    u"Windows 98",   u"Windows ME",
                                    u"Windows NT 3", u"Windows NT 4",  u"Windows 2000", u"Windows XP",
                                    u"Windows 2003", u"Windows Vista", u"Windows 7",    u"Windows 8.0",
                                    u"Windows 8.1",  u"Windows 10"};

int Classify(const platform::OSVersionRecord& v) {
    constexpr uint32_t kPlatformNT = 2;
    switch (v.major) {
        case 3: return 4;
        case 4:
            if (v.minor == 0) return v.platformId == kPlatformNT ? 5 : 1;
            if (v.minor == 10) return 2;
            if (v.minor == 90) return 3;
            return 0;
        case 5: return v.minor <= 2 ? 6 + static_cast<int>(v.minor) : 0;
        case 6: return v.minor <= 3 ? 9 + static_cast<int>(v.minor) : 0;
        case 10: return v.minor == 0 ? 13 : 0;
        default: return 0;
    }
}

}  // namespace

std::u16string OSVersionName(const std::optional<platform::OSVersionRecord>& record) {
    if (!record) return std::u16string(kOSNames[0]) + u" ";
    std::u16string detail;
    if (!record->servicePack.empty()) detail = record->servicePack + u" ";
    detail += u"(" + IntToText(record->major) + u"." + IntToText(record->minor) + u"." + IntToText(record->build) + u")";
    return std::u16string(kOSNames[Classify(*record)]) + u" " + detail;
}

std::u16string GetOSVersionName() {
    const std::u16string description = platform::OSDescription();
    return description.empty() ? OSVersionName(platform::QueryOSVersion()) : description;
}

std::u16string FormatFileVersion(const platform::TFileVersion& v) {
    return IntToText(v.Major) + u"." + IntToText(v.Minor) + u"." + IntToText(v.Release) + u"." + IntToText(v.Build);
}

std::u16string FileVersionToString(const std::u16string& fileName) {
    const std::u16string path = fileName.empty() ? platform::ModuleLongPath() : fileName;
    return FormatFileVersion(path.empty() ? platform::TFileVersion{} : platform::GetFileVersion(path));
}

std::u16string ExtractFileName(const std::u16string& path, bool withoutExtension) {
    const size_t slash = path.find_last_of(u"\\/:");
    std::u16string name = slash == std::u16string::npos ? path : path.substr(slash + 1);
    if (withoutExtension) {
        const size_t dot = name.rfind(u'.');
        if (dot != std::u16string::npos) name.resize(dot);
    }
    return name;
}
