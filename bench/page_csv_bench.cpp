// The page file with every title full (27 kanji and a custom character, 56 bytes) and every
// attribute away from its default: writing it, and reading it back over a factory
// configuration (every cell a change), in UTF-8 and as a spreadsheet's code page 932 file,
// through the program's own code page 932 conversion.
#include <benchmark/benchmark.h>

#include <QString>
#include <string>

#include "core/model/settings_model.h"
#include "core/pages/page_csv.h"
#include "link/text_cp932.h"

namespace {

using namespace velta;

DeviceConfig full_config()
{
    const QString kanji = QStringLiteral(
        "東京大阪名古屋福岡札幌仙台広島京都神戸横浜千葉埼玉静岡新潟長野金沢富山岐阜三重奈良"
        "和歌山鳥取島根岡山山口徳島香川愛媛高知");
    DeviceConfig c;
    for (int s = 0; s < k_page_slots; ++s) {
        const auto i = static_cast<std::size_t>(s);
        c.pages.page_title[i] = to_cp932(kanji.mid(s % 20, 27)) + std::string("\x10\x21", 2);
        c.pages.page_title_position[i] = 0;
        c.pages.page_auto_switch_time[i] = 10 + s % 90;
        c.pages.page_char_color[i] = s % 7;
        c.pages.page_border_color[i] = 1 + s % 8;
        c.pages.page_background_fill[i] = 1;
        c.pages.page_char_level[i] = 0;
    }
    return c;
}

void BM_ExportPages(benchmark::State& state)
{
    const DeviceConfig config = full_config();
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string csv = pages_to_csv(config, cp932_title_text());
        bytes = csv.size();
        benchmark::DoNotOptimize(csv.data());
    }
    state.counters["file_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_ExportPages)->Unit(benchmark::kMillisecond);

void import_pages(benchmark::State& state, const std::string& csv)
{
    const DeviceConfig base;
    int changed = 0;
    for (auto _ : state) {
        const PagesImport r = pages_from_csv(base, csv, cp932_title_text());
        if (!r.config) {
            state.SkipWithError(r.error.c_str());
            return;
        }
        changed = r.changed_cells;
        benchmark::DoNotOptimize(r.config->pages.page_title.data());
    }
    state.counters["changed_cells"] = changed;
}

void BM_ImportPages(benchmark::State& state)
{
    import_pages(state, pages_to_csv(full_config(), cp932_title_text()));
}
BENCHMARK(BM_ImportPages)->Unit(benchmark::kMillisecond);

void BM_ImportPagesCodePage932(benchmark::State& state)
{
    const std::string utf8 = pages_to_csv(full_config(), cp932_title_text()).substr(3);
    import_pages(state, to_cp932(QString::fromStdString(utf8)));
}
BENCHMARK(BM_ImportPagesCodePage932)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
