// The log viewer's behaviour without its window: the listed files and their
// order, the start's choice, the encodings, and when a file is reloaded.
#include <doctest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "common/Error.h"
#include "common/Text.h"
#include "help/HelpTestSupport.h"
#include "log/Log.h"
#include "log/LogViewer.h"
#include "log/LogTestSupport.h"
#include "platform/Files.h"
#include "platform/Platform.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

std::u16string ErrorOf(auto&& action) {
    try {
        action();
    } catch (const EComponentError& e) {
        return e.Message();
    }
    return u"(no error)";
}

// A log folder of the test's own, as the viewer takes it: ending in a separator.
struct LogFolder : ScopedFolder {
    LogFolder() : ScopedFolder("viewer") {}
    std::u16string Directory() const { return Path() + platform::kPathSeparator; }
    void Write(const std::u16string& name, std::string_view bytes) const {
        platform::CreateFileWithBytes(File(name), bytes);
    }
};

// Appends until the file system shows a newer write time than before, so
// that coarse time stamps cannot hide the append.
void AppendVisibly(const std::u16string& path, std::string_view line) {
    const auto before = platform::FileWriteTime(path);
    for (int attempt = 0; attempt < 40; ++attempt) {
        platform::AppendToFile(path, attempt == 0 ? line : std::string_view());
        if (platform::FileWriteTime(path) != before) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        platform::AppendToFile(path, "");
    }
    FAIL("the write time of " << ToUtf8(path) << " never changed");
}

}  // namespace

TEST_SUITE("log viewer") {

TEST_CASE("log files are those whose extension is .log in any letter case") {
    for (const char16_t* name : {u"tarvik_2024.01.19.log", u"A.LOG", u"x.Log", u".log", u"a.b.lOg"}) {
        CAPTURE(ToUtf8(name));
        CHECK(IsLogFileName(name));
    }
    for (const char16_t* name : {u"log", u"a.log.txt", u"a.lo", u"a.logs", u"alog", u"a_log", u""}) {
        CAPTURE(ToUtf8(name));
        CHECK_FALSE(IsLogFileName(name));
    }
}

TEST_CASE("the encodings are UTF-8, the Cyrillic Windows and the Cyrillic DOS code page; any other index reads UTF-8") {
    CHECK(std::u16string(TLogViewer::kEncodingNames[0]) == u"UTF-8");
    CHECK(std::u16string(TLogViewer::kEncodingNames[1]) == u"ANSI");
    CHECK(std::u16string(TLogViewer::kEncodingNames[2]) == u"OEM");
    CHECK(CodePageOfEncoding(0) == 65001);
    CHECK(CodePageOfEncoding(1) == 1251);
    CHECK(CodePageOfEncoding(2) == 866);
    CHECK(CodePageOfEncoding(-1) == 65001);
    CHECK(CodePageOfEncoding(3) == 65001);
}

TEST_CASE("a file's bytes decode in the chosen code page, lines joined with CR LF") {
    // "Лог" in each encoding.
    CHECK(DecodeLogText("\xD0\x9B\xD0\xBE\xD0\xB3", 65001) == u"Лог");
    CHECK(DecodeLogText("\xCB\xEE\xE3", 1251) == u"Лог");
    CHECK(DecodeLogText("\x8B\xAE\xA3", 866) == u"Лог");
    CHECK(DecodeLogText("\xEF\xBB\xBF\xD0\x9B", 65001) == u"Л");  // the mark is no text
    CHECK(DecodeLogText("\x98\xB9", 1251) == u"\u0098\u2116");    // undefined in 1251: kept as is, as Windows does
    CHECK(DecodeLogText("a\rb\nc\r\nd\n\re", 65001) == u"a\r\nb\r\nc\r\nd\r\n\r\ne");
    CHECK(DecodeLogText("", 866).empty());
    CHECK(DecodeLogText("\xFF(", 65001) == u"\uFFFD(");
}

TEST_CASE("names sort in ascending order, letter case aside") {
    CHECK(LessIgnoreCase(u"a.log", u"B.log"));
    CHECK(LessIgnoreCase(u"A.log", u"b.log"));
    CHECK_FALSE(LessIgnoreCase(u"b.log", u"A.log"));
    CHECK_FALSE(LessIgnoreCase(u"A.LOG", u"a.log"));
    CHECK(LessIgnoreCase(u"журнал.log", u"Яблоко.log"));
    CHECK(LessIgnoreCase(u"tarvik_2024.01.19.log", u"tarvik_2024.01.20.log"));
    CHECK(LessIgnoreCase(u"tarvik_2024.12.31.log", u"TARVIK_2025.01.01.LOG"));
}

TEST_CASE("the start lists the folder's log files sorted, selects the last and loads it") {
    LogFolder folder;
    folder.Write(u"tarvik_2024.01.20.log", "second day\r\n");
    folder.Write(u"tarvik_2024.01.19.log", "first day\r\n");
    folder.Write(u"OTHER.LOG", "other\r\n");
    folder.Write(u"b.Log", "b\r\n");
    folder.Write(u"notes.txt", "not a log\r\n");
    folder.Write(u"tarvik.log.bak", "not a log\r\n");
    platform::CreateFolders(folder.File(u"sub"));
    folder.Write(u"sub" + std::u16string(1, platform::kPathSeparator) + u"inner.log", "below\r\n");

    TLogViewer viewer(folder.Directory());
    viewer.FormCreate();
    CHECK(viewer.LogDirectory() == folder.Directory());
    CHECK(viewer.Files() == std::vector<std::u16string>{u"b.Log", u"OTHER.LOG", u"tarvik_2024.01.19.log",
                                                        u"tarvik_2024.01.20.log"});
    CHECK(viewer.ItemIndex() == 3);
    CHECK(viewer.SelectedName() == u"tarvik_2024.01.20.log");
    CHECK(viewer.EncodingIndex() == 0);
    CHECK(viewer.Text() == u"second day\r\n");
    CHECK_FALSE(viewer.FileWrittenSinceLoad());
}

TEST_CASE("an empty or missing folder gives an empty list, no text, and nothing to reload") {
    LogFolder folder;
    for (const std::u16string& directory :
         {folder.Directory(), folder.Path() + platform::kPathSeparator + u"missing" + platform::kPathSeparator}) {
        TLogViewer viewer(directory);
        viewer.FormCreate();
        CHECK(viewer.Files().empty());
        CHECK(viewer.ItemIndex() == -1);
        CHECK(viewer.Text().empty());
        CHECK_FALSE(viewer.LoadLogFile());
        CHECK_FALSE(viewer.FileWrittenSinceLoad());
    }
}

TEST_CASE("opening the list rebuilds it without selection and keeps the text; a pick loads") {
    LogFolder folder;
    folder.Write(u"a.log", "A\n");
    TLogViewer viewer(folder.Directory());
    viewer.FormCreate();
    REQUIRE(viewer.Text() == u"A\r\n");
    folder.Write(u"c.log", "C\n");  // a new day's file
    viewer.UpdateFileList();
    CHECK(viewer.Files() == std::vector<std::u16string>{u"a.log", u"c.log"});
    CHECK(viewer.ItemIndex() == -1);
    CHECK(viewer.SelectedName().empty());
    CHECK(viewer.Text() == u"A\r\n");
    CHECK_FALSE(viewer.LoadLogFile());
    platform::AppendToFile(folder.File(u"a.log"), "more\n");
    CHECK_FALSE(viewer.FileWrittenSinceLoad());  // nothing selected, nothing reloaded
    viewer.SetItemIndex(1);
    CHECK(viewer.LoadLogFile());
    CHECK(viewer.Text() == u"C\r\n");
    viewer.SetItemIndex(7);
    CHECK(viewer.ItemIndex() == -1);
}

TEST_CASE("changing the encoding reloads the selected file in it") {
    LogFolder folder;
    folder.Write(u"x.log", "\xCB\xEE\xE3 \xEF\xF0\xE8\xE2\xE5\xF2");  // "Лог привет" in Windows-1251
    TLogViewer viewer(folder.Directory());
    viewer.FormCreate();
    CHECK(viewer.Text() != u"Лог привет");
    viewer.SetEncodingIndex(1);
    REQUIRE(viewer.LoadLogFile());
    CHECK(viewer.Text() == u"Лог привет");
    viewer.SetEncodingIndex(2);
    REQUIRE(viewer.LoadLogFile());
    CHECK(viewer.Text() == platform::DecodeCodePage("\xCB\xEE\xE3 \xEF\xF0\xE8\xE2\xE5\xF2", 866));
    CHECK(viewer.Text() != u"Лог привет");
}

TEST_CASE("a file written since its load is reloaded once, and shows what was appended") {
    LogFolder folder;
    const std::u16string path = folder.File(u"tarvik_2024.01.19.log");
    folder.Write(u"tarvik_2024.01.19.log", "first\r\n");
    TLogViewer viewer(folder.Directory());
    viewer.FormCreate();
    CHECK_FALSE(viewer.FileWrittenSinceLoad());
    AppendVisibly(path, "second\r\n");
    CHECK(viewer.FileWrittenSinceLoad());
    REQUIRE(viewer.LoadLogFile());
    CHECK(viewer.Text().starts_with(u"first\r\nsecond\r\n"));
    CHECK_FALSE(viewer.FileWrittenSinceLoad());
}

TEST_CASE("a file that has gone fails the load, and the timer leaves it alone") {
    LogFolder folder;
    folder.Write(u"gone.log", "x\n");
    TLogViewer viewer(folder.Directory());
    viewer.FormCreate();
    REQUIRE(viewer.Text() == u"x\r\n");
    platform::DeleteFolderTree(folder.Path());
    CHECK_FALSE(viewer.FileWrittenSinceLoad());
    CHECK(ErrorOf([&] { viewer.LoadLogFile(); }) == u"The specified file was not found");
    CHECK(viewer.Text() == u"x\r\n");
}

TEST_CASE("the log writer's file is read while the writer holds it open") {
    LogFolder folder;
    const std::u16string path = folder.File(u"held.log");
    folder.Write(u"held.log", "line\r\n");
#ifdef _WIN32
    // As the log writer opens it for each line: reading shared, writing not.
    HANDLE writer = CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    REQUIRE(writer != INVALID_HANDLE_VALUE);
#endif
    TLogViewer viewer(folder.Directory());
    viewer.FormCreate();
    CHECK(viewer.Text() == u"line\r\n");
#ifdef _WIN32
    CloseHandle(writer);
#endif
}

#if !defined(_WIN32) && !defined(MCR_X11)
// With a desktop the real window opens here: its start is the window tests'.
TEST_CASE("without a desktop the viewer's start runs and makes the log directory") {
    ScopedLog log("viewer");
    OverrideLogViewer({});
    CHECK_FALSE(platform::DirectoryExists(log.Directory()));
    ShowLogViewer();
    CHECK(platform::DirectoryExists(log.Directory()));
}
#endif

}  // TEST_SUITE
