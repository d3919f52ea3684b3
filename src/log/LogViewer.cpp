#include "log/LogViewer.h"

#include <algorithm>
#include <utility>

#include "common/Error.h"
#include "platform/Files.h"
#include "platform/Platform.h"

namespace {

constexpr uint32_t kCodePages[TLogViewer::kEncodingCount] = {65001, 1251, 866};

std::function<void()>& Override() {
    static std::function<void()> show;
    return show;
}

}  // namespace

uint32_t CodePageOfEncoding(int AIndex) {
    return AIndex >= 0 && AIndex < TLogViewer::kEncodingCount ? kCodePages[AIndex] : 65001;
}

bool IsLogFileName(std::u16string_view AName) {
    const size_t dot = AName.rfind(u'.');
    if (dot == std::u16string_view::npos) return false;
    const std::u16string_view extension = AName.substr(dot);
    constexpr std::u16string_view kLog = u".log";
    if (extension.size() != kLog.size()) return false;
    for (size_t i = 0; i < kLog.size(); ++i) {
        if (platform::FoldCase(extension[i]) != kLog[i]) return false;
    }
    return true;
}

bool LessIgnoreCase(std::u16string_view A, std::u16string_view B) {
    return std::lexicographical_compare(A.begin(), A.end(), B.begin(), B.end(),
                                        [](char16_t a, char16_t b) { return platform::FoldCase(a) < platform::FoldCase(b); });
}

std::u16string DecodeLogText(std::string_view ABytes, uint32_t ACodePage) {
    if (ACodePage == 65001 && ABytes.starts_with("\xEF\xBB\xBF")) ABytes.remove_prefix(3);
    const std::u16string decoded = platform::DecodeCodePage(ABytes, ACodePage);
    std::u16string text;
    text.reserve(decoded.size() + decoded.size() / 32);
    for (size_t i = 0; i < decoded.size(); ++i) {
        const char16_t c = decoded[i];
        if (c == u'\r' || c == u'\n') {
            text += u"\r\n";
            if (c == u'\r' && i + 1 < decoded.size() && decoded[i + 1] == u'\n') ++i;
        } else {
            text += c;
        }
    }
    return text;
}

TLogViewer::TLogViewer(std::u16string ALogDirectory) : FLogDirectory(std::move(ALogDirectory)) {}

void TLogViewer::FormCreate() {
    UpdateFileList();
    if (!FFiles.empty()) FItemIndex = static_cast<int>(FFiles.size()) - 1;
    LoadLogFile();
}

void TLogViewer::UpdateFileList() {
    FFiles.clear();
    FItemIndex = -1;
    if (!platform::DirectoryExists(FLogDirectory)) return;
    for (const platform::TFolderEntry& entry : platform::ListFolder(FLogDirectory)) {
        if (IsLogFileName(entry.Name)) FFiles.push_back(entry.Name);
    }
    std::stable_sort(FFiles.begin(), FFiles.end(),
                     [](const std::u16string& a, const std::u16string& b) { return LessIgnoreCase(a, b); });
}

void TLogViewer::SetItemIndex(int AIndex) {
    FItemIndex = AIndex >= 0 && AIndex < static_cast<int>(FFiles.size()) ? AIndex : -1;
}

std::u16string TLogViewer::SelectedName() const { return FItemIndex >= 0 ? FFiles[FItemIndex] : std::u16string(); }

bool TLogViewer::LoadLogFile() {
    const std::u16string name = SelectedName();
    if (name.empty()) return false;
    const std::u16string path = FLogDirectory + name;
    const std::optional<int64_t> written = platform::FileWriteTime(path);
    if (!written) throw EComponentError(u"The specified file was not found");
    FLogLastWriteTime = written;
    // Read while the log writer may be appending: it lets readers in, and
    // so must we let it in.
    FText = DecodeLogText(platform::ReadWholeFile(path, platform::TShareMode::DenyNone),
                          CodePageOfEncoding(FEncodingIndex));
    return true;
}

bool TLogViewer::FileWrittenSinceLoad() const {
    const std::u16string name = SelectedName();
    if (name.empty()) return false;
    const std::optional<int64_t> written = platform::FileWriteTime(FLogDirectory + name);
    return written && (!FLogLastWriteTime || *FLogLastWriteTime < *written);
}

void ShowLogViewer() {
    if (const std::function<void()>& show = Override()) {
        show();
        return;
    }
    ShowLogViewerWindow();
}

void OverrideLogViewer(std::function<void()> AShow) { Override() = std::move(AShow); }
