#pragma once
// Small LightWave scene files written by the tests themselves, plain or
// gzip-compressed, and the log read back.
#include <zlib.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "application/Logger.h"

namespace lwtest {

// value, time in seconds
using Keys = std::vector<std::pair<float, float>>;

inline std::string number(float v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.9g", v);
    return b;
}

// An envelope block with linear keys (after its rule line).
inline std::string envelopeBlock(const Keys& keys, int pre = 1, int post = 1, int declared = -1) {
    std::string s = "{ Envelope\n  " + std::to_string(declared < 0 ? int(keys.size()) : declared) + "\n";
    for (const auto& [value, time] : keys)
        s += "  Key " + number(value) + " " + number(time) + " 3 0 0 0 0 0 0 0\n";
    s += "  Behaviors " + std::to_string(pre) + " " + std::to_string(post) + "\n}\n";
    return s;
}

// The nine motion channels; channels without keys are left out.
inline std::string motion(const std::vector<Keys>& channels) {
    std::string s = "NumChannels 9\n";
    for (size_t i = 0; i < channels.size(); ++i)
        if (!channels[i].empty()) s += "Channel " + std::to_string(i) + "\n" + envelopeBlock(channels[i]);
    return s;
}

inline std::string header() {
    return "LWSC\n5\n\nFirstFrame 1\nLastFrame 60\n\n";
}

inline bool writeFile(const std::string& path, const std::string& text, bool gzip) {
    if (gzip) {
        gzFile f = gzopen(path.c_str(), "wb");
        if (!f) return false;
        const int n = gzwrite(f, text.data(), static_cast<unsigned>(text.size()));
        return gzclose(f) == Z_OK && n == int(text.size());
    }
    std::ofstream out(path, std::ios::binary);
    out << text;
    return bool(out);
}

// The log goes to a fresh file for the life of the capture.
class LogCapture {
public:
    LogCapture() { ember::Logger::instance().open(path_); }
    ~LogCapture() { ember::Logger::destroy(); }
    std::string contents() const {
        std::ifstream in(path_);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

private:
    std::string path_ = "lightwave_test.log";
};

}  // namespace lwtest
