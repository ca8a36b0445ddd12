// The page overview with every title full (28 characters, 56 bytes: kanji, every fourth title
// ending in two custom characters) and every attribute away from its default, offscreen:
// opening it until the table and the preview are painted, one cell edited through the model
// with the repaint it causes, one column set for all 256 rows, a CSV file of another table read
// in through the window, and undo with the window refreshing (and without it, the history's
// share). The history, the CSV conversion and the preview's drawing on their own are measured
// by edit_history_bench, page_csv_bench and page_preview_bench.
//
// Each timed action ends when the table, the preview and the strip have all been painted; the
// times are kept by hand, so what is set up around them (the dialog's deletion, the operator's
// typing of the bulk value) stays out.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <array>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/common/file_io.h"
#include "core/common/message_boxes.h"
#include "core/glyphs/glyph_sizes.h"
#include "core/model/document.h"
#include "core/pages/page_csv.h"
#include "core/pages/page_table.h"
#include "core/pages/title_encoding.h"
#include "link/text_cp932.h"
#include "program/program_context.h"
#include "ui/pages/page_overview_dialog.h"
#include "ui/pages/page_preview.h"
#include "ui/pages/page_preview_strip.h"
#include "ui/pages/page_table_model.h"
#include "ui/widgets/config_edits.h"
#include "widget_bench_main.h"

namespace {

using namespace velta;
using Clock = std::chrono::steady_clock;

constexpr int k_custom_glyphs = 8;
constexpr int k_repetitions = 5;

// 60 kanji; a title is 28 of them from an offset, so that neighbouring titles differ.
const QString& kanji()
{
    static const QString k = QStringLiteral(
        "東京大阪名古屋福岡札幌仙台広島京都神戸横浜千葉埼玉静岡新潟長野金沢富山岐阜三重奈良"
        "和歌山鳥取島根岡山山口徳島香川愛媛高知熊本長崎宮崎鹿児島沖縄青森岩手秋田山形群馬栃木");
    return k;
}

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// What the program's boxes said while a benchmark ran; a box means something was refused.
std::vector<std::string>& boxes()
{
    static std::vector<std::string> said;
    return said;
}

bool refused(benchmark::State& state)
{
    if (boxes().empty())
        return false;
    state.SkipWithError(boxes().front().c_str());
    boxes().clear();
    return true;
}

std::string full_title(int slot, int variant)
{
    const int custom = slot % 4 == 0 ? 2 : 0;
    std::string title = to_cp932(kanji().mid((slot + 7 * variant) % 30, 28 - custom));
    for (int i = 0; i < custom; ++i) {
        const unsigned element =
            glyph_code((slot / 4 + i + variant) % k_custom_glyphs) - k_custom_char_offset;
        title.push_back(static_cast<char>(element >> 8));
        title.push_back(static_cast<char>(element & 0xFF));
    }
    return title;
}

// The configuration being edited with every page filled; `variant` moves every value, so that
// the tables of two variants differ in every cell.
DeviceConfig full_pages(int variant)
{
    DeviceConfig c = model().config;
    PageSettings& p = c.pages;
    const auto count = [](PageColumn column) {
        return static_cast<int>(column_items(column).size());
    };
    for (int s = 0; s < k_page_slots; ++s) {
        const auto i = static_cast<std::size_t>(s);
        const int v = s + variant;
        p.page_title[i] = full_title(s, variant);
        p.page_title_position[i] = v % count(PageColumn::position);
        p.page_auto_switch_time[i] = 1 + v % 99;
        p.page_char_color[i] = v % count(PageColumn::char_color);
        p.page_border_color[i] = (v + 3) % count(PageColumn::border_color);
        p.page_background_fill[i] = v % count(PageColumn::background_fill);
        p.page_char_level[i] = v % count(PageColumn::char_level);
    }
    return c;
}

// A saved file with every page full and the custom characters drawn, nothing to undo.
void open_full_file()
{
    reset_settings_model();
    for (GlyphSize size : k_glyph_sizes) {
        const GlyphSizeInfo& info = glyph_size_info(size);
        for (int g = 0; g < k_custom_glyphs; ++g) {
            const std::span<char> text = glyph_slot(model().glyphs, size, g);
            for (int i = 0; i < info.glyph_digits; ++i)
                text[static_cast<std::size_t>(i)] = "0F3C5A96"[(i + g) % 8];
        }
    }
    model().config = full_pages(0);
    mark_config_saved(model().config);
    ConfigEdits::instance().restart();
    boxes().clear();
}

// Every benchmark here: times kept by hand, in milliseconds, the median of a few repetitions.
void timed_by_hand(benchmark::internal::Benchmark* b)
{
    b->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(k_repetitions)
        ->DisplayAggregatesOnly(true);
}

// Waits until the table, and unless told otherwise the preview and the strip, have each been
// painted since arm().
class PaintWatch : public QObject {
public:
    explicit PaintWatch(PageOverviewDialog& dialog)
    {
        const QList<QWidget*> preview = dialog.preview()->findChildren<QWidget*>();
        watch(dialog.table()->viewport(), 0);
        watch(dialog.preview(), 1);
        for (QWidget* w : preview) watch(w, 1);
        watch(dialog.findChild<PagePreviewStrip*>(), 2);
        arm();
    }
    // pictures: the preview and the strip must be painted too; table: the table must be.
    void arm(bool pictures = true, bool table = true)
    {
        painted_.fill(false);
        pictures_ = pictures;
        table_ = table;
    }
    bool wait()
    {
        const Clock::time_point give_up = Clock::now() + std::chrono::seconds(5);
        // The pictures draw only when what they show changed; when they do, their paint comes
        // in the same pass as the table's.
        // An undo of a cell out of sight paints nothing: its look is the work of one pass.
        if (!table_) {
            QCoreApplication::processEvents();
            QCoreApplication::processEvents();
            return true;
        }
        while (!(painted_[0] && (!pictures_ || (painted_[1] && painted_[2])))) {
            QCoreApplication::processEvents();
            if (Clock::now() > give_up)
                return false;
        }
        QCoreApplication::processEvents();
        return true;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            if (const auto at = group_.find(watched); at != group_.end())
                painted_[static_cast<std::size_t>(at->second)] = true;
        return false;
    }

private:
    void watch(QWidget* w, int group)
    {
        if (!w)
            return;
        group_[w] = group;
        w->installEventFilter(this);
    }

    std::map<QObject*, int> group_;
    std::array<bool, 3> painted_{};
    bool pictures_ = true;
    bool table_ = true;
};

// The overview as the operator has it open: shown and painted.
struct OpenOverview {
    OpenOverview() : watch(dialog)
    {
        dialog.show();
        painted = watch.wait();
    }
    // Puts the table's current cell on a slot, so that the preview shows that page; false when
    // the window was not painted.
    bool go_to(benchmark::State& state, int slot)
    {
        watch.arm();
        dialog.table()->setCurrentIndex(
            dialog.rows()->mapFromSource(dialog.table_model()->index(slot, 0)));
        if (painted && watch.wait())
            return true;
        state.SkipWithError("the window was not painted");
        return false;
    }
    // Times one action with the repaints it causes; false when nothing was painted.
    template <typename Action>
    bool timed(benchmark::State& state, Action action)
    {
        watch.arm();
        const Clock::time_point start = Clock::now();
        action();
        const bool ok = watch.wait();
        state.SetIterationTime(seconds(Clock::now() - start));
        if (!ok)
            state.SkipWithError("the window was not painted");
        return ok;
    }

    PageOverviewDialog dialog;
    PaintWatch watch;
    bool painted = false;
};

// Construction, show and the first paint of the table and the preview. The first window of the
// process also pays what a program's first window pays (styles, fonts), which the tool's main
// window has paid some of already; that one opening is kept apart as first_in_process_ms.
void BM_OpenOverview(benchmark::State& state)
{
    static double first = -1;
    open_full_file();
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        auto dialog = std::make_unique<PageOverviewDialog>();
        const Clock::duration built = Clock::now() - start;
        PaintWatch watch(*dialog);
        const Clock::time_point shown = Clock::now();
        dialog->show();
        const bool ok = watch.wait();
        const double s = seconds(built + (Clock::now() - shown));
        state.SetIterationTime(s);
        if (first < 0)
            first = s;
        dialog.reset();
        QCoreApplication::processEvents();
        if (!ok) {
            state.SkipWithError("the window was not painted");
            return;
        }
    }
    state.counters["first_in_process_ms"] = first * 1e3;
    refused(state);
}
BENCHMARK(BM_OpenOverview)->Apply(timed_by_hand);

// Every even page edited since the file was saved: 128 rows tinted, the rows that
// "保存したファイルと違うページ" shows.
void edit_even_pages()
{
    const DeviceConfig edited = full_pages(1);
    for (int s = 0; s < k_page_slots; s += 2)
        for (int c = 0; c < k_page_columns; ++c) {
            const auto column = static_cast<PageColumn>(c);
            set_cell(model().config, s, column, cell_text(edited, s, column, cp932_title_text()),
                     cp932_title_text());
        }
    ConfigEdits::instance().notice();
}

// One cell of the page shown in the preview, through setData as the cell editor commits it,
// two values in turn (both unlike the saved file's): ConfigEdits records the step and tells the
// window, which reads the table and its rows again and draws the preview and the strip again.
void BM_EditCellAndRepaint(benchmark::State& state, PageColumn column, RowShow show)
{
    open_full_file();
    constexpr int k_slot = 36;  // custom characters in its title, neighbours on both sides
    const std::string texts[2] = {
        cell_text(full_pages(2), k_slot, column, cp932_title_text()),
        cell_text(full_pages(1), k_slot, column, cp932_title_text()),
    };
    if (show != RowShow::all)
        edit_even_pages();
    OpenOverview o;
    o.dialog.show_list()->setCurrentIndex(static_cast<int>(show));
    if (!o.go_to(state, k_slot))
        return;
    PageTableModel* table = o.dialog.table_model();
    const QModelIndex cell = table->index(k_slot, static_cast<int>(column));
    int i = 0;
    for (auto _ : state) {
        const QString text = QString::fromStdString(texts[i++ % 2]);
        if (!o.timed(state, [&] { table->setData(cell, text); }))
            return;
    }
    if (cell_text(model().config, k_slot, column, cp932_title_text()) != texts[(i + 1) % 2])
        state.SkipWithError("the edit did not go in");
    state.counters["rows_shown"] = o.dialog.rows()->rowCount();
    refused(state);
}
BENCHMARK_CAPTURE(BM_EditCellAndRepaint, title, PageColumn::title, RowShow::all)
    ->Apply(timed_by_hand);
BENCHMARK_CAPTURE(BM_EditCellAndRepaint, char_color, PageColumn::char_color, RowShow::all)
    ->Apply(timed_by_hand);
BENCHMARK_CAPTURE(BM_EditCellAndRepaint, char_color_unsaved_rows, PageColumn::char_color,
                  RowShow::unsaved)
    ->Apply(timed_by_hand);

// Every row selected, one column set to one of two values in turn with "選択したページに設定".
// Choosing the value (the operator's typing or pick) is outside the time.
void BM_BulkSetColumn(benchmark::State& state, PageColumn column)
{
    open_full_file();
    OpenOverview o;
    if (!o.go_to(state, 36))
        return;
    PageOverviewDialog& d = o.dialog;
    d.table()->selectAll();
    d.bulk_column()->setCurrentIndex(static_cast<int>(column));
    const QString titles[2] = {
        QString::fromStdString(cell_text(full_pages(1), 8, column, cp932_title_text())),
        QString::fromStdString(cell_text(full_pages(2), 8, column, cp932_title_text())),
    };
    int i = 0;
    for (auto _ : state) {
        if (column == PageColumn::title)
            d.bulk_title()->setText(titles[i % 2]);
        else
            d.bulk_value()->setCurrentIndex(1 + i % 2);
        ++i;
        if (!o.timed(state, [&] { d.set_column_for_selection(); }))
            return;
    }
    if (d.selected_slots().size() != static_cast<std::size_t>(k_page_slots) ||
        !d.note()->text().startsWith(QStringLiteral("256 ")))
        state.SkipWithError("not every row was set");
    refused(state);
}
BENCHMARK_CAPTURE(BM_BulkSetColumn, char_color, PageColumn::char_color)->Apply(timed_by_hand);
BENCHMARK_CAPTURE(BM_BulkSetColumn, title, PageColumn::title)->Apply(timed_by_hand);

// "CSV読み込み…" of a file pages_to_csv wrote from another table, then of the open one's own,
// in turn, so that every import changes every cell: reading the file, the check, the step and
// the window's refresh.
void BM_ImportCsv(benchmark::State& state)
{
    open_full_file();
    QTemporaryDir folder;
    const QString files[2] = {folder.filePath(QStringLiteral("other.csv")),
                              folder.filePath(QStringLiteral("own.csv"))};
    for (int v = 0; v < 2; ++v)
        if (!write_file_atomically(files[v].toStdString(),
                                   pages_to_csv(full_pages(1 - v), cp932_title_text()))) {
            state.SkipWithError("the CSV files could not be written");
            return;
        }
    OpenOverview o;
    if (!o.go_to(state, 36))
        return;
    int i = 0;
    o.dialog.set_file_chooser([&](bool) { return files[i % 2]; });
    for (auto _ : state) {
        if (!o.timed(state, [&] { o.dialog.import_csv(); }))
            return;
        ++i;
    }
    if (!(model().config.pages == full_pages(i % 2).pages))
        state.SkipWithError("the file did not go in");
    state.counters["file_bytes"] = static_cast<double>(QFileInfo(files[0]).size());
    refused(state);
}
BENCHMARK(BM_ImportCsv)->Apply(timed_by_hand);

using StepFn = void (*)(DeviceConfig&, int);

// One cell (a character colour, the slots in turn).
void one_cell_step(DeviceConfig& c, int k)
{
    int& colour = c.pages.page_char_color[static_cast<std::size_t>(k % k_page_slots)];
    colour = (colour + 1) % 8;
}

// One column over all 256 rows, as a bulk edit leaves it.
void column_step(DeviceConfig& c, int)
{
    for (int& colour : c.pages.page_char_color) colour = (colour + 1) % 8;
}

constexpr int k_undo_steps = 1000;
constexpr int k_undo_iterations = 400;

// A full history made before the window opens (nobody listening), as edits in the dialogs
// leave it.
void record_steps(StepFn step)
{
    for (int k = 0; k < k_undo_steps; ++k) {
        step(model().config, k);
        ConfigEdits::instance().notice();
    }
}

// Undo of one step through ConfigEdits, the window open: the history's share and the window's
// refresh (the table read again, the preview and the strip drawn) happen in the call, the
// paint after it; undo_call_ms is the call's share.
void BM_UndoWithWindow(benchmark::State& state, StepFn step, bool painted_in_sight)
{
    open_full_file();
    record_steps(step);
    OpenOverview o;
    if (!o.go_to(state, 36))
        return;
    double in_call = 0;
    for (auto _ : state) {
        // What the step changed may lie out of sight (one cell) or in it (a whole column).
        o.watch.arm(false, painted_in_sight);
        const Clock::time_point start = Clock::now();
        const bool undone = ConfigEdits::instance().undo();
        const Clock::time_point called = Clock::now();
        const bool painted = o.watch.wait();
        state.SetIterationTime(seconds(Clock::now() - start));
        in_call += seconds(called - start);
        if (!undone || !painted) {
            state.SkipWithError(undone ? "the window was not painted" : "nothing to undo");
            return;
        }
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["undo_call_ms"] = in_call / n * 1e3;
    refused(state);
}
BENCHMARK_CAPTURE(BM_UndoWithWindow, one_cell, one_cell_step, false)
    ->Iterations(k_undo_iterations)
    ->Apply(timed_by_hand);
BENCHMARK_CAPTURE(BM_UndoWithWindow, column_256_rows, column_step, true)
    ->Iterations(k_undo_iterations)
    ->Apply(timed_by_hand);

// The same undo with no window open: the history and ConfigEdits' own look at the
// configuration, the share the window adds nothing to.
void BM_UndoNoWindow(benchmark::State& state, StepFn step)
{
    open_full_file();
    record_steps(step);
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        const bool undone = ConfigEdits::instance().undo();
        state.SetIterationTime(seconds(Clock::now() - start));
        if (!undone) {
            state.SkipWithError("nothing to undo");
            return;
        }
    }
    refused(state);
}
BENCHMARK_CAPTURE(BM_UndoNoWindow, one_cell, one_cell_step)
    ->Iterations(k_undo_iterations)
    ->Apply(timed_by_hand)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_UndoNoWindow, column_256_rows, column_step)
    ->Iterations(k_undo_iterations)
    ->Apply(timed_by_hand)
    ->Unit(benchmark::kMicrosecond);

QtMessageHandler g_messages = nullptr;

// The offscreen platform says this of every dialog it shows; every other message is passed on.
void without_size_hint_notes(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (!text.contains(QLatin1String("propagateSizeHints")))
        g_messages(type, context, text);
}

}  // namespace

int main(int argc, char** argv)
{
    g_messages = qInstallMessageHandler(without_size_hint_notes);
    return run_widget_benchmarks(argc, argv, [] {
        set_title_text_reader(&cp932_char_to_utf8);
        set_box_presenter([](const Box& box) {
            boxes().push_back(box.text);
            return BoxAnswer::ok;
        });
    });
}
