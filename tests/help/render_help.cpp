// Renders the component's help page the way the help action does and keeps
// what the window would have shown: the page and the files beside it, copied
// into a folder before the renderer removes its own.
//   render_help <output folder>
#include <cstdio>
#include <string>

#include "common/Error.h"
#include "common/Text.h"
#include "help/DocView.h"
#include "help/MarkdownRenderer.h"
#include "platform/Files.h"
#include "platform/Platform.h"
#include "platform/Resources.h"
#include "resources/ResourceIds.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: render_help <output folder>\n");
        return 2;
    }
    const std::u16string output = FromUtf8(argv[1]);
    int shown = 0;
    try {
        platform::CreateFolders(output);
        OverrideDocView([&](const std::u16string& page, const std::u16string& caption) {
            ++shown;
            const std::u16string folder = page.substr(0, page.find_last_of(platform::kPathSeparator));
            for (const platform::TFolderEntry& entry : platform::ListFolder(folder)) {
                if (entry.IsFolder) continue;
                const std::u16string from = folder + platform::kPathSeparator + entry.Name;
                platform::CreateFileWithBytes(output + platform::kPathSeparator + entry.Name,
                                              platform::ReadWholeFile(from, platform::TShareMode::DenyNone));
            }
            platform::CreateFileWithBytes(output + platform::kPathSeparator + u"caption.txt", ToUtf8(caption));
        });
        TMarkdownRenderer::Render(u"help", platform::LoadResString(MCR_IDS_HELP));
    } catch (const EComponentError& e) {
        std::fprintf(stderr, "render_help: %s\n", e.what());
        return 1;
    }
    return shown == 1 ? 0 : 1;
}
