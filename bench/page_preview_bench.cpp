// The page preview: a full title of 28 characters, custom characters among them, drawn on a
// 640 x 480 picture (kept caches and from nothing), an edit with the preview's repaint, and
// the strip of neighbouring pages.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <string>

#include "core/glyphs/glyph_sizes.h"
#include "core/model/settings_model.h"
#include "program/program_context.h"
#include "ui/pages/page_preview.h"
#include "ui/pages/page_preview_strip.h"
#include "widget_bench_main.h"

namespace {

using namespace velta;

const QSize k_picture{640, 480};

// 14 kanji and 14 custom characters, alternating; every glyph slot holds a pattern.
void fill_page(SettingsModel& m, int slot)
{
    for (GlyphSize size : k_glyph_sizes) {
        const GlyphSizeInfo& info = glyph_size_info(size);
        for (int s = 0; s < 14; ++s) {
            const std::span<char> text = glyph_slot(m.glyphs, size, s);
            for (int i = 0; i < info.glyph_digits; ++i)
                text[static_cast<std::size_t>(i)] = "0F3C5A96"[(i + s) % 8];
        }
    }
    std::string title;
    for (int i = 0; i < 14; ++i) {
        title += "\x88\x9F";  // 亜
        const unsigned element = glyph_code(i) - 0x9345;
        title.push_back(static_cast<char>(element >> 8));
        title.push_back(static_cast<char>(element & 0xFF));
    }
    auto& p = m.config.pages;
    p.page_title[static_cast<std::size_t>(slot)] = title;
    p.page_background_fill[static_cast<std::size_t>(slot)] = 1;
    p.page_border_color[static_cast<std::size_t>(slot)] = 4;  // 青
}

void BM_RenderFullTitleKeptCaches(benchmark::State& state)
{
    reset_settings_model();
    fill_page(model(), 0);
    PreviewRenderer renderer;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            renderer.render(model().config, model().glyphs, 0, k_picture, QImage()));
}
BENCHMARK(BM_RenderFullTitleKeptCaches)->Unit(benchmark::kMicrosecond);

void BM_RenderFullTitleFromNothing(benchmark::State& state)
{
    reset_settings_model();
    fill_page(model(), 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            render_page_preview(model().config, model().glyphs, 0, k_picture, QImage()));
}
BENCHMARK(BM_RenderFullTitleFromNothing)->Unit(benchmark::kMicrosecond);

// Two full lines of a two-line page over a still, as a frame grab is shown.
void BM_RenderTwoLinesOnStill(benchmark::State& state)
{
    reset_settings_model();
    model().config.device.page_mode = 1;
    fill_page(model(), 0);
    fill_page(model(), 1);
    QImage still(1920, 1080, QImage::Format_RGB32);
    still.fill(qRgb(90, 120, 70));
    PreviewRenderer renderer;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            renderer.render(model().config, model().glyphs, 1, k_picture, still));
}
BENCHMARK(BM_RenderTwoLinesOnStill)->Unit(benchmark::kMicrosecond);

// A title edit: the character changes, the preview draws again and the event loop paints it.
void BM_EditAndRepaint(benchmark::State& state)
{
    reset_settings_model();
    fill_page(model(), 0);
    PagePreview preview;
    preview.resize(660, 560);
    preview.show();
    QApplication::processEvents();
    std::string& title = model().config.pages.page_title[0];
    int i = 0;
    for (auto _ : state) {
        title[0] = static_cast<char>(0x88 + i % 2);  // 亜 / 院 and back
        ++i;
        preview.refresh();
        QApplication::processEvents();
    }
    state.counters["picture_width"] = preview.picture().width();
}
BENCHMARK(BM_EditAndRepaint)->Unit(benchmark::kMicrosecond);

// The five neighbours drawn again, what the strip costs on an edit.
void BM_StripRefresh(benchmark::State& state)
{
    reset_settings_model();
    for (int s = 0; s < 5; ++s) fill_page(model(), s);
    PagePreviewStrip strip;
    strip.show_slot(2);
    strip.show();
    QApplication::processEvents();
    for (auto _ : state) {
        strip.refresh();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_StripRefresh)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    return velta::run_widget_benchmarks(argc, argv);
}
