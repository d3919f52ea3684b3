// The help action's renderer: unpacks the help archive into a private
// temporary folder, converts its Markdown document to an HTML page that
// links the archive's stylesheet, and shows the page in TfrmDocView. The
// folder lives exactly as long as the renderer.
#pragma once

#include <string>
#include <string_view>

class TMarkdownRenderer {
public:
    // Makes a new folder named by a fresh GUID under the system's temporary folder.
    TMarkdownRenderer();
    explicit TMarkdownRenderer(std::u16string ASourceName);
    // Deletes the folder with everything in it.
    ~TMarkdownRenderer();
    TMarkdownRenderer(const TMarkdownRenderer&) = delete;
    TMarkdownRenderer& operator=(const TMarkdownRenderer&) = delete;

    // The help action: renders the raw-data resource ASourceName with a
    // renderer of its own and shows it; returns when the window is closed.
    static void Render(const std::u16string& ASourceName, const std::u16string& ACaption);
    // Renders the resource FSourceName, shows the page modally, and returns
    // the page's path.
    std::u16string Render(const std::u16string& ACaption);
    // What Render does with the resource's bytes: any zip archive with a
    // Markdown document at its top level, and maybe a stylesheet.
    std::u16string RenderArchive(std::string_view AArchive, const std::u16string& ACaption);

    // True when the name is not empty and the component has a raw-data
    // resource of that name (letter case aside).
    static bool SourceExist(const std::u16string& ASourceName);
    bool SourceExist() const { return SourceExist(FSourceName); }

    // A Markdown file to an HTML file, no window. ACss goes into the page's
    // link unchanged; an empty one gives the bare body.
    static void ConvertToHtml(const std::u16string& ASource, const std::u16string& ADestination,
                              const std::u16string& ACss);
    // FSourceName (inside the temporary folder unless rooted) to ADestination,
    // or to md.html in the temporary folder when ADestination is empty.
    void ConvertToHtml(const std::u16string& ADestination, const std::u16string& ACss);

    const std::u16string& SourceName() const { return FSourceName; }
    const std::u16string& TempDirectory() const { return FTempDirectory; }

private:
    std::u16string InTemp(const std::u16string& AName) const;
    // The first entry of the temporary folder itself with the extension, as
    // the folder enumeration orders them; empty when there is none.
    std::u16string FindFirst(std::u16string_view AExtension) const;

    std::u16string FSourceName;
    std::u16string FTempDirectory;
};

// The text of a Markdown file: a byte-order mark picks UTF-8, UTF-16LE or
// UTF-16BE and is skipped; without one the bytes are UTF-8.
std::u16string DecodeDocument(std::string_view ABytes);

// The page: the UTF-8 byte-order mark, then the frame around the body with
// CR LF line ends and a link to the stylesheet; with no stylesheet, the body alone.
std::string BuildHtmlPage(std::string_view ABody, const std::u16string& ACss);
