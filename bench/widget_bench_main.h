#pragma once
// The main of a benchmark of the tool's widgets: the offscreen platform unless one is chosen,
// an application object, then every benchmark of the program.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <functional>

namespace velta {

inline int run_widget_benchmarks(int argc, char** argv, const std::function<void()>& set_up = {})
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (set_up)
        set_up();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace velta
