// What the POSIX layer decides for itself: name matching by Unicode's simple
// case mapping, the system's own name in the log header, open log folders.
#include <doctest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/Text.h"
#include "platform/Platform.h"

TEST_CASE("case-insensitive names: Latin Extended-A, dotted and dotless i, Greek and Cyrillic") {
    using platform::SameTextIgnoreCase;
    // Odd-even pairs (U+0139-0148, U+0179-017E) that pairing by parity gets wrong.
    CHECK(SameTextIgnoreCase(u"\u0139\u013B\u0147", u"\u013A\u013C\u0148"));
    CHECK(SameTextIgnoreCase(u"\u0179\u017B\u017D", u"\u017A\u017C\u017E"));
    CHECK_FALSE(SameTextIgnoreCase(u"\u013A", u"\u013B"));
    CHECK_FALSE(SameTextIgnoreCase(u"\u017A", u"\u017B"));
    CHECK(SameTextIgnoreCase(u"\u0178", u"\u00FF"));
    // U+0130 lowers to "i"; the dotless U+0131 has no upper partner among the ASCII letters.
    CHECK(SameTextIgnoreCase(u"\u0130", u"i"));
    CHECK_FALSE(SameTextIgnoreCase(u"\u0131", u"I"));
    CHECK_FALSE(SameTextIgnoreCase(u"\u0130", u"\u0131"));
    CHECK(SameTextIgnoreCase(u"ЁЖИКLogEnabled\u0391\u03A3", u"ёжикlogenabled\u03B1\u03C3"));
    CHECK_FALSE(SameTextIgnoreCase(u"Delay", u"Delay1"));
}

TEST_CASE("the OS line names the distribution and the kernel release") {
    const std::u16string text = platform::OSDescription();
    REQUIRE_FALSE(text.empty());
    CHECK(text.back() == u')');
    CHECK(text.find(u" (") != std::u16string::npos);
    CHECK(text.find(u'"') == std::u16string::npos);
}

TEST_CASE("log folders and rewritten files are open to every account whatever the umask") {
    const auto root = std::filesystem::temp_directory_path() / ("mcr-perm-" + std::to_string(::getpid()));
    const mode_t old = ::umask(077);
    const std::u16string folder = FromUtf8((root / "Velmora" / "tarvik").string());
    platform::CreateLogDirectory(folder);
    platform::WriteWholeFile(folder + u"/page.txt", "x");
    ::umask(old);
    struct stat info {};
    for (const auto& path : {root / "Velmora", root / "Velmora" / "tarvik"}) {
        REQUIRE(::stat(path.c_str(), &info) == 0);
        CHECK((info.st_mode & 0777) == 0777);
    }
    REQUIRE(::stat((root / "Velmora" / "tarvik" / "page.txt").c_str(), &info) == 0);
    CHECK((info.st_mode & 0777) == 0666);
    std::filesystem::remove_all(root);
}
