#include "capture/FrameStats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace qm {

void FrameStats::add(const std::vector<std::string>& parts, double cpuMilliseconds, double gpuMilliseconds,
                     double glCalls) {
    static const std::vector<std::string> none = {kNoPart};
    for (const std::string& part : parts.empty() ? none : parts) {
        if (cpu_.find(part) == cpu_.end()) order_.push_back(part);
        cpu_[part].push_back(cpuMilliseconds);
        gpu_[part].push_back(gpuMilliseconds);
        glCalls_[part].push_back(glCalls);
    }
}

double FrameStats::percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    double rank = std::ceil(p / 100.0 * static_cast<double>(values.size()));
    size_t index = rank < 1.0 ? 0 : static_cast<size_t>(rank) - 1;
    return values[std::min(index, values.size() - 1)];
}

FrameStats::Summary FrameStats::summarize(const std::vector<double>& values) {
    Summary s;
    if (values.empty()) return s;
    s.frames = static_cast<int64_t>(values.size());
    double sum = 0.0;
    for (double v : values) {
        sum += v;
        s.worst = std::max(s.worst, v);
    }
    s.mean = sum / static_cast<double>(values.size());
    s.p95 = percentile(values, 95.0);
    return s;
}

FrameStats::Summary FrameStats::cpu(const std::string& part) const {
    auto found = cpu_.find(part);
    return found == cpu_.end() ? Summary() : summarize(found->second);
}

FrameStats::Summary FrameStats::gpu(const std::string& part) const {
    auto found = gpu_.find(part);
    return found == gpu_.end() ? Summary() : summarize(found->second);
}

FrameStats::Summary FrameStats::glCalls(const std::string& part) const {
    auto found = glCalls_.find(part);
    return found == glCalls_.end() ? Summary() : summarize(found->second);
}

std::string FrameStats::format() const {
    std::string text;
    char line[256];
    std::snprintf(line, sizeof(line), "%-24s %7s %9s %9s %9s %9s %9s %9s %9s %9s\n", "part", "frames",
                  "cpu mean", "cpu p95", "cpu worst", "gpu mean", "gpu p95", "gpu worst", "gl mean",
                  "gl worst");
    text += line;
    for (const std::string& part : order_) {
        Summary c = cpu(part), g = gpu(part), calls = glCalls(part);
        std::snprintf(line, sizeof(line), "%-24s %7lld %9.3f %9.3f %9.3f %9.3f %9.3f %9.3f %9.0f %9.0f\n",
                      part.c_str(), static_cast<long long>(c.frames), c.mean, c.p95, c.worst, g.mean, g.p95,
                      g.worst, calls.mean, calls.worst);
        text += line;
    }
    text += "(times in milliseconds; gl: GL calls per frame)\n";
    return text;
}

}  // namespace qm
