// Google Benchmark's main, with a Qt application object for the manager.
#include <benchmark/benchmark.h>

#ifdef CV_BENCH_WITH_SETTINGS
#include <QCoreApplication>
#include <QStandardPaths>
#endif

int main(int argc, char** argv)
{
#ifdef CV_BENCH_WITH_SETTINGS
    // The manager asks for the per-user folder at construction; keep the
    // benchmark's out of the user's own.
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication app(argc, argv);
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
