// Every test of this folder runs in a directory of its own, so the fixture
// files it writes never collide with those of a test running in parallel.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace {

class ScratchDirectory : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo& info) override {
        char cwd[4096];
        home_ = getcwd(cwd, sizeof(cwd)) ? cwd : ".";
        std::string name = std::string(info.test_suite_name()) + "." + info.name();
        for (char& c : name)
            if (c == '/') c = '_';
        mkdir("scratch", 0755);
        const std::string dir = "scratch/" + name;
        mkdir(dir.c_str(), 0755);
        if (chdir(dir.c_str()) != 0) ADD_FAILURE() << "cannot enter " << dir;
    }
    void OnTestEnd(const ::testing::TestInfo&) override {
        if (chdir(home_.c_str()) != 0) ADD_FAILURE() << "cannot return to " << home_;
    }
    std::string home_;
};

const bool registered = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new ScratchDirectory);
    return true;
}();

}  // namespace
