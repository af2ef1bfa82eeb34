#pragma once
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

namespace apptest {

// Tests of one executable may run in parallel in the same working directory;
// each test works in a fresh subdirectory named after it.
class TestDir {
public:
    TestDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "." + info->name();
        for (char& c : name)
            if (c == '/') c = '_';
        char buffer[4096];
        previous_ = getcwd(buffer, sizeof(buffer)) ? buffer : ".";
        path_ = previous_ + "/" + name;
        mkdir(path_.c_str(), 0755);
        std::remove((path_ + "/log.txt").c_str());
        if (chdir(path_.c_str()) != 0) ADD_FAILURE() << "cannot enter " << path_;
    }
    ~TestDir() {
        if (chdir(previous_.c_str()) != 0) ADD_FAILURE() << "cannot return to " << previous_;
    }
    const std::string& path() const { return path_; }

private:
    std::string previous_;
    std::string path_;
};

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace apptest
