#pragma once

// Each benchmark program prints, after its table, every figure against its yardstick: the ratio
// of the two CPU times (the medians when run with --benchmark_repetitions), so that one run
// gives the figures the README quotes. With --benchmark_enable_random_interleaving the
// repetitions of all benchmarks are interleaved, so a slower spell of a shared machine falls
// on both sides.
#include <string>
#include <vector>

namespace kv::bench {

// Which time a ratio reads: the CPU time Google Benchmark measures, or the time a benchmark sets
// itself (UseManualTime; the import sets its CPU time with its children's).
enum class Figure { Cpu, Manual };

struct Ratio {
    std::string measured;  // a benchmark's name and arguments, "BM_WorkerYears/all/32000"
    std::string yardstick; // the one it is read against
    Figure figure = Figure::Cpu;
};

// Initialises Google Benchmark from the command line, runs the benchmarks chosen and prints the
// ratios of those run. Returns the program's exit status.
int runWithRatios(int& argc, char** argv, const std::vector<Ratio>& ratios);

// The pairs "<measured>/<size>" against "<yardstick>/<size>" for each size.
std::vector<Ratio> ratiosAtSizes(const std::string& measured, const std::string& yardstick,
                                 const std::vector<int>& sizes);

} // namespace kv::bench
