// The three XML documents that the standard methods hand to the host: the
// driver description, the settings and the additional actions. Each is built
// anew per call; generated documents declare version "1.0" and no encoding,
// since the host receives them as UTF-16 text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "driver/DriverInfo.h"
#include "driver/Export.h"

// DriverDescription with its ten attributes; the log state and folder are
// given by the caller because they are read at the moment of the call.
std::u16string DescriptionDocument(const TDriverInfo& AInfo, bool ALogEnabled, const std::u16string& ALogPath);

// The settings template re-serialized as it is, when there is one (a parse
// error fails with the XML library's message). Without one, a Settings root
// with one Page captioned APageCaption and a Parameter per exported property.
std::u16string SettingsDocument(std::optional<std::string_view> ATemplate, const TExportTable& AExports,
                                const std::u16string& APageCaption);

// An Action per additional-action descriptor, in member order.
std::u16string ActionsDocument(const TExportTable& AExports);
