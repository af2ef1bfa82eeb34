#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace qm {

// Per-part frame times of a capture run: CPU (the frame's work on the
// calling thread) and GPU (timer query) in milliseconds, and the number of
// GL calls the engine made for the frame.
class FrameStats {
public:
    struct Summary {
        int64_t frames = 0;
        double mean = 0;
        double p95 = 0;  // nearest-rank 95th percentile
        double worst = 0;
    };

    // Adds one frame to every named part (a frame inside several overlapping
    // parts counts for each); an empty list counts as "(no part)".
    void add(const std::vector<std::string>& parts, double cpuMilliseconds, double gpuMilliseconds,
             double glCalls = 0.0);

    // Part names in the order they were first seen.
    const std::vector<std::string>& parts() const { return order_; }
    Summary cpu(const std::string& part) const;
    Summary gpu(const std::string& part) const;
    Summary glCalls(const std::string& part) const;

    // Nearest-rank percentile (0 < p <= 100) of values; 0 for none.
    static double percentile(std::vector<double> values, double p);
    static Summary summarize(const std::vector<double>& values);

    // The table printed by --stats.
    std::string format() const;

    static constexpr const char* kNoPart = "(no part)";

private:
    std::vector<std::string> order_;
    std::map<std::string, std::vector<double>> cpu_;
    std::map<std::string, std::vector<double>> gpu_;
    std::map<std::string, std::vector<double>> glCalls_;
};

}  // namespace qm
