#include "emulator/BarcodeImage.h"

#include <zint.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "common/Error.h"
#include "common/Text.h"

namespace {

struct SymbolDeleter {
    void operator()(zint_symbol* symbol) const { ZBarcode_Delete(symbol); }
};
using UniqueSymbol = std::unique_ptr<zint_symbol, SymbolDeleter>;

// zint tags its messages as "Error 523: Data too long to fit in symbol". The
// number is zint's internal bookkeeping and means nothing to the user, who gets
// the message in a box of its own, so only the library's sentence is kept.
std::u16string LibraryMessage(const char* errtxt) {
    std::string_view text(errtxt);
    constexpr std::string_view kTag = "Error ";
    if (text.starts_with(kTag)) {
        std::string_view rest = text.substr(kTag.size());
        const size_t digits = rest.find_first_not_of("0123456789");
        if (digits != 0 && digits != std::string_view::npos && rest.substr(digits).starts_with(": ")) {
            text = rest.substr(digits + 2);
        }
    }
    return FromUtf8(text);
}

[[noreturn]] void RaiseLibraryError(const zint_symbol& symbol) {
    throw EComponentError(LibraryMessage(symbol.errtxt));
}

// The pixels whose centres fall into [from, to): a module edge that cuts a
// pixel gives the pixel to the module that covers its centre, so every pixel
// is either black or white and neighbouring modules never overlap or leave a gap.
std::pair<int, int> PixelSpan(double from, double to, int limit) {
    const int first = std::clamp(static_cast<int>(std::ceil(from - 0.5)), 0, limit);
    const int last = std::clamp(static_cast<int>(std::ceil(to - 0.5)), 0, limit);
    return {first, last};
}

void FillRect(TBarcodeImage& image, const zint_vector_rect& rect, double scale) {
    const auto [x0, x1] = PixelSpan(rect.x * scale, (rect.x + rect.width) * scale, image.Width);
    const auto [y0, y1] = PixelSpan(rect.y * scale, (rect.y + rect.height) * scale, image.Height);
    for (int y = y0; y < y1; ++y) {
        std::fill_n(image.Pixels.begin() + static_cast<ptrdiff_t>(y) * image.Width + x0, x1 - x0,
                    TBarcodeImage::kBlack);
    }
}

}  // namespace

TBarcodeImage BuildBarcodeImage(int AWidth, int AHeight, std::u16string_view AText) {
    UniqueSymbol symbol(ZBarcode_Create());
    if (!symbol) throw EComponentError(u"Insufficient memory for the barcode symbol");
    symbol->symbology = BARCODE_DATAMATRIX;
    symbol->option_3 = DM_SQUARE;
    symbol->input_mode = DATA_MODE;  // the bytes as they are: no ECI, no character set conversion
    symbol->eci = 0;
    symbol->show_hrt = 0;
    symbol->whitespace_width = 0;
    symbol->whitespace_height = 0;
    symbol->border_width = 0;
    symbol->output_options = BARCODE_NO_QUIET_ZONES;

    const std::string bytes = ToUtf8(AText);
    if (ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char*>(bytes.data()),
                        static_cast<int>(bytes.size())) >= ZINT_ERROR) {
        RaiseLibraryError(*symbol);
    }
    if (ZBarcode_Buffer_Vector(symbol.get(), 0) >= ZINT_ERROR) RaiseLibraryError(*symbol);

    TBarcodeImage image;
    image.Width = std::max(AWidth, 0);
    image.Height = std::max(AHeight, 0);
    image.Pixels.assign(static_cast<size_t>(image.Width) * image.Height, TBarcodeImage::kWhite);
    const zint_vector& vector = *symbol->vector;
    if (vector.width <= 0) return image;
    // One factor for both axes keeps the modules square; the symbol spans the
    // full width and whatever height that gives, from the top-left corner.
    const double scale = static_cast<double>(image.Width) / vector.width;
    constexpr int kForeground = -1, kBlackRect = 7;
    for (const zint_vector_rect* rect = vector.rectangles; rect; rect = rect->next) {
        if (rect->colour == kForeground || rect->colour == kBlackRect) FillRect(image, *rect, scale);
    }
    return image;
}
