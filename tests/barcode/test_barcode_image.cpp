// The raster geometry of the preset pictures. Whether the pictures decode back
// to their texts is checked with real readers by read_barcodes.cpp.
#include <doctest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "common/Error.h"
#include "emulator/BarcodeImage.h"

namespace {

// The symbol's module count, read off its top edge: the timing pattern
// alternates dark and light once per module, starting dark at the left.
int ModulesAcrossTop(const TBarcodeImage& image) {
    int runs = 1;
    for (int x = 1; x < image.Width; ++x) {
        if (image.At(x, 0) != image.At(x - 1, 0)) ++runs;
    }
    return runs;
}

bool RowIs(const TBarcodeImage& image, int y, int from, int to, uint8_t value) {
    for (int x = from; x < to; ++x) {
        if (image.At(x, y) != value) return false;
    }
    return true;
}

bool ColumnIs(const TBarcodeImage& image, int x, int from, int to, uint8_t value) {
    for (int y = from; y < to; ++y) {
        if (image.At(x, y) != value) return false;
    }
    return true;
}

std::u16string ErrorOf(int width, int height, std::u16string_view text) {
    try {
        BuildBarcodeImage(width, height, text);
    } catch (const EComponentError& e) {
        return e.Message();
    }
    return u"no error";
}

}  // namespace

TEST_CASE("a preset picture is a black and white square symbol filling the canvas from the top-left") {
    const std::u16string texts[] = {u"123456789", u"ABCDEFGH", u"0102\x1D" u"0304", u"Тестовая карта 42",
                                    std::u16string(120, u'x')};
    for (const auto& text : texts) {
        CAPTURE(std::string(text.begin(), text.end()));
        const TBarcodeImage image = BuildBarcodeImage(80, 80, text);
        REQUIRE(image.Width == 80);
        REQUIRE(image.Height == 80);
        REQUIRE(image.Pixels.size() == 80u * 80u);
        CHECK(std::all_of(image.Pixels.begin(), image.Pixels.end(),
                          [](uint8_t p) { return p == TBarcodeImage::kBlack || p == TBarcodeImage::kWhite; }));

        // Data Matrix sizes are even; no quiet zone, so the finder pattern
        // sits on the canvas edges: solid left column and bottom row.
        const int modules = ModulesAcrossTop(image);
        CHECK(modules % 2 == 0);
        CHECK(modules >= 10);
        CHECK(ColumnIs(image, 0, 0, 80, TBarcodeImage::kBlack));
        CHECK(RowIs(image, 79, 0, 80, TBarcodeImage::kBlack));
        CHECK(image.At(0, 0) == TBarcodeImage::kBlack);
        CHECK(image.At(79, 0) == TBarcodeImage::kWhite);   // top edge ends light
        CHECK(image.At(79, 79) == TBarcodeImage::kBlack);  // right edge ends dark
    }
}

TEST_CASE("longer texts get more modules of smaller size") {
    const int small = ModulesAcrossTop(BuildBarcodeImage(80, 80, u"1"));
    const int medium = ModulesAcrossTop(BuildBarcodeImage(80, 80, std::u16string(40, u'Z')));
    const int large = ModulesAcrossTop(BuildBarcodeImage(80, 80, std::u16string(200, u'Z')));
    CHECK(small < medium);
    CHECK(medium < large);
}

TEST_CASE("modules are square and the symbol is anchored top-left on a taller canvas") {
    const auto square = BuildBarcodeImage(80, 80, u"ABCDEFGH");
    const auto tall = BuildBarcodeImage(80, 120, u"ABCDEFGH");
    REQUIRE(tall.Height == 120);
    // The same symbol, unscaled by the extra height; below it only white.
    CHECK(std::equal(square.Pixels.begin(), square.Pixels.end(), tall.Pixels.begin()));
    for (int y = 80; y < 120; ++y) CHECK(RowIs(tall, y, 0, 80, TBarcodeImage::kWhite));
}

TEST_CASE("the module size is the canvas width over the module count") {
    // Twice the width gives the same symbol with each pixel doubled, up to the
    // half pixel that a module edge may move by when its width is a fraction.
    const auto one = BuildBarcodeImage(80, 80, u"0102\x1D" u"0304");
    const auto two = BuildBarcodeImage(160, 160, u"0102\x1D" u"0304");
    REQUIRE(ModulesAcrossTop(one) == ModulesAcrossTop(two));
    const double module = 160.0 / ModulesAcrossTop(two);
    int mismatches = 0;
    for (int y = 0; y < 160; ++y) {
        for (int x = 0; x < 160; ++x) {
            const double cx = std::fmod(x + 0.5, module), cy = std::fmod(y + 0.5, module);
            const bool nearEdge = cx < 1 || module - cx < 1 || cy < 1 || module - cy < 1;
            if (!nearEdge && two.At(x, y) != one.At(x / 2, y / 2)) ++mismatches;
        }
    }
    CHECK(mismatches == 0);
}

TEST_CASE("a text the library cannot encode fails with the library's own message") {
    // The largest square symbol holds 1558 bytes.
    CHECK(ErrorOf(80, 80, std::u16string(1600, u'\x7F')) == u"Data too long to fit in symbol");
    const std::u16string empty = ErrorOf(80, 80, u"");
    CHECK(empty != u"no error");
    CHECK_FALSE(empty.starts_with(u"Error"));
}
