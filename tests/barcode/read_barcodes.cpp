// Decodes the preset pictures with two independent Data Matrix readers and
// compares the bytes they read with the bytes the pictures were made from.
// Native only: the readers are Linux programs.
//
//   read_barcodes <work dir> <dmtxread> <ZXingReader> [doctest options]
#define DOCTEST_CONFIG_IMPLEMENT
#include <doctest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/Error.h"
#include "common/Text.h"
#include "emulator/BarcodeImage.h"

namespace fs = std::filesystem;

namespace {

fs::path gWorkDir;
std::string gDmtxRead;
std::string gZxingReader;

struct PipeCloser {
    void operator()(FILE* f) const { pclose(f); }
};

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

std::string RunAndRead(const std::string& command) {
    std::unique_ptr<FILE, PipeCloser> pipe(popen(command.c_str(), "r"));
    if (!pipe) return "<cannot run " + command + ">";
    std::string out;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0) out.append(buffer, n);
    return out;
}

// The window shows the picture on its white background; the readers need
// that light margin around a symbol to find it, as a scanner pointed at the
// screen would see it.
void WritePgmWithMargin(const fs::path& file, const TBarcodeImage& image, int margin) {
    const int width = image.Width + 2 * margin, height = image.Height + 2 * margin;
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height, TBarcodeImage::kWhite);
    for (int y = 0; y < image.Height; ++y) {
        for (int x = 0; x < image.Width; ++x) {
            pixels[static_cast<size_t>(y + margin) * width + x + margin] = image.At(x, y);
        }
    }
    std::ofstream out(file, std::ios::binary);
    out << "P5\n" << width << ' ' << height << "\n255\n";
    out.write(reinterpret_cast<const char*>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
}

std::string ReadWithDmtx(const fs::path& file) {
    return RunAndRead(Quoted(gDmtxRead) + " -N1 -m 20000 " + Quoted(file.string()));
}

std::string ReadWithZxing(const fs::path& file) {
    return RunAndRead(Quoted(gZxingReader) + " -format DataMatrix -bytes " + Quoted(file.string()));
}

std::string Hex(const std::string& bytes) {
    std::string out;
    char buffer[4];
    for (unsigned char c : bytes) {
        std::snprintf(buffer, sizeof buffer, "%02X ", c);
        out += buffer;
    }
    return out;
}

void CheckBothReaders(const fs::path& file, const std::string& expected) {
    CAPTURE(file.string());
    CHECK(Hex(ReadWithDmtx(file)) == Hex(expected));
    CHECK(Hex(ReadWithZxing(file)) == Hex(expected));
}

void CheckPicture(const std::string& name, const std::u16string& text) {
    const fs::path file = gWorkDir / (name + ".pgm");
    WritePgmWithMargin(file, BuildBarcodeImage(80, 80, text), 8);
    CheckBothReaders(file, ToUtf8(text));
}

}  // namespace

TEST_CASE("digits and letters decode back to their bytes") {
    CheckPicture("digits", u"123456789");
    CheckPicture("letters", u"ABCDEFGH");
}

TEST_CASE("control characters from escapes decode back to the same bytes") {
    CheckPicture("group_separator", u"0102\x1D" u"0304");
    CheckPicture("low_controls", u"\x01\x02\x03");
}

TEST_CASE("Cyrillic text decodes back to its UTF-8 bytes") {
    CheckPicture("cyrillic", u"Эмулятор MCR: карта №42");
}

TEST_CASE("larger symbols with fractional module sizes still decode") {
    CheckPicture("track2", u";4276380012345678=25121010000012345678?");
    CheckPicture("track1", u"%B4276380012345678^IVANOV/IVAN^2512101000000000000000123000000?");
}

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: read_barcodes <work dir> <dmtxread> <ZXingReader> [doctest options]\n");
        return 2;
    }
    gWorkDir = argv[1];
    gDmtxRead = argv[2];
    gZxingReader = argv[3];
    fs::create_directories(gWorkDir);
    doctest::Context context(argc - 3, argv + 3);
    return context.run();
}
