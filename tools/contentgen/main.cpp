// qm-contentgen: writes every generated file of the demo's data tree.
// Usage: qm-contentgen DATA_DIR [--only NAME]...
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "Generator.h"

namespace qmgen {
namespace {
std::map<std::string, GeneratorFn>& generators() {
    static std::map<std::string, GeneratorFn> g;
    return g;
}
}  // namespace

bool registerGenerator(const char* name, GeneratorFn fn) {
    return generators().emplace(name, fn).second;
}
}  // namespace qmgen

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0) {
        std::fprintf(stderr, "usage: %s DATA_DIR [--only NAME]...\ngenerators:", argv[0]);
        for (auto& g : qmgen::generators()) std::fprintf(stderr, " %s", g.first.c_str());
        std::fprintf(stderr, "\n");
        return argc < 2 ? 2 : 0;
    }
    std::string dataDir = argv[1];
    std::set<std::string> only;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
            only.insert(argv[++i]);
        } else {
            std::fprintf(stderr, "qm-contentgen: unknown argument '%s'\n", argv[i]);
            return 2;
        }
    }
    std::error_code ec;
    std::filesystem::create_directories(dataDir, ec);
    if (ec) {
        std::fprintf(stderr, "qm-contentgen: cannot create %s: %s\n", dataDir.c_str(), ec.message().c_str());
        return 1;
    }
    int failed = 0;
    // Generators run in name order so runs are reproducible.
    for (auto& [name, fn] : qmgen::generators()) {
        if (!only.empty() && !only.count(name)) continue;
        std::printf("qm-contentgen: %s\n", name.c_str());
        std::fflush(stdout);
        if (!fn(dataDir)) {
            std::fprintf(stderr, "qm-contentgen: generator '%s' failed\n", name.c_str());
            ++failed;
        }
    }
    return failed ? 1 : 0;
}
