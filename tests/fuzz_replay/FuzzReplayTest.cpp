// Every saved fuzz input (the minimised corpora and the reproducers of the
// bugs the fuzzers found) run through the same bodies as the fuzzers: each
// must come back without a crash, a sanitizer report (in the sanitizer
// build) or a hang.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FuzzTargets.h"

namespace {

using FuzzOne = int (*)(const uint8_t*, size_t);

struct Target {
    const char* name;
    FuzzOne fuzzOne;
};

#define EMBER_FUZZ_ENTRY(name) Target{#name, &ember::fuzz::name::fuzzOne},
const Target targets[] = {EMBER_FUZZ_TARGETS(EMBER_FUZZ_ENTRY)};
#undef EMBER_FUZZ_ENTRY

std::vector<std::filesystem::path> corpusFiles(const std::string& name) {
    std::vector<std::filesystem::path> files;
    const std::filesystem::path directory = std::filesystem::path(EMBER_FUZZ_CORPUS_DIR) / name;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(directory, ec))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

class FuzzReplay : public ::testing::TestWithParam<Target> {};

TEST_P(FuzzReplay, EveryCorpusInputRunsClean) {
    const Target& target = GetParam();
    const std::vector<std::filesystem::path> files = corpusFiles(target.name);
    // An empty or missing corpus would make the test pass without replaying anything.
    ASSERT_FALSE(files.empty()) << "no corpus for " << target.name;
    for (const auto& path : files) {
        std::ifstream in(path, std::ios::binary);
        ASSERT_TRUE(in.is_open()) << path;
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        SCOPED_TRACE(path.string());
        EXPECT_EQ(target.fuzzOne(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay, ::testing::ValuesIn(targets),
                         [](const ::testing::TestParamInfo<Target>& info) { return std::string(info.param.name); });

}  // namespace
