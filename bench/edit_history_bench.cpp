// The undo history: recording a step (one cell, a whole column of the page table), undoing and
// redoing it, and the bytes a full history of bulk edits or typed titles holds.
#include <benchmark/benchmark.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <cstddef>
#include <string>

#include "core/model/edit_history.h"
#include "core/model/settings_model.h"

namespace {

using namespace velta;

using EditFn = void (*)(DeviceConfig&, std::size_t);

// One schedule cell, a different one each time.
void edit_one_cell(DeviceConfig& c, std::size_t i)
{
    ++c.device.schedule_minute[i % k_schedule_days][i / k_schedule_days % k_schedule_entries];
}

// A bulk edit of the page table: one column over all 256 rows.
void edit_column(DeviceConfig& c, std::size_t)
{
    for (int& color : c.pages.page_char_color) ++color;
}

// The heap in use, where the C library tells it; 0 elsewhere.
std::size_t heap_in_use()
{
#if defined(__GLIBC__)
    return mallinfo2().uordblks;
#else
    return 0;
#endif
}

benchmark::Counter bytes_counter(std::size_t bytes)
{
    return benchmark::Counter(static_cast<double>(bytes), benchmark::Counter::kDefaults,
                              benchmark::Counter::OneK::kIs1024);
}

void BM_Record(benchmark::State& state, EditFn edit)
{
    DeviceConfig config;
    EditHistory history(config);
    std::size_t i = 0;
    for (auto _ : state) {
        edit(config, i++);
        benchmark::DoNotOptimize(history.record(config));
    }
}
BENCHMARK_CAPTURE(BM_Record, one_cell, edit_one_cell)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Record, column_256_rows, edit_column)->Unit(benchmark::kMicrosecond);

// A full history to walk: undo runs it back (and, untimed, redo forward again when it is at the
// start), redo the other way round.
void BM_UndoRedo(benchmark::State& state, EditFn edit, bool undo)
{
    DeviceConfig config;
    EditHistory history(config);
    for (std::size_t i = 0; i < EditHistory::k_default_max_steps; ++i) {
        edit(config, i);
        history.record(config);
    }
    if (!undo) {
        while (history.undo(config)) {
        }
    }
    for (auto _ : state) {
        if (undo ? !history.can_undo() : !history.can_redo()) {
            state.PauseTiming();
            while (undo ? history.redo(config) : history.undo(config)) {
            }
            state.ResumeTiming();
        }
        benchmark::DoNotOptimize(undo ? history.undo(config) : history.redo(config));
    }
}
BENCHMARK_CAPTURE(BM_UndoRedo, undo_one_cell, edit_one_cell, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_UndoRedo, redo_one_cell, edit_one_cell, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_UndoRedo, undo_column_256_rows, edit_column, true)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_UndoRedo, redo_column_256_rows, edit_column, false)
    ->Unit(benchmark::kMicrosecond);

void report_memory(benchmark::State& state, const EditHistory& history, std::size_t heap_before)
{
    state.counters["steps"] = static_cast<double>(history.undo_steps());
    state.counters["step_bytes"] = bytes_counter(history.step_bytes());
    state.counters["heap_bytes"] = bytes_counter(heap_in_use() - heap_before);
}

// A thousand bulk edits of one column, each a step.
void BM_MemoryOf1000ColumnSteps(benchmark::State& state)
{
    for (auto _ : state) {
        const std::size_t heap_before = heap_in_use();
        DeviceConfig config;
        EditHistory history(config);
        for (std::size_t i = 0; i < EditHistory::k_default_max_steps; ++i) {
            edit_column(config, i);
            history.record(config);
        }
        report_memory(state, history, heap_before);
    }
}
BENCHMARK(BM_MemoryOf1000ColumnSteps)->Unit(benchmark::kMillisecond)->Iterations(3);

// A thousand titles typed key by key (40 keys, each recorded), one step each, over the slots in
// turn, so that after the first 256 a step's before is a typed title too.
void BM_MemoryOf1000TitleTypingSteps(benchmark::State& state)
{
    constexpr std::size_t k_keys = 40;
    for (auto _ : state) {
        const std::size_t heap_before = heap_in_use();
        DeviceConfig config;
        EditHistory history(config);
        for (std::size_t i = 0; i < EditHistory::k_default_max_steps; ++i) {
            std::string& title = config.pages.page_title[i % k_page_slots];
            const std::string typed(k_keys, static_cast<char>('A' + i % 26));
            for (std::size_t key = 1; key <= k_keys; ++key) {
                title.assign(typed, 0, key);
                history.record(config);
            }
            history.close_step();
        }
        report_memory(state, history, heap_before);
    }
}
BENCHMARK(BM_MemoryOf1000TitleTypingSteps)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
