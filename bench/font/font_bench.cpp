// font_bench.cpp - the time a build spends on one part's bitmap font.
//
// A build loads its font once and renders a glyph set per part; the fresh-font
// case, which pays fontconfig, FreeType and every glyph again, is what each
// part would cost without that reuse.
#include <benchmark/benchmark.h>

#include <string>

#include "font/font_rasterizer.h"
#include "font/glyph_set.h"

namespace {

using quorix::TFontDesc;
using quorix::TFontRasterizer;
using quorix::TGlyphSet;

// About 150 glyphs: printable ASCII and the Cyrillic letters of Windows-1251,
// less a few bytes that differ from part to part.
TGlyphSet PartGlyphs(int part) {
    std::string bytes;
    for (int j = 32; j < 127; ++j) bytes.push_back(static_cast<char>(j));
    for (int j = 0xC0; j < 0x100; ++j) bytes.push_back(static_cast<char>(j));
    for (int k = 0; k < 8; ++k) bytes[(part * 7 + k * 13) % bytes.size()] = ' ';
    TGlyphSet set;
    set.Add(bytes);
    set.DropControlBytes();
    return set;
}

void BM_RenderPart(benchmark::State& state) {
    TFontRasterizer font{TFontDesc{}};
    TGlyphSet parts[2] = {PartGlyphs(0), PartGlyphs(1)};
    int part = 0;
    for (auto _ : state) {
        font.Render(parts[part ^= 1]);
        std::string bytes = font.FontDatBytes();
        benchmark::DoNotOptimize(bytes.data());
        font.Release();
    }
}
BENCHMARK(BM_RenderPart)->Unit(benchmark::kMicrosecond);

void BM_RenderPartWithFreshFont(benchmark::State& state) {
    TGlyphSet set = PartGlyphs(0);
    for (auto _ : state) {
        TFontRasterizer font{TFontDesc{}};
        font.Render(set);
        std::string bytes = font.FontDatBytes();
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_RenderPartWithFreshFont)->Unit(benchmark::kMicrosecond);

void BM_FontSetUp(benchmark::State& state) {
    for (auto _ : state) {
        TFontRasterizer font{TFontDesc{}};
        benchmark::DoNotOptimize(font.Height());
    }
}
BENCHMARK(BM_FontSetUp)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
