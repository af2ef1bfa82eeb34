// Cost of each post-processing effect and of the whole composite chain, measured
// with GL timer queries (GL_TIME_ELAPSED) on whatever driver the context gets.
// Pass counts are the ones the parts use: SSAO 1, glow 3, light streaks 2,
// radial blur 2, depth-of-field blur 2, motion blur 1; the chain is SSAO, glow
// and depth of field into composite variant 6. The depth buffer is filled
// with geometry everywhere (no sky), so SSAO does its full work.
//
// Build and run (from any scratch directory, under a display):
//   ninja -C build post_bench && LIBGL_ALWAYS_SOFTWARE=1 xvfb-run -a build/benchmarks/post_bench
//
// Recorded figures, milliseconds per render, median of 9 after 2 warm-ups:
// see the comment at the end of this file.
#include <GL/glew.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "PostTestSupport.h"
#include "post/BlurEngine.h"
#include "post/GlowEngine.h"
#include "post/LightStreaksEngine.h"
#include "post/MotionBlurEngine.h"
#include "post/RadialBlurEngine.h"
#include "post/SSAOEngine.h"

namespace {

using namespace ember;

struct Bench : posttest::PostTest {
    void TestBody() override {}
    using PostTest::makeTarget;
    using PostTest::makeTexture;
    using PostTest::registerLookups;
    using PostTest::registerRealPrograms;
    using PostTest::registerTargets;
    using PostTest::SetUp;
    using PostTest::TearDown;
    Device* device() { return device_.get(); }
};

struct Timing {
    double gpu;   // GL_TIME_ELAPSED
    double wall;  // from the first call to the end of glFinish
};

// Median times in milliseconds of run(). A software rasterizer reports its
// timer queries unreliably (it defers work past the query), so the wall time
// up to glFinish is recorded beside them.
template <class F>
Timing milliseconds(F run) {
    GLuint query = 0;
    glGenQueries(1, &query);
    std::vector<double> gpu, wall;
    for (int i = 0; i < 11; ++i) {
        glFinish();
        const auto start = std::chrono::steady_clock::now();
        glBeginQuery(GL_TIME_ELAPSED, query);
        run();
        glEndQuery(GL_TIME_ELAPSED);
        glFinish();
        const auto end = std::chrono::steady_clock::now();
        GLuint64 ns = 0;
        glGetQueryObjectui64v(query, GL_QUERY_RESULT, &ns);
        if (i >= 2) {
            gpu.push_back(double(ns) * 1e-6);
            wall.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        }
    }
    glDeleteQueries(1, &query);
    std::sort(gpu.begin(), gpu.end());
    std::sort(wall.begin(), wall.end());
    return {gpu[gpu.size() / 2], wall[wall.size() / 2]};
}

void fill(const char* name, GLenum format, int w, int h, float value) {
    Texture* texture = textureRegistry().get(name).get();
    std::vector<float> pixels(size_t(w) * h * 4, value);
    texture->bind();
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, w, h, format, GL_FLOAT, pixels.data());
    texture->unbind();
}

void measure(int w, int h) {
    Bench bench;
    bench.SetUp();
    bench.registerTargets(w, h);
    bench.registerLookups();
    bench.registerRealPrograms();
    // Geometry everywhere, facing the camera, lit at mid grey.
    textureRegistry().remove("backbuffer_depth");
    textureRegistry().add("backbuffer_depth", Bench::makeTexture(w, h, TextureFormat::Depth32F));
    fill("backbuffer_depth", GL_DEPTH_COMPONENT, w, h, 0.97f);
    fill("normal_depth", GL_RGBA, w, h, 0.577f);
    fill("light_accumulation", GL_RGBA, w, h, 0.5f);
    Ref<Framebuffer> window =
        Bench::makeTarget("window", Bench::makeTexture(w, h, TextureFormat::RGBA8).get());
    Framebuffer::setWindowStandIn(window.get());

    Ref<BlitEngine> blit(new BlitEngine());
    if (!blit->initiate("qm_gradient", w, h)) {
        std::printf("initiate failed at %dx%d\n", w, h);
        return;
    }
    Device* device = bench.device();
    auto effect = [&](int32_t slot, int32_t passes) {
        return milliseconds(
            [&] { blit->effect(slot)->render(device, blit->effectSamplerSets(slot), passes); });
    };
    std::vector<std::pair<const char*, Timing>> rows = {
        {"ssao", effect(BlitEngine::SlotSSAO, 1)},
        {"glow (3 passes)", effect(BlitEngine::SlotGlow, 3)},
        {"light streaks (2)", effect(BlitEngine::SlotLightStreaks, 2)},
        {"radial blur (2)", effect(BlitEngine::SlotRadialBlur, 2)},
        {"dof blur (2)", effect(BlitEngine::SlotBlur, 2)},
        {"motion blur", effect(BlitEngine::SlotMotionBlur, 1)},
    };
    blit->effectFlags[BlitEngine::SlotGlow] = true;
    blit->effectFlags[BlitEngine::SlotSSAO] = true;
    blit->passCounts[BlitEngine::SlotGlow] = 3;
    blit->passCounts[BlitEngine::SlotBlur] = 2;
    blit->noiseParams[2] = 0.03f;
    blit->lutFade = 1.0f;
    blit->updateVariant();
    rows.emplace_back("whole chain (variant 6)", milliseconds([&] { blit->render(device); }));
    for (const auto& [name, t] : rows)
        std::printf("%4dx%-4d  %-24s  gpu %8.2f ms  wall %8.2f ms\n", w, h, name, t.gpu, t.wall);
    blit.reset();
    window.reset();
    bench.TearDown();
}

}  // namespace

int main() {
    if (!embertest::GLTestContext::acquire()) {
        std::printf("no GL context: %s\n", embertest::GLTestContext::error().c_str());
        return 1;
    }
    std::printf("%s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    measure(1280, 720);
    measure(1920, 1080);
    return 0;
}

// Recorded figures (ms per render, median of 9):
// llvmpipe (LLVM 15.0.6, 256 bits), Mesa, under Xvfb on a 2-core machine shared
// with other builds (load average about 5), 2026-12-11. The timer query misses
// the work llvmpipe defers (SSAO, motion blur); the wall column is the truth.
//
//   1280x720   ssao                      gpu     2.88 ms  wall   188.36 ms
//   1280x720   glow (3 passes)           gpu    20.64 ms  wall    20.81 ms
//   1280x720   light streaks (2)         gpu    19.68 ms  wall    19.97 ms
//   1280x720   radial blur (2)           gpu    47.74 ms  wall    48.70 ms
//   1280x720   dof blur (2)              gpu    15.21 ms  wall    15.33 ms
//   1280x720   motion blur               gpu     0.31 ms  wall     7.42 ms
//   1280x720   whole chain (variant 6)   gpu   146.88 ms  wall   147.13 ms
//   1920x1080  ssao                      gpu     4.76 ms  wall   700.62 ms
//   1920x1080  glow (3 passes)           gpu    46.29 ms  wall    46.58 ms
//   1920x1080  light streaks (2)         gpu    44.03 ms  wall    44.54 ms
//   1920x1080  radial blur (2)           gpu    64.34 ms  wall    64.58 ms
//   1920x1080  dof blur (2)              gpu    27.70 ms  wall    27.85 ms
//   1920x1080  motion blur               gpu     0.22 ms  wall    21.36 ms
//   1920x1080  whole chain (variant 6)   gpu   724.72 ms  wall   725.01 ms
//
// No GPU machine was lent to this session, so there are no hardware figures yet.
