// The log viewer's behaviour apart from any drawing: which files it lists,
// which one it selects at the start, how the chosen file is decoded, and
// when it is reloaded. TfrmLog shows this state in its controls; where there
// is no desktop the same state is built without a window.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TLogViewer {
public:
    // The items of the encoding list, in order; item 0 is selected at the start.
    static constexpr const char16_t* kEncodingNames[] = {u"UTF-8", u"ANSI", u"OEM"};
    static constexpr int kEncodingCount = 3;

    // ALogDirectory ends in a path separator.
    explicit TLogViewer(std::u16string ALogDirectory);

    // The window's start: fill the list, select its last item (the newest
    // day's file), load it.
    void FormCreate();
    // Refills the list from the folder; leaves it without selection and the
    // text as it was.
    void UpdateFileList();
    // Loads the selected file into Text(); false when nothing is selected.
    // The write time is taken before the content, so a failed read reloads
    // only after the next write.
    bool LoadLogFile();
    // The timer's test: a file is selected, exists, and was written after its last load.
    bool FileWrittenSinceLoad() const;

    const std::vector<std::u16string>& Files() const { return FFiles; }
    int ItemIndex() const { return FItemIndex; }
    void SetItemIndex(int AIndex);  // -1 or out of range: nothing selected
    int EncodingIndex() const { return FEncodingIndex; }
    void SetEncodingIndex(int AIndex) { FEncodingIndex = AIndex; }

    const std::u16string& LogDirectory() const { return FLogDirectory; }
    // Empty while nothing is selected.
    std::u16string SelectedName() const;
    // The loaded file's text, lines ending in CR LF as a text box wants them.
    const std::u16string& Text() const { return FText; }

private:
    std::u16string FLogDirectory;
    std::optional<int64_t> FLogLastWriteTime;  // nothing until a file is loaded
    std::vector<std::u16string> FFiles;
    int FItemIndex = -1;
    int FEncodingIndex = 0;
    std::u16string FText;
};

// The code page of an item of the encoding list: 65001, 1251 or 866; any
// other index, none included, reads UTF-8.
uint32_t CodePageOfEncoding(int AIndex);

// A log file's name: its extension, in any letter case, is ".log".
bool IsLogFileName(std::u16string_view AName);

// Ascending order of names, letter case aside (Latin and Cyrillic).
bool LessIgnoreCase(std::u16string_view A, std::u16string_view B);

// A log file's bytes as text: decoded with the code page (a byte-order mark
// of that encoding skipped), lines split at CR LF, CR or LF and joined with CR LF.
std::u16string DecodeLogText(std::string_view ABytes, uint32_t ACodePage);

// The additional action's window: TfrmLog on Windows, modal on the calling
// thread; returns when the user has closed it.
void ShowLogViewer();
// Tests: what ShowLogViewer does instead while a function is set; an empty
// function restores the window.
void OverrideLogViewer(std::function<void()> AShow);
// The platform's own window, which ShowLogViewer calls when nothing overrides it.
void ShowLogViewerWindow();
