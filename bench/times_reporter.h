// The console reporter of the benchmarks that compare two ways of doing the
// same work: it also keeps the real time per iteration of each benchmark
// in seconds, for the ratios printed at the end (with repetitions, the mean
// aggregate). The benchmarks report in milliseconds.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace tesk_bench {

class TimesReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "mean")
                m_seconds[run.run_name.function_name] = run.GetAdjustedRealTime() / 1000.0;
        ConsoleReporter::ReportRuns(runs);
    }
    double operator[](const std::string& name) const {
        const auto found = m_seconds.find(name);
        return found == m_seconds.end() ? 0 : found->second;
    }

private:
    std::map<std::string, double> m_seconds;
};

}  // namespace tesk_bench
