// The picture work of showing the emulator window with eight 40-character
// presets: every picture is built anew on each show.
#include <benchmark/benchmark.h>

#include <string>

#include "emulator/BarcodeImage.h"

namespace {

void BM_ShowEightPresetPictures(benchmark::State& state) {
    std::u16string presets[8];
    for (int i = 0; i < 8; ++i) {
        presets[i] = u"%B" + std::u16string(1, static_cast<char16_t>(u'1' + i)) +
                     u"234567890123456^IVANOV/IVAN^2512101";
        presets[i].resize(40, u'0');
    }
    for (auto _ : state) {
        for (const auto& text : presets) benchmark::DoNotOptimize(BuildBarcodeImage(80, 80, text));
    }
}
BENCHMARK(BM_ShowEightPresetPictures)->Unit(benchmark::kMicrosecond);

}  // namespace
