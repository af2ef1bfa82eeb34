// Scene loading next to the bare cost of getting the same bytes off the disk:
// LightwaveSceneLoader::open on a generated 2,000-item scene, plain and gzip,
// against reading (and inflating) the file through the same stream alone.
// Run from any scratch directory (the files are written there).
//
// Recorded (RelWithDebInfo, GCC 12, shared 2-core machine, CPU time, median of 3;
// scene of 2,000 items, 129,006 lines, 1.92 MB plain, 224 KB gzip):
//   open, plain   16.3 ms    bytes alone, plain  0.28 ms   (about 58x)
//   open, gzip    19.9 ms    bytes alone, gzip   3.68 ms   (about 5.4x)
// Parsing dominates: about 0.13 us per line for the keyword search, the
// checked number scans and the envelopes, against 0.03 us per line to inflate.
#include <benchmark/benchmark.h>

#include <string>

#include "LightwaveSceneLoader.h"
#include "SceneFiles.h"
#include "loaders/gzstream.h"

using namespace ember;

namespace {

constexpr int Items = 2000;

// A scene of the kind the parts load: nulls with object layers below them,
// every item with its nine channels, a fifth of them animated.
std::string generatedScene() {
    std::string s = lwtest::header();
    uint32_t state = 7;
    auto next = [&] {
        state *= 16807u;
        return float(state >> 8) / float(1u << 24);
    };
    for (int i = 0; i < Items; ++i) {
        char id[16];
        std::snprintf(id, sizeof id, "%08X", 0x10000000 + i);
        if (i % 10 == 0)
            s += std::string("AddNullObject ") + id + " group" + std::to_string(i) + "\n";
        else
            s += "LoadObjectLayer " + std::to_string(1 + i % 7) + " " + id + " Objects/part.lwo\n";
        std::vector<lwtest::Keys> channels(9);
        for (int c = 0; c < 9; ++c) {
            const int keys = (i % 5 == 0 && c < 6) ? 4 : 1;
            for (int k = 0; k < keys; ++k)
                channels[c].push_back({next() * (c < 6 ? 10.0f : 1.0f), k * 0.75f});
        }
        s += "ShowObject 7 2\nObjectMotion\n" + lwtest::motion(channels);
        if (i % 10 != 0) {
            char parent[16];
            std::snprintf(parent, sizeof parent, "%08X", 0x10000000 + i / 10 * 10);
            s += std::string("ParentItem ") + parent + "\n";
        }
        s += "ShadowOptions 7\n\n";
    }
    return s;
}

const char* file(bool gzip) {
    static bool written = false;
    if (!written) {
        const std::string text = generatedScene();
        lwtest::writeFile("bench.lws", text, false);
        lwtest::writeFile("bench.lwz", text, true);
        written = true;
    }
    return gzip ? "bench.lwz" : "bench.lws";
}

void BM_LoadScene(benchmark::State& state) {
    const char* path = file(state.range(0) != 0);
    for (auto _ : state) {
        Ref<LightwaveSceneLoader> loader(new LightwaveSceneLoader(140));
        if (!loader->open(path) || loader->items().size() != size_t(Items))
            state.SkipWithError("open failed");
        benchmark::DoNotOptimize(loader->items().data());
    }
}

void BM_ReadBytesOnly(benchmark::State& state) {
    const char* path = file(state.range(0) != 0);
    char buffer[4096];
    for (auto _ : state) {
        gzifstream in(path);
        size_t total = 0;
        while (in.read(buffer, sizeof buffer) || in.gcount() > 0) total += size_t(in.gcount());
        benchmark::DoNotOptimize(total);
    }
}

}  // namespace

BENCHMARK(BM_LoadScene)->Arg(0)->Arg(1)->ArgName("gzip")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadBytesOnly)->Arg(0)->Arg(1)->ArgName("gzip")->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
