#include <doctest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <thread>
#include <tuple>
#include <vector>

#include "common/Error.h"
#include "common/Text.h"
#include "log/Log.h"
#include "log/LogTestSupport.h"
#include "log/SystemInfo.h"
#include "platform/Files.h"
#include "platform/Platform.h"
#ifdef _WIN32
#include "platform/win32/AccessList.h"
#endif

namespace {

// The entry without its timestamp; fails the test when the stamp is malformed.
std::string Body(const std::string& line) {
    const char* shape = "dddd.dd.dd dd:dd:dd.ddd\t";
    REQUIRE(line.size() >= 24);
    for (size_t i = 0; i < 24; ++i) {
        if (shape[i] == 'd') {
            REQUIRE_MESSAGE(std::isdigit(static_cast<unsigned char>(line[i])), line);
        } else {
            REQUIRE_MESSAGE(line[i] == shape[i], line);
        }
    }
    return line.substr(24);
}

std::vector<std::string> Header() {
    const std::u16string module = platform::ModuleLongPath();
    return {std::string(40, ' '), "============Start log=============", "OS version:\t" + ToUtf8(GetOSVersionName()),
            "Application:\t" + ToUtf8(ExtractFileName(module)), "App. version:\t" + ToUtf8(FileVersionToString(module)),
            std::string(40, ' ')};
}

}  // namespace

TEST_CASE("logging off writes nothing, but the directory is still made on request") {
    ScopedLog log("off");
    Log::d(u"caption", u"message");
    TLog::Start();
    TLog::Stop();
    TLog::WriteTextFile(u"extra.txt", u"text");
    CHECK_FALSE(PathExists(log.Directory()));
    CHECK(TLog::GetAbsolutePath(true) == log.Directory());
    CHECK(PathExists(log.Directory()));
    CHECK_FALSE(log.TodayFileExists());
    CHECK(TLog::GetAbsolutePath(false) == log.TodayFile());
}

TEST_CASE("a logging period: header, entries, footer followed by one empty line") {
    ScopedLog log("period");
    SetLogLevel(3);
    CHECK_FALSE(log.TodayFileExists());  // switching on writes nothing
    Log::i(u"  Caption \t", u"\t message  ");
    Log::e(u"Empty", u"");
    Log::d(u"Blanks", u"   ");
    Log::d(u"Multi\r\nline", u"one\r\ntwo");
    SetLogLevel(3);  // same level again: no change
    SetLogLevel(0);

    const auto lines = log.Lines();
    const auto header = Header();
    REQUIRE(lines.size() == header.size() + 4 + 2 + 3);
    for (size_t i = 0; i < header.size(); ++i) CHECK(lines[i] == header[i]);
    CHECK(Body(lines[6]) == "INFO\tCaption: \tmessage");
    CHECK(Body(lines[7]) == "ERROR\tEmpty");
    CHECK(Body(lines[8]) == "DEBUG\tBlanks: \t");
    CHECK(Body(lines[9]) == "DEBUG\tMulti");
    CHECK(lines[10] == "line: \tone");
    CHECK(lines[11] == "two");
    CHECK(lines[12] == "============Stop log===============");
    CHECK(lines[13].empty());
    CHECK(lines[14].empty());  // the file ends right after the empty line
    CHECK(log.Bytes().substr(log.Bytes().size() - 4) == "\r\n\r\n");
    CHECK(log.Bytes().compare(0, 3, "\xEF\xBB\xBF") != 0);
}

TEST_CASE("periods repeat within a day; switching off before any entry leaves no trace") {
    ScopedLog log("periods");
    SetLogLevel(3);
    SetLogLevel(0);
    CHECK_FALSE(log.TodayFileExists());
    for (int i = 0; i < 2; ++i) {
        SetLogLevel(3);
        Log::i(u"entry", IntToText(i));
        SetLogLevel(0);
    }
    const auto lines = log.Lines();
    int starts = 0, stops = 0;
    for (const auto& line : lines) {
        starts += line == "============Start log=============";
        stops += line == "============Stop log===============";
    }
    CHECK(starts == 2);
    CHECK(stops == 2);
}

TEST_CASE("the level filters entry types, and a dropped entry writes no header") {
    ScopedLog log("levels");
    SetLogLevel(2);
    Log::d(u"debug", u"dropped");
    CHECK_FALSE(log.TodayFileExists());
    Log::i(u"info", u"kept");
    SetLogLevel(1);
    Log::i(u"info", u"dropped");
    Log::e(u"error", u"kept");
    SetLogLevel(4);
    Log::e(u"error", u"dropped at 4");
    SetLogLevel(0);
    const auto lines = log.Lines();
    REQUIRE(lines.size() == 6 + 2 + 3);
    CHECK(Body(lines[6]) == "INFO\tinfo: \tkept");
    CHECK(Body(lines[7]) == "ERROR\terror: \tkept");
}

TEST_CASE("a whole text file beside the log, only while logging is on") {
    ScopedLog log("textfile");
    SetLogLevel(3);
    TLog::WriteTextFile(u"dump.txt", u"первый");
    TLog::WriteTextFile(u"dump.txt", u"второй");
    CHECK(ReadBytes(log.Directory() + u"dump.txt") == "второй");
}

TEST_CASE("a log file that cannot be opened raises the writer's error") {
    ScopedLog log("broken");
    SetLogLevel(3);
    // A folder in the place of today's file: it exists but cannot be opened for writing.
    platform::CreateLogDirectory(log.TodayFile());
    try {
        Log::i(u"x", u"y");
        FAIL("no error");
    } catch (const EComponentError& e) {
        CHECK(ToUtf8(e.Message()).rfind("Cannot open file \"" + ToUtf8(log.TodayFile()) + "\". ", 0) == 0);
    }
    CHECK_FALSE(TLog::LogStarted());  // the header failed: the next entry writes it again
    CHECK_NOTHROW(SetLogLevel(0));     // nothing started, so no footer is due
}

TEST_CASE("a footer that cannot be written still switches logging off, and says why") {
    ScopedLog log("footer");
    SetLogLevel(3);
    Log::i(u"x", u"y");
    std::filesystem::remove(std::filesystem::path(log.TodayFile()));
    platform::CreateLogDirectory(log.TodayFile());
    CHECK_THROWS_AS(SetLogLevel(0), EComponentError);
    CHECK(TLog::LogLevel() == 0);
    CHECK_FALSE(TLog::LogStarted());
}

TEST_CASE("eight threads log at once: every line whole, none lost [threads]") {
    ScopedLog log("threads");
    // 32-bit Windows programs run emulated on some test machines; fewer lines keep them quick.
    const int perThread = (sizeof(void*) == 4) ? 500 : 5000;
    constexpr int threads = 8;
    SetLogLevel(3);
    {
        std::vector<std::jthread> workers;
        for (int t = 0; t < threads; ++t) {
            workers.emplace_back([t, perThread] {
                for (int i = 0; i < perThread; ++i) Log::d(u"thread" + IntToText(t), u"line " + IntToText(i));
            });
        }
    }
    SetLogLevel(0);
    const auto lines = log.Lines();
    REQUIRE(lines.size() == static_cast<size_t>(6 + threads * perThread + 3));  // footer, empty line, end
    std::vector<int> next(threads, 0);
    int headers = 0;
    for (const auto& line : lines) {
        if (line == "============Start log=============") ++headers;
        if (line.size() < 24 || !std::isdigit(static_cast<unsigned char>(line[0]))) continue;
        const std::string body = Body(line);
        int t = -1, i = -1;
        REQUIRE_MESSAGE(std::sscanf(body.c_str(), "DEBUG\tthread%d: \tline %d", &t, &i) == 2, line);
        REQUIRE((t >= 0 && t < threads));
        CHECK(i == next[static_cast<size_t>(t)]);  // in order within a thread
        next[static_cast<size_t>(t)] = i + 1;
    }
    CHECK(headers == 1);
    for (int n : next) CHECK(n == perThread);
}

TEST_CASE("two processes append to one daily file: no failure, no lost or torn line") {
    ScopedLog log("processes");
    const int lines = (sizeof(void*) == 4) ? 200 : 2000;
    SetLogLevel(3);
    Log::i(u"parent", u"start");  // the header first, so both processes only append entries
    ChildProcess child = StartLogChild(log.Name(), lines, "child");
    REQUIRE(child.id >= 0);
    for (int i = 0; i < lines; ++i) Log::d(u"parent", IntToText(i));
    CHECK(child.Wait() == 0);
    SetLogLevel(0);

    int parent = 0, fromChild = 0;
    for (const auto& line : log.Lines()) {
        if (line.size() < 24 || !std::isdigit(static_cast<unsigned char>(line[0]))) continue;
        const std::string body = Body(line);
        if (body.rfind("DEBUG\tparent: \t", 0) == 0) {
            CHECK(body == "DEBUG\tparent: \t" + std::to_string(parent++));
        } else if (body.rfind("DEBUG\tchild: \t", 0) == 0) {
            CHECK(body == "DEBUG\tchild: \t" + std::to_string(fromChild++));
        }
    }
    CHECK(parent == lines);
    CHECK(fromChild == lines);
}

TEST_CASE("operating system names") {
    using platform::OSVersionRecord;
    CHECK(OSVersionName(std::nullopt) == u"Unknown ");
    CHECK(OSVersionName(OSVersionRecord{10, 0, 19045, 2, u""}) == u"Windows 10 (10.0.19045)");
    CHECK(OSVersionName(OSVersionRecord{6, 1, 7601, 2, u"Service Pack 1"}) == u"Windows 7 Service Pack 1 (6.1.7601)");
    CHECK(OSVersionName(OSVersionRecord{6, 4, 9841, 2, u""}) == u"Unknown (6.4.9841)");
    CHECK(OSVersionName(OSVersionRecord{10, 1, 1, 2, u""}) == u"Unknown (10.1.1)");
    CHECK(OSVersionName(OSVersionRecord{4, 0, 1381, 2, u""}) == u"Windows NT 4 (4.0.1381)");
    CHECK(OSVersionName(OSVersionRecord{4, 0, 950, 1, u""}) == u"Windows 95 (4.0.950)");
    CHECK(OSVersionName(OSVersionRecord{4, 90, 3000, 1, u""}) == u"Windows ME (4.90.3000)");
    CHECK(OSVersionName(OSVersionRecord{5, 2, 3790, 2, u""}) == u"Windows 2003 (5.2.3790)");
    CHECK(OSVersionName(OSVersionRecord{6, 3, 9600, 2, u""}) == u"Windows 8.1 (6.3.9600)");
    CHECK(OSVersionName(OSVersionRecord{3, 51, 1057, 2, u""}) == u"Windows NT 3 (3.51.1057)");
}

#ifdef _WIN32
#include <windows.h>
#include <aclapi.h>

namespace {

struct EveryoneEntry {
    int count = 0;
    DWORD mask = 0;
    BYTE flags = 0;
};

// The entries for Everyone in a folder's access list.
EveryoneEntry FindEveryone(const std::u16string& path) {
    EveryoneEntry found;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    REQUIRE(GetNamedSecurityInfoW(reinterpret_cast<const wchar_t*>(path.c_str()), SE_FILE_OBJECT,
                                  DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr, &sd) == ERROR_SUCCESS);
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace)) continue;
        auto* entry = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        if (entry->Header.AceType == ACCESS_ALLOWED_ACE_TYPE && EqualSid(&entry->SidStart, everyone)) {
            ++found.count;
            found.mask = entry->Mask;
            found.flags = entry->Header.AceFlags;
        }
    }
    FreeSid(everyone);
    LocalFree(sd);
    return found;
}

}  // namespace

TEST_CASE("an Everyone entry of exactly full control, allowed or denied, is left as it is") {
    // In memory: stored on disk, Wine maps the generic right onto the file rights.
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    REQUIRE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
    for (const bool deny : {false, true}) {
        for (const DWORD mask : {DWORD{GENERIC_ALL}, DWORD{GENERIC_READ}}) {
            CAPTURE(deny);
            CAPTURE(mask);
            alignas(DWORD) BYTE buffer[256];
            auto* list = reinterpret_cast<PACL>(buffer);
            REQUIRE(InitializeAcl(list, sizeof buffer, ACL_REVISION));
            REQUIRE((deny ? AddAccessDeniedAce(list, ACL_REVISION, mask, everyone)
                          : AddAccessAllowedAce(list, ACL_REVISION, mask, everyone)));
            const platform::UniqueAccessList merged = platform::WithEveryoneFullControl(list, everyone);
            CHECK((merged == nullptr) == (mask == GENERIC_ALL));
        }
    }
    FreeSid(everyone);
}

namespace {

}  // namespace

TEST_CASE("a new log directory grants Everyone full control, inherited below") {
    ScopedLog log("grant");
    const std::u16string dir = TLog::GetAbsolutePath(true);
    const EveryoneEntry entry = FindEveryone(dir);
    CHECK(entry.count == 1);
    // Stored either as the generic right or mapped onto the file rights.
    // Windows keeps the generic right; Wine stores it mapped onto the file rights.
    constexpr DWORD kWineMappedAll = 0x1301FF;
    INFO("mask " << std::hex << entry.mask);
    CHECK((entry.mask == GENERIC_ALL || (entry.mask & kWineMappedAll) == kWineMappedAll));
    CHECK((entry.flags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)) == (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE));

    // Deleting the directory and logging again creates and grants anew.
    std::filesystem::remove_all(std::filesystem::path(dir));
    SetLogLevel(3);
    Log::i(u"again", u"");
    CHECK(FindEveryone(dir).count == 1);
}
#endif
