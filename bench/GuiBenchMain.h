#pragma once

// The main function of a benchmark that shows widgets: an offscreen application (unless a
// platform is chosen) around Google Benchmark's own command line.
#include <QApplication>

#include <benchmark/benchmark.h>

#define KV_GUI_BENCHMARK_MAIN()                                                                    \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))                                        \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                               \
        QApplication app(argc, argv);                                                              \
        benchmark::Initialize(&argc, argv);                                                        \
        if (benchmark::ReportUnrecognizedArguments(argc, argv))                                    \
            return 1;                                                                              \
        benchmark::RunSpecifiedBenchmarks();                                                       \
        benchmark::Shutdown();                                                                     \
        return 0;                                                                                  \
    }
