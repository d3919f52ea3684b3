// Writes the documents that the drivers hand to the host into a folder, as
// UTF-8 files, so that a second parser can check them against the schemas:
//
//   write_documents FOLDER
//
// Beside the real documents it writes "bad_" copies with one deliberate
// fault each, which the schemas must refuse.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/Text.h"
#include "driver/Documents.h"
#include "driver/TestDrivers.h"
#include "emulator/Driver.h"
#include "napi/Component.h"
#include "platform/Resources.h"
#include "resources/ResourceIds.h"

namespace {

namespace fs = std::filesystem;

void Write(const fs::path& folder, const char* name, const std::u16string& document) {
    std::ofstream out(folder / (std::string(name) + ".xml"), std::ios::binary);
    out << ToUtf8(document);
    if (!out) throw std::runtime_error(std::string("cannot write ") + name);
}

std::u16string Replaced(std::u16string text, std::u16string_view from, std::u16string_view to) {
    const size_t at = text.find(from);
    if (at == std::u16string::npos) throw std::runtime_error("nothing to break: " + ToUtf8(from));
    return text.replace(at, from.size(), to);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_documents FOLDER\n");
        return 2;
    }
    try {
        const fs::path folder = argv[1];
        fs::create_directories(folder);
        ComponentLoad();
        RegisterDrivers();
        auto driver = NewDriver<TDriver>();
        const std::u16string description = driver->GetDescriptionXML();
        const std::u16string settings = driver->GetParametersXML();
        const std::u16string actions = driver->GetActionsXML();
        const std::u16string caption = platform::LoadResString(MCR_IDS_PARAMETERS);

        Write(folder, "description", description);
        Write(folder, "settings", settings);
        Write(folder, "settings_generated", SettingsDocument(std::nullopt, TSampleDriver::Exports, caption));
        Write(folder, "settings_empty", SettingsDocument(std::nullopt, TBareDriver::Exports, caption));
        Write(folder, "actions", actions);

        Write(folder, "bad_description", Replaced(description, u"СчитывательМагнитныхКарт", u"Считыватель"));
        Write(folder, "bad_settings", Replaced(settings, u"TypeValue=\"Number\"", u"TypeValue=\"Integer\""));
        Write(folder, "bad_actions", Replaced(actions, u"<Action ", u"<Action Extra=\"1\" "));
        driver.reset();
        ComponentUnload();
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "write_documents: %s\n", e.what());
        return 1;
    }
}
