// One pixel edit on the large editor, with the repaint it causes, as a drag does it.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEvent>

#include "core/glyphs/glyph_layout.h"
#include "core/model/settings_model.h"
#include "program/program_context.h"
#include "ui/glyphs/glyph_editor_dialog.h"
#include "widget_bench_main.h"

namespace {

using namespace velta;

// Counts the paints a widget receives, so a figure can show that painting really happened.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Each iteration toggles one pixel (so the digit really changes), draws its cell and lets the
// event loop paint the dirty region.
void BM_LargeGridPixelEditAndRepaint(benchmark::State& state)
{
    reset_settings_model();
    GlyphEditorDialog editor(GlyphSize::large);
    editor.show();
    editor.redraw_tick();
    QApplication::processEvents();
    const GlyphEditorLayout& e = editor_layout(GlyphSize::large);
    PaintCounter counter;
    editor.grid()->installEventFilter(&counter);
    int i = 0;
    for (auto _ : state) {
        const int col = 1 + i % 46;
        const int row = 1 + (i / 46) % 46;
        const bool set = (i / (46 * 46)) % 2 == 0;
        ++i;
        const auto x = static_cast<std::int16_t>(k_grid_origin + col * e.cell_width + 2);
        const auto y = static_cast<std::int16_t>(k_grid_origin + row * e.cell_height + 2);
        if (const auto hit = edit_pixel(model().glyphs, GlyphSize::large, x, y, set))
            editor.grid()->draw_cell(hit->column, hit->row);
        // The event loop paints the one dirty cell, as it does during a drag.
        QApplication::processEvents();
    }
    state.counters["paints_per_edit"] =
        static_cast<double>(counter.paints) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_LargeGridPixelEditAndRepaint)->Unit(benchmark::kMicrosecond);

// The whole grid drawn again, what a reply or a cleared buffer costs.
void BM_LargeGridFullRedraw(benchmark::State& state)
{
    reset_settings_model();
    GlyphEditorDialog editor(GlyphSize::large);
    editor.show();
    QApplication::processEvents();
    for (auto _ : state) {
        editor.grid()->draw_glyph_grid();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_LargeGridFullRedraw)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    return velta::run_widget_benchmarks(argc, argv);
}
