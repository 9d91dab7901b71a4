#pragma once

#include <benchmark/benchmark.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace corvid::bench {

// The console report of two benchmarks, then their ratio: `print` is given
// the real times of the one measured and of its peer, once both ran. With
// repetitions, the median stands for a benchmark.
class MedianRatioReporter : public benchmark::ConsoleReporter {
  public:
    using Print = std::function<void(double measured, double peer)>;

    MedianRatioReporter(std::string measured, std::string peer, Print print)
        : ConsoleReporter(OO_None),
          m_measured(std::move(measured)),
          m_peer(std::move(peer)),
          m_print(std::move(print)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") {
                continue;
            }
            m_realTimes[run.run_name.function_name] = run.GetAdjustedRealTime();
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const double measured = m_realTimes[m_measured];
        const double peer = m_realTimes[m_peer];
        if (measured > 0 && peer > 0) {
            m_print(measured, peer);
        }
    }

  private:
    std::string m_measured;
    std::string m_peer;
    Print m_print;
    std::map<std::string, double> m_realTimes;
};

}  // namespace corvid::bench
