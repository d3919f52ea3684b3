// The one case fold behind every comparison that ignores letter case.
#include <doctest.h>

#include <string_view>

#include "platform/Platform.h"

TEST_CASE("case folding: Latin and Cyrillic capitals to small letters, everything else as it is") {
    constexpr std::u16string_view kUpper = u"AZÀÞĀĲАЯЁЀЏ";
    constexpr std::u16string_view kLower = u"azàþāĳаяёѐџ";
    for (size_t i = 0; i < kUpper.size(); ++i) {
        CAPTURE(static_cast<int>(kUpper[i]));
        CHECK(platform::FoldCase(kUpper[i]) == kLower[i]);
        CHECK(platform::FoldCase(kLower[i]) == kLower[i]);
    }
    for (const char16_t c : std::u16string_view(u"09.-_ ×÷\u2116\0", 10)) CHECK(platform::FoldCase(c) == c);
    CHECK(platform::SameTextIgnoreCase(u"Журнал.LOG", u"жУРНАЛ.log"));
    CHECK_FALSE(platform::SameTextIgnoreCase(u"журнал", u"журнал1"));
}
