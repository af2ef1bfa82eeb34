#pragma once
#include <string>

struct SDL_Window;

namespace embertest {

// A hidden SDL window with a current core-profile GL context and GLEW
// initialised, for tests that talk to a real driver. One per test process is
// enough; acquire() creates it on first use and keeps it until exit.
class GLTestContext {
public:
    // Returns true when a context of at least major.minor exists (created on
    // first call). On failure, error() says why.
    static bool acquire(int major = 4, int minor = 3);
    static const std::string& error();
    static SDL_Window* window();
};

} // namespace embertest

// Skips the current test when no GL context can be had.
#define EMBER_REQUIRE_GL()                                                            \
    do {                                                                              \
        if (!::embertest::GLTestContext::acquire())                                   \
            GTEST_SKIP() << "no GL context: " << ::embertest::GLTestContext::error(); \
    } while (0)
