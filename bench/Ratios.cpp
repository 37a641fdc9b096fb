#include "Ratios.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

namespace kv::bench {

namespace {
// The console's table as usual, and the CPU time of every run kept by its name: the median where
// there are repetitions, the run itself where there are none.
class CollectingReporter final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& reports) override
    {
        ConsoleReporter::ReportRuns(reports);
        for (const Run& run : reports) {
            if (run.error_occurred)
                continue;
            const double unit = benchmark::GetTimeUnitMultiplier(run.time_unit);
            const Times times{run.GetAdjustedCPUTime() / unit, run.GetAdjustedRealTime() / unit};
            // Named by function and arguments, without "/process_time" and the like.
            const std::string name =
                run.run_name.function_name + (run.run_name.args.empty() ? "" : '/' + run.run_name.args);
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                m_median[name] = times;
            else if (run.run_type == Run::RT_Iteration)
                m_single[name] = times;
        }
    }

    // The figure of the benchmark in seconds, or a negative number when it did not run.
    double seconds(const std::string& name, Figure figure) const
    {
        const auto m = m_median.find(name);
        const auto s = m_single.find(name);
        if (m == m_median.end() && s == m_single.end())
            return -1;
        const Times& t = m != m_median.end() ? m->second : s->second;
        return figure == Figure::Cpu ? t.cpu : t.manual;
    }

private:
    struct Times {
        double cpu;
        double manual; // the real time, which is the manual time where a benchmark sets it
    };
    std::map<std::string, Times> m_median;
    std::map<std::string, Times> m_single;
};
} // namespace

int runWithRatios(int& argc, char** argv, const std::vector<Ratio>& ratios)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    bool heading = false;
    for (const Ratio& r : ratios) {
        const double measured = reporter.seconds(r.measured, r.figure);
        const double yardstick = reporter.seconds(r.yardstick, r.figure);
        if (measured < 0 || yardstick <= 0)
            continue;
        if (!heading) {
            std::printf("\nAgainst the yardstick (CPU time, children included where set by the benchmark; "
                        "medians when repeated):\n");
            heading = true;
        }
        std::printf("  %-44s %10.3f ms   %-36s %10.3f ms   %6.2fx\n", r.measured.c_str(), measured * 1e3,
                    r.yardstick.c_str(), yardstick * 1e3, measured / yardstick);
    }
    std::fflush(stdout);
    return 0;
}

std::vector<Ratio> ratiosAtSizes(const std::string& measured, const std::string& yardstick,
                                 const std::vector<int>& sizes)
{
    std::vector<Ratio> out;
    for (const int size : sizes)
        out.push_back({measured + '/' + std::to_string(size), yardstick + '/' + std::to_string(size)});
    return out;
}

} // namespace kv::bench
