#include "help/MarkdownRenderer.h"

#include <cmark.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <utility>

#include "common/Error.h"
#include "common/Text.h"
#include "help/DocView.h"
#include "help/ZipArchive.h"
#include "platform/Files.h"
#include "platform/Platform.h"
#include "platform/Resources.h"

namespace {

constexpr char16_t kArchiveName[] = u"md.zip";
constexpr char16_t kPageName[] = u"md.html";
constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";
constexpr char kLineEnd[] = "\r\n";

struct CFree {
    void operator()(char* text) const { std::free(text); }
};

// The CommonMark dialect at its default settings.
std::string MarkdownToHtml(const std::u16string& AText) {
    const std::string source = ToUtf8(AText);
    std::unique_ptr<char, CFree> html(cmark_markdown_to_html(source.data(), source.size(), CMARK_OPT_DEFAULT));
    if (!html) throw EComponentError(u"Out of memory");
    return html.get();
}

// "*.<extension>" as the system's folder search understands it: the text
// after the name's last dot, letter case aside.
bool HasExtension(std::u16string_view AName, std::u16string_view AExtension) {
    const size_t dot = AName.rfind(u'.');
    if (dot == std::u16string_view::npos) return false;
    const std::u16string_view extension = AName.substr(dot + 1);
    if (extension.size() != AExtension.size()) return false;
    for (size_t i = 0; i < extension.size(); ++i) {
        if (platform::FoldCase(extension[i]) != platform::FoldCase(AExtension[i])) return false;
    }
    return true;
}

char16_t Utf16Unit(unsigned char first, unsigned char second, bool bigEndian) {
    return bigEndian ? static_cast<char16_t>(first << 8 | second) : static_cast<char16_t>(second << 8 | first);
}

std::u16string DecodeUtf16(std::string_view ABytes, bool bigEndian) {
    std::u16string text;
    text.reserve(ABytes.size() / 2);
    // An odd last byte is no character.
    for (size_t i = 0; i + 1 < ABytes.size(); i += 2) {
        text += Utf16Unit(static_cast<unsigned char>(ABytes[i]), static_cast<unsigned char>(ABytes[i + 1]), bigEndian);
    }
    return text;
}

}  // namespace

std::u16string DecodeDocument(std::string_view ABytes) {
    if (ABytes.starts_with(kUtf8Bom)) return FromUtf8(ABytes.substr(3));
    if (ABytes.starts_with("\xFF\xFE")) return DecodeUtf16(ABytes.substr(2), false);
    if (ABytes.starts_with("\xFE\xFF")) return DecodeUtf16(ABytes.substr(2), true);
    return FromUtf8(ABytes);
}

std::string BuildHtmlPage(std::string_view ABody, const std::u16string& ACss) {
    std::string page = kUtf8Bom;
    if (ACss.empty()) {
        page += ABody;
        return page;
    }
    for (const char* line : {"<!DOCTYPE html>", "<html>", "<head>"}) (page += line) += kLineEnd;
    ((page += "<link href=\"") += ToUtf8(ACss)) += "\" rel=\"stylesheet\">";
    page += kLineEnd;
    for (const char* line : {"</head>", "<body>"}) (page += line) += kLineEnd;
    (page += ABody) += kLineEnd;
    (page += "</body>") += kLineEnd;
    page += "</html>";
    return page;
}

TMarkdownRenderer::TMarkdownRenderer()
    : FTempDirectory(platform::TempFolder() + platform::kPathSeparator + platform::NewGuidText()) {
    platform::CreateFolders(FTempDirectory);
}

TMarkdownRenderer::TMarkdownRenderer(std::u16string ASourceName) : TMarkdownRenderer() {
    FSourceName = std::move(ASourceName);
}

TMarkdownRenderer::~TMarkdownRenderer() { platform::DeleteFolderTree(FTempDirectory); }

void TMarkdownRenderer::Render(const std::u16string& ASourceName, const std::u16string& ACaption) {
    if (!SourceExist(ASourceName)) throw EComponentError(u"File not found: " + ASourceName);
    TMarkdownRenderer renderer(ASourceName);
    renderer.Render(ACaption);
}

std::u16string TMarkdownRenderer::Render(const std::u16string& ACaption) {
    const std::optional<std::string_view> archive =
        FSourceName.empty() ? std::nullopt : platform::FindResourceData(FSourceName);
    if (!archive) throw EComponentError(u"File not found: " + FSourceName);
    return RenderArchive(*archive, ACaption);
}

std::u16string TMarkdownRenderer::RenderArchive(std::string_view AArchive, const std::u16string& ACaption) {
    platform::CreateFileWithBytes(InTemp(kArchiveName), AArchive);
    // The archive was just written unchanged: unpacked from the same bytes.
    ExtractZipArchive(AArchive, FTempDirectory);
    const std::u16string document = FindFirst(u"md");
    if (document.empty()) throw EComponentError(u"Mardown file not found");
    const std::u16string text = DecodeDocument(platform::ReadWholeFile(InTemp(document), platform::TShareMode::DenyWrite));
    const std::u16string stylesheet = FindFirst(u"css");
    const std::u16string page = InTemp(kPageName);
    platform::CreateFileWithBytes(page, BuildHtmlPage(MarkdownToHtml(text), stylesheet));
    ShowDocView(page, ACaption);
    return page;
}

bool TMarkdownRenderer::SourceExist(const std::u16string& ASourceName) {
    return !ASourceName.empty() && platform::FindResourceData(ASourceName).has_value();
}

void TMarkdownRenderer::ConvertToHtml(const std::u16string& ASource, const std::u16string& ADestination,
                                      const std::u16string& ACss) {
    if (!platform::FileExists(ASource)) throw EComponentError(u"File not found: " + ASource);
    if (!ACss.empty() && !platform::FileExists(ACss)) throw EComponentError(u"File not found: " + ACss);
    TMarkdownRenderer renderer(ASource);
    renderer.ConvertToHtml(ADestination, ACss);
}

void TMarkdownRenderer::ConvertToHtml(const std::u16string& ADestination, const std::u16string& ACss) {
    const std::u16string source = platform::IsRootedPath(FSourceName) ? FSourceName : InTemp(FSourceName);
    const std::u16string text = DecodeDocument(platform::ReadWholeFile(source, platform::TShareMode::DenyWrite));
    const std::u16string destination = ADestination.empty() ? InTemp(kPageName) : ADestination;
    platform::CreateFileWithBytes(destination, BuildHtmlPage(MarkdownToHtml(text), ACss));
}

std::u16string TMarkdownRenderer::InTemp(const std::u16string& AName) const {
    return FTempDirectory + platform::kPathSeparator + AName;
}

// Folders count as entries too, but a folder is no document: one named
// like a document is passed over rather than failing the read.
std::u16string TMarkdownRenderer::FindFirst(std::u16string_view AExtension) const {
    for (const platform::TFolderEntry& entry : platform::ListFolder(FTempDirectory)) {
        if (!entry.IsFolder && HasExtension(entry.Name, AExtension)) return entry.Name;
    }
    return {};
}
