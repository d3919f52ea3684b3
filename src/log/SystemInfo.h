// The texts of the log header: the operating system's name and version, and
// the component's own file name and version.
#pragma once

#include <optional>
#include <string>

#include "platform/Platform.h"

// "Windows 10 (10.0.19045)", "Windows 7 Service Pack 1 (6.1.7601)", or
// "Unknown " when the version query failed.
std::u16string OSVersionName(const std::optional<platform::OSVersionRecord>& record);
std::u16string GetOSVersionName();

// "%d.%d.%d.%d" in the order Major, Minor, Release, Build.
std::u16string FormatFileVersion(const platform::TFileVersion& version);
// The component's own file version as text ("0.0.0.0" without a version record).
std::u16string FileVersionToString(const std::u16string& fileName = {});

// The file name without folder (and without extension when asked).
std::u16string ExtractFileName(const std::u16string& path, bool withoutExtension = false);
