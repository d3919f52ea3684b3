// The picture of one preset: a square Data Matrix symbol drawn by zint, as a
// plain gray raster so that the window, the tests and any other platform can
// use it without a graphics library.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

struct TBarcodeImage {
    static constexpr uint8_t kBlack = 0;
    static constexpr uint8_t kWhite = 255;

    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Pixels;  // Width * Height gray values, row by row from the top

    uint8_t At(int x, int y) const { return Pixels[static_cast<size_t>(y) * Width + x]; }
};

// The UTF-8 bytes of AText as the smallest square Data Matrix that holds them,
// scaled so that the symbol spans the full width, anchored at the top-left
// corner of a white AWidth x AHeight canvas, without a quiet zone. Raises
// EComponentError with the library's message when the text cannot be encoded.
TBarcodeImage BuildBarcodeImage(int AWidth, int AHeight, std::u16string_view AText);
