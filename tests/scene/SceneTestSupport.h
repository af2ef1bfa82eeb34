#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "core/Math.h"
#include "scene/Controller.h"
#include "scene/Node.h"

namespace scenetest {

inline std::string readLog() {
    std::ifstream in("log.txt");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// No engine check has logged a GL error in this process's log so far.
inline void expectNoGLErrorLogged() {
    const std::string log = readLog();
    EXPECT_EQ(log.find(" : GL_"), std::string::npos) << log;
}

inline void expectMatNear(const ember::Mat4& a, const ember::Mat4& b, float eps = 1e-5f) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(a.m[i], b.m[i], eps) << "element " << i;
}

inline void expectMat3Near(const ember::Mat3& a, const ember::Mat3& b, float eps = 1e-5f) {
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(a.m[i], b.m[i], eps) << "element " << i;
}

// A controller running a callback, so tests animate nodes without envelopes.
class FunctionController : public ember::Controller {
public:
    explicit FunctionController(std::function<void(ember::Node&, float)> f) : f_(std::move(f)) {}
    void update(ember::Node& node, float time) override { f_(node, time); }

private:
    std::function<void(ember::Node&, float)> f_;
};

}  // namespace scenetest
