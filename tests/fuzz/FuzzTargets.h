#pragma once
#include <cstddef>
#include <cstdint>

// Every fuzz target, by name: the name is the folder of its corpus
// (tests/fuzz/corpus/<name>) and of its dictionary (tests/fuzz/dict/<name>.dict).
#define EMBER_FUZZ_TARGETS(X) \
    X(manifest)               \
    X(png)                    \
    X(jpeg)                   \
    X(gzstream)               \
    X(mesh)                   \
    X(mesh_gz)                \
    X(lightwave)              \
    X(envelope)               \
    X(blit)                   \
    X(shader_include)         \
    X(song)

#define EMBER_FUZZ_DECLARE(name) \
    namespace ember::fuzz::name { \
    int fuzzOne(const uint8_t* data, size_t size); \
    }
EMBER_FUZZ_TARGETS(EMBER_FUZZ_DECLARE)
#undef EMBER_FUZZ_DECLARE

// A target's body is written once, as
//     EMBER_FUZZ_TARGET(name) { ... return 0; }
// and called by libFuzzer's entry point in the fuzzer of that name
// (main/FuzzMain.cpp) and by the replay test over every file of its corpus.
#define EMBER_FUZZ_TARGET(name) int ember::fuzz::name::fuzzOne(const uint8_t* data, size_t size)
