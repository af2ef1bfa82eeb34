// Entry point of every test executable. ctest runs each test case as its own
// process, several at a time, all in the suite's working directory; each
// process therefore works in a scratch directory of its own, so files such as
// "log.txt" and "data/..." never collide. The directory is removed when every
// test passed and kept for inspection otherwise.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path scratch = fs::current_path(ec) / ("scratch-" + std::to_string(getpid()));
    fs::remove_all(scratch, ec);
    fs::create_directories(scratch, ec);
    const bool moved = !ec && chdir(scratch.c_str()) == 0;
    const int result = RUN_ALL_TESTS();
    if (moved && result == 0 && chdir(scratch.parent_path().c_str()) == 0) fs::remove_all(scratch, ec);
    return result;
}
