// The help renderer with archives the tests build, and the help archive the
// component carries. The window is replaced by a function that looks at the
// page while "the window is open".
#include <doctest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include "help/win32/FmDocView.h"
#endif

#include "common/Error.h"
#include "common/Text.h"
#include "help/DocView.h"
#include "help/HelpTestSupport.h"
#include "help/MarkdownRenderer.h"
#include "help/ZipArchive.h"
#include "platform/Files.h"
#include "platform/Platform.h"
#include "platform/Resources.h"

namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";

std::u16string ErrorOf(auto&& action) {
    try {
        action();
    } catch (const EComponentError& e) {
        return e.Message();
    }
    return u"(no error)";
}

std::string Read(const std::u16string& path) { return platform::ReadWholeFile(path, platform::TShareMode::DenyNone); }

// What the stand-in window saw.
struct Shown {
    int count = 0;
    std::u16string path;
    std::u16string caption;
    std::string page;
    std::vector<std::u16string> folder;  // entries of the page's folder, sorted
    std::string archive;                 // md.zip as found
};

std::u16string FolderOf(const std::u16string& path) { return path.substr(0, path.find_last_of(platform::kPathSeparator)); }

std::vector<std::u16string> SortedEntries(const std::u16string& folder) {
    std::vector<std::u16string> names;
    for (const auto& entry : platform::ListFolder(folder)) names.push_back(entry.IsFolder ? entry.Name + u"/" : entry.Name);
    std::sort(names.begin(), names.end());
    return names;
}

// Replaces the window for the life of the scope.
struct StandInWindow {
    Shown shown;
    explicit StandInWindow(bool fail = false) {
        OverrideDocView([this, fail](const std::u16string& path, const std::u16string& caption) {
            ++shown.count;
            shown.path = path;
            shown.caption = caption;
            shown.page = Read(path);
            shown.folder = SortedEntries(FolderOf(path));
            shown.archive = Read(FolderOf(path) + platform::kPathSeparator + u"md.zip");
            if (fail) throw EComponentError(u"the window failed");
        });
    }
    ~StandInWindow() { OverrideDocView({}); }
};

bool IsRegistryGuid(std::u16string_view text) {
    if (text.size() != 38 || text.front() != u'{' || text.back() != u'}') return false;
    for (size_t i = 1; i < 37; ++i) {
        const bool hyphen = i == 9 || i == 14 || i == 19 || i == 24;
        const char16_t c = text[i];
        if (hyphen ? c != u'-' : !((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'))) return false;
    }
    return true;
}

// The lines of the page's frame, split at CR LF.
std::vector<std::string> CrLfLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string_view::npos; start = end + 2) {
        lines.emplace_back(text.substr(start, end - start));
    }
    lines.emplace_back(text.substr(start));
    return lines;
}

std::string Utf16Bytes(const std::u16string& text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t c : text) {
        const char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

const std::string kDocument = "# Заголовок\n\nАбзац *текста*.\n";

}  // namespace

TEST_SUITE("help renderer") {

TEST_CASE("an empty resource name fails at once, before any temporary folder exists") {
    ScopedTempFolder temp;
    StandInWindow window;
    CHECK(ErrorOf([] { TMarkdownRenderer::Render(u"", u"Справка"); }) == u"File not found: ");
    CHECK(ErrorOf([] { TMarkdownRenderer::Render(u"NoSuchHelp", u"Справка"); }) == u"File not found: NoSuchHelp");
    CHECK(window.shown.count == 0);
    CHECK(temp.Entries().empty());
}

TEST_CASE("the resource is found whatever the letter case of its name") {
    CHECK(TMarkdownRenderer::SourceExist(u"HELP"));
    CHECK(TMarkdownRenderer::SourceExist(u"help"));
    CHECK(TMarkdownRenderer::SourceExist(u"Help"));
    CHECK_FALSE(TMarkdownRenderer::SourceExist(u""));
    CHECK_FALSE(TMarkdownRenderer::SourceExist(u"help.zip"));
    ScopedTempFolder temp;
    TMarkdownRenderer renderer(u"help");
    CHECK(renderer.SourceName() == u"help");
    CHECK(renderer.SourceExist());
    TMarkdownRenderer nameless;
    CHECK(nameless.SourceName().empty());
    CHECK_FALSE(nameless.SourceExist());
    CHECK(ErrorOf([&] { nameless.Render(u"x"); }) == u"File not found: ");
}

TEST_CASE("each renderer makes its own folder named by a GUID under the temporary folder, and removes it") {
    ScopedTempFolder temp;
    std::u16string first, second;
    {
        TMarkdownRenderer a, b;
        first = a.TempDirectory();
        second = b.TempDirectory();
        CHECK(first != second);
        for (const std::u16string& folder : {first, second}) {
            REQUIRE(folder.size() == temp.Path().size() + 1 + 38);
            CHECK(folder.starts_with(temp.Path() + platform::kPathSeparator));
            CHECK(IsRegistryGuid(std::u16string_view(folder).substr(temp.Path().size() + 1)));
            CHECK(platform::DirectoryExists(folder));
        }
        platform::CreateFileWithBytes(first + platform::kPathSeparator + u"left.txt", "x");
        platform::CreateFolders(first + platform::kPathSeparator + u"sub" + platform::kPathSeparator + u"deeper");
    }
    CHECK_FALSE(platform::DirectoryExists(first));
    CHECK_FALSE(platform::DirectoryExists(second));
    CHECK(temp.Entries().empty());
}

TEST_CASE("the help action renders the component's archive, shows it with the caption, and leaves nothing") {
    ScopedTempFolder temp;
    StandInWindow window;
    TMarkdownRenderer::Render(u"help", u"Справка");
    const Shown& shown = window.shown;
    REQUIRE(shown.count == 1);
    CHECK(shown.caption == u"Справка");
    CHECK(shown.path.ends_with(std::u16string(1, platform::kPathSeparator) + u"md.html"));
    CHECK(platform::IsRootedPath(shown.path));
    // The folder held the archive as stored, its members and the page.
    const std::optional<std::string_view> resource = platform::FindResourceData(u"HELP");
    REQUIRE(resource);
    CHECK(shown.archive == *resource);
    std::vector<std::u16string> expected{u"md.html", u"md.zip"};
    for (const TZipMemberInfo& member : ListZipArchive(*resource)) expected.push_back(member.Name);
    std::sort(expected.begin(), expected.end());
    CHECK(shown.folder == expected);
    // The page: byte-order mark, the frame in CR LF lines, the stylesheet by its bare name.
    REQUIRE(shown.page.starts_with(kBom));
    const std::vector<std::string> lines = CrLfLines(std::string_view(shown.page).substr(3));
    REQUIRE(lines.size() >= 9);
    CHECK(lines[0] == "<!DOCTYPE html>");
    CHECK(lines[1] == "<html>");
    CHECK(lines[2] == "<head>");
    CHECK(lines[3] == "<link href=\"help.css\" rel=\"stylesheet\">");
    CHECK(lines[4] == "</head>");
    CHECK(lines[5] == "<body>");
    CHECK(lines[lines.size() - 2] == "</body>");
    CHECK(lines.back() == "</html>");
    CHECK(shown.page.find("charset") == std::string::npos);
    CHECK(shown.page.find("<h1>Драйвер эмулятора считывателя магнитных карт 1C:БПО NativeAPI</h1>") != std::string::npos);
    CHECK(shown.page.find("<h2>Общая информация</h2>") != std::string::npos);
    CHECK(shown.page.find("&quot;Требования к разработке драйверов подключаемого оборудования (версия 3.2)&quot;.") !=
          std::string::npos);
    CHECK(temp.Entries().empty());
}

TEST_CASE("the page is the frame around what the converter gave, with CR LF only in the frame") {
    ScopedTempFolder temp;
    StandInWindow window;
    TMarkdownRenderer renderer;
    const std::string archive = MakeZip({{"doc.md", kDocument}, {"look.css", "h1 { color: red }"}});
    const std::u16string page = renderer.RenderArchive(archive, u"Документ");
    CHECK(page == renderer.TempDirectory() + platform::kPathSeparator + u"md.html");
    CHECK(window.shown.page == std::string(kBom) +
                                   "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n"
                                   "<link href=\"look.css\" rel=\"stylesheet\">\r\n</head>\r\n<body>\r\n"
                                   "<h1>Заголовок</h1>\n<p>Абзац <em>текста</em>.</p>\n"
                                   "\r\n</body>\r\n</html>");
    // The page stays until the renderer goes.
    CHECK(Read(page) == window.shown.page);
}

TEST_CASE("an archive without a stylesheet gives the converted body alone") {
    ScopedTempFolder temp;
    StandInWindow window;
    TMarkdownRenderer renderer;
    renderer.RenderArchive(MakeZip({{"doc.md", kDocument}}), u"Документ");
    CHECK(window.shown.page == std::string(kBom) + "<h1>Заголовок</h1>\n<p>Абзац <em>текста</em>.</p>\n");
}

TEST_CASE("documents with a UTF-16 mark are read as UTF-16, with a UTF-8 mark or none as UTF-8") {
    ScopedTempFolder temp;
    const std::u16string text = U16(kDocument);
    const std::string variants[] = {kDocument, kBom + kDocument, Utf16Bytes(text, false), Utf16Bytes(text, true)};
    std::vector<std::string> pages;
    for (const std::string& bytes : variants) {
        StandInWindow window;
        TMarkdownRenderer renderer;
        renderer.RenderArchive(MakeZip({{"doc.md", bytes}}), u"Документ");
        pages.push_back(window.shown.page);
    }
    CHECK(pages[0] == std::string(kBom) + "<h1>Заголовок</h1>\n<p>Абзац <em>текста</em>.</p>\n");
    for (const std::string& page : pages) CHECK(page == pages[0]);
    using namespace std::string_view_literals;
    CHECK(DecodeDocument("\xFF\xFE" "A\x00" "\x04\x04" "\x01"sv) == u"A\u0404");  // the odd last byte is dropped
    CHECK(DecodeDocument("\xFE\xFF\x04\x10"sv) == u"\u0410");
    CHECK(DecodeDocument("\xC3\x28"sv) == u"\uFFFD(");  // broken UTF-8 is not dropped silently
}

TEST_CASE("members in sub-folders are extracted, but neither is taken as the document or the stylesheet") {
    ScopedTempFolder temp;
    {
        StandInWindow window;
        TMarkdownRenderer renderer;
        renderer.RenderArchive(MakeZip({{"docs/", ""},
                                        {"docs/inner.md", "# Inner\n"},
                                        {"styles/inner.css", "h1 {}"},
                                        {"top.md", "# Top\n"}}),
                               u"Документ");
        CHECK(window.shown.page == std::string(kBom) + "<h1>Top</h1>\n");
        const std::u16string folder = renderer.TempDirectory() + platform::kPathSeparator;
        CHECK(Read(folder + u"docs" + platform::kPathSeparator + u"inner.md") == "# Inner\n");
        CHECK(Read(folder + u"styles" + platform::kPathSeparator + u"inner.css") == "h1 {}");
        CHECK(window.shown.folder == std::vector<std::u16string>{u"docs/", u"md.html", u"md.zip", u"styles/", u"top.md"});
    }
    {
        StandInWindow window;
        std::u16string folder;
        const std::u16string error = ErrorOf([&] {
            TMarkdownRenderer renderer;
            folder = renderer.TempDirectory();
            renderer.RenderArchive(MakeZip({{"docs/inner.md", "# Inner\n"}, {"look.css", ""}}), u"Документ");
        });
        CHECK(error == u"Mardown file not found");
        CHECK(window.shown.count == 0);
        CHECK_FALSE(platform::DirectoryExists(folder));
    }
    CHECK(temp.Entries().empty());
}

TEST_CASE("the document and the stylesheet are found by extension in any letter case; folders are not documents") {
    ScopedTempFolder temp;
    StandInWindow window;
    TMarkdownRenderer renderer;
    renderer.RenderArchive(MakeZip({{"notes.md/", ""}, {"README.MD", "*x*\n"}, {"Style.CSS", ""}, {"a.mdx", "no"}}),
                           u"Документ");
    CHECK(window.shown.page.find("<link href=\"Style.CSS\" rel=\"stylesheet\">") != std::string::npos);
    CHECK(window.shown.page.find("<p><em>x</em></p>") != std::string::npos);
}

TEST_CASE("whatever fails after the renderer exists, its folder is deleted") {
    ScopedTempFolder temp;
    SUBCASE("a failing window") {
        StandInWindow window(true);
        CHECK(ErrorOf([] { TMarkdownRenderer::Render(u"help", u"Справка"); }) == u"the window failed");
        CHECK(window.shown.count == 1);
    }
    SUBCASE("a damaged archive") {
        StandInWindow window;
        TMarkdownRenderer renderer;
        std::string archive = MakeZip({{"doc.md", std::string(4000, 'a')}});
        CHECK(ErrorOf([&] { renderer.RenderArchive("not a zip archive", u"x"); }) == u"The zip archive is damaged");
        archive[archive.find("doc.md") + 6 + 10] ^= 0x55;  // inside the deflated data: the CRC catches it
        CHECK(ErrorOf([&] { renderer.RenderArchive(archive, u"x"); }) != u"(no error)");
        CHECK(window.shown.count == 0);
    }
    SUBCASE("a member that would land outside the folder") {
        StandInWindow window;
        CHECK(ErrorOf([] {
                  TMarkdownRenderer renderer;
                  renderer.RenderArchive(MakeZip({{"../escaped.md", "# Out\n"}}), u"x");
              }) == u"The zip archive names a file outside its folder: ../escaped.md");
        CHECK_FALSE(platform::FileExists(temp.Path() + platform::kPathSeparator + u"escaped.md"));
    }
    CHECK(temp.Entries().empty());
}

TEST_CASE("ConvertToHtml writes the page of a Markdown file without a window") {
    ScopedTempFolder temp;
    ScopedFolder work("convert");
    StandInWindow window;
    const std::u16string source = work.File(u"doc.md");
    const std::u16string css = work.File(u"look.css");
    const std::u16string destination = work.File(u"out.html");
    platform::CreateFileWithBytes(source, Utf16Bytes(U16(kDocument), false));
    platform::CreateFileWithBytes(css, "");

    CHECK(ErrorOf([&] { TMarkdownRenderer::ConvertToHtml(work.File(u"none.md"), destination, u""); }) ==
          u"File not found: " + work.File(u"none.md"));
    CHECK(ErrorOf([&] { TMarkdownRenderer::ConvertToHtml(source, destination, work.File(u"none.css")); }) ==
          u"File not found: " + work.File(u"none.css"));
    CHECK_FALSE(platform::FileExists(destination));

    TMarkdownRenderer::ConvertToHtml(source, destination, css);
    const std::string page = Read(destination);
    CHECK(page.starts_with(std::string(kBom) + "<!DOCTYPE html>\r\n"));
    CHECK(page.find("<link href=\"" + ToUtf8(css) + "\" rel=\"stylesheet\">\r\n") != std::string::npos);

    TMarkdownRenderer::ConvertToHtml(source, destination, u"");
    CHECK(Read(destination) == std::string(kBom) + "<h1>Заголовок</h1>\n<p>Абзац <em>текста</em>.</p>\n");

    // A source that is not rooted lies in the renderer's folder; no
    // destination writes md.html there.
    TMarkdownRenderer renderer(u"inside.md");
    platform::CreateFileWithBytes(renderer.TempDirectory() + platform::kPathSeparator + u"inside.md", "plain\n");
    renderer.ConvertToHtml(u"", u"any/link.css");
    const std::string inside = Read(renderer.TempDirectory() + platform::kPathSeparator + u"md.html");
    CHECK(inside.find("<link href=\"any/link.css\" rel=\"stylesheet\">") != std::string::npos);
    CHECK(inside.find("<p>plain</p>") != std::string::npos);
    CHECK(window.shown.count == 0);
}

TEST_CASE("the page is written whole or the write fails") {
#ifdef _WIN32
    CHECK(ErrorOf([] { platform::CreateFileWithBytes(u"Z:\\no\\such\\folder\\md.html", "x"); })
              .starts_with(u"Cannot create file \"Z:\\no\\such\\folder\\md.html\". "));
#else
    // The full device takes no byte: the write falls short.
    CHECK(ErrorOf([] { platform::CreateFileWithBytes(u"/dev/full", "page"); }) == u"Stream write error");
    CHECK(ErrorOf([] { platform::CreateFileWithBytes(u"/no/such/folder/md.html", "x"); })
              .starts_with(u"Cannot create file \"/no/such/folder/md.html\". "));
#endif
}

#ifdef _WIN32
TEST_CASE("the document is read while others may read it, not while another writes it") {
    ScopedFolder work("share");
    const std::u16string path = work.File(u"doc.md");
    platform::CreateFileWithBytes(path, "# x\n");
    HANDLE writer = CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    REQUIRE(writer != INVALID_HANDLE_VALUE);
    CHECK(ErrorOf([&] { platform::ReadWholeFile(path, platform::TShareMode::DenyWrite); })
              .starts_with(u"Cannot open file \"" + path + u"\". "));
    CHECK(platform::ReadWholeFile(path, platform::TShareMode::DenyNone) == "# x\n");
    CloseHandle(writer);
    CHECK(platform::ReadWholeFile(path, platform::TShareMode::DenyWrite) == "# x\n");
}
#endif

#if defined(_WIN32) && defined(__i386__)
namespace {
uint16_t X87Control() {
    uint16_t control = 0;
    __asm__ __volatile__("fnstcw %0" : "=m"(control));
    return control;
}
void SetX87Control(uint16_t control) { __asm__ __volatile__("fldcw %0" : : "m"(control)); }
}  // namespace

TEST_CASE("the component masks the x87 exceptions when it is loaded; masking masks all six") {
    // On a thread of its own, whose control word alone is changed; the flags
    // are cleared first, or the first waiting instruction would raise one of
    // them as soon as it is unmasked.
    uint16_t start = 0, afterLoad = 0, masked = 0;
    bool loaded = false;
    std::thread([&] {
        __asm__ __volatile__("fnclex");
        start = X87Control();
        SetX87Control(static_cast<uint16_t>(start & ~0x3F));  // as code that wants them raised leaves them
        const HMODULE component = LoadLibraryW(L"" MCR_COMPONENT_DLL);
        afterLoad = X87Control();
        loaded = component != nullptr;
        if (component) FreeLibrary(component);
        __asm__ __volatile__("fnclex");
        SetX87Control(static_cast<uint16_t>(start & ~0x3F));
        MaskX87Exceptions();
        masked = X87Control();
        SetX87Control(start);
    }).join();
    REQUIRE(loaded);
    CHECK((afterLoad & 0x3F) == 0x3F);
    CHECK((masked & 0x3F) == 0x3F);
    CHECK((masked & ~0x3F) == (start & ~0x3F));  // precision and rounding untouched
}
#endif

}  // TEST_SUITE

TEST_SUITE("help archive") {

TEST_CASE("the carried archive holds the document and a stylesheet at its top level, both deflated") {
    const std::optional<std::string_view> archive = platform::FindResourceData(u"HELP");
    REQUIRE(archive);
    const std::vector<TZipMemberInfo> members = ListZipArchive(*archive);
    REQUIRE(members.size() == 2);
    int documents = 0, stylesheets = 0;
    for (const TZipMemberInfo& member : members) {
        CAPTURE(ToUtf8(member.Name));
        CHECK(member.Method == 8);
        CHECK(member.Size > 0);
        CHECK(member.Name.find(u'/') == std::u16string::npos);
        documents += member.Name == u"help.md";
        stylesheets += member.Name.ends_with(u".css");
    }
    CHECK(documents == 1);
    CHECK(stylesheets == 1);
}

#ifdef _WIN32
TEST_CASE("the archive is a raw-data resource named HELP in the language 1033") {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ListZipArchive), &module);
    REQUIRE(module);
    CHECK(FindResourceExW(module, MAKEINTRESOURCEW(10), L"HELP", 1033) != nullptr);
}
#endif

TEST_CASE("the help document is UTF-8 without mark, LF lines, five blocks apart by one empty line") {
    ScopedTempFolder temp;
    TMarkdownRenderer renderer;
    ExtractZipArchive(*platform::FindResourceData(u"HELP"), renderer.TempDirectory());
    const std::string text = Read(renderer.TempDirectory() + platform::kPathSeparator + u"help.md");
    CHECK_FALSE(text.starts_with(kBom));
    CHECK(text.find('\r') == std::string::npos);
    CHECK(U16(text).find(u'\uFFFD') == std::u16string::npos);
    REQUIRE(text.ends_with("\n"));
    CHECK_FALSE(text.ends_with("\n\n"));
    std::vector<std::string> blocks;
    size_t start = 0;
    for (size_t end; (end = text.find("\n\n", start)) != std::string::npos; start = end + 2) {
        blocks.push_back(text.substr(start, end - start));
    }
    blocks.push_back(text.substr(start, text.size() - 1 - start));
    REQUIRE(blocks.size() == 5);
    for (const std::string& block : blocks) {
        CHECK(block.find('\n') == std::string::npos);  // one line each
        CHECK_FALSE(block.starts_with(" "));
    }
    CHECK(blocks[0].starts_with("# "));
    CHECK(blocks[1].starts_with("## "));
    for (int k = 2; k < 5; ++k) CHECK_FALSE(blocks[k].starts_with("#"));
    // "1C" in the title is written with a Latin C; in the text, with the Cyrillic letter.
    CHECK(blocks[0].find("1C:") != std::string::npos);
    CHECK(blocks[0].find("1С") == std::string::npos);
    for (int k = 2; k < 5; ++k) {
        CHECK(blocks[k].find("1С:") != std::string::npos);
        CHECK(blocks[k].find("1C") == std::string::npos);
    }
    CHECK(blocks[2].ends_with("(версия 3.2)\"."));
}

}  // TEST_SUITE
