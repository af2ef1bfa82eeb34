#pragma once
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "application/Logger.h"
#include "rend/Device.h"
#include "rend/DeviceError.h"
#include "support/GLTestContext.h"

namespace devicetest {

inline std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline GLint getInt(GLenum name) {
    GLint v = 0;
    glGetIntegerv(name, &v);
    return v;
}

inline GLfloat getFloat(GLenum name) {
    GLfloat v = 0;
    glGetFloatv(name, &v);
    return v;
}

inline bool enabled(GLenum capability) {
    return glIsEnabled(capability) == GL_TRUE;
}

// Puts GL back into the state a fresh context has (with culling on, as every
// device leaves it), so each test's device starts with true caches.
inline void restoreGLDefaults() {
    glUseProgram(0);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDrawBuffer(GL_BACK);
    glReadBuffer(GL_BACK);
    glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    glBlendEquation(GL_FUNC_ADD);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LESS);
    glDisable(GL_DEPTH_CLAMP);
    glDepthRange(0.0, 1.0);
    glDisable(GL_STENCIL_TEST);
    glStencilFunc(GL_ALWAYS, 0, 0xFFFFFFFFu);
    glStencilMask(0xFFFFFFFFu);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glFrontFace(GL_CCW);
    glCullFace(GL_BACK);
    glDisable(GL_SCISSOR_TEST);
    glPointSize(1.0f);
    glLineWidth(1.0f);
    glClampColor(GL_CLAMP_READ_COLOR, GL_TRUE);
    glDisable(GL_POLYGON_OFFSET_FILL);
    glDisable(GL_POLYGON_OFFSET_LINE);
    glDisable(GL_POLYGON_OFFSET_POINT);
    glPolygonOffset(0.0f, 0.0f);
    glDisable(GL_RASTERIZER_DISCARD);
    glDisable(GL_PROGRAM_POINT_SIZE);
    for (GLuint unit = 0; unit < 8; ++unit) {
        glActiveTexture(GL_TEXTURE0 + unit);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    glActiveTexture(GL_TEXTURE0);
    glViewport(0, 0, 256, 256);
    glScissor(0, 0, 256, 256);
    while (glGetError() != GL_NO_ERROR) {
    }
}

// A fresh device on a context in its default state, with the log open.
class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        EMBER_REQUIRE_GL();
        restoreGLDefaults();
        ASSERT_TRUE(ember::Logger::instance().open("log.txt"));
        device_ = new ember::Device();
    }
    void TearDown() override {
        device_.reset();
        ember::Logger::instance().close();
        if (::embertest::GLTestContext::acquire()) restoreGLDefaults();
    }

    // Calls made since the last mark.
    void mark() { mark_ = ember::glCheckCount(); }
    uint64_t callsSinceMark() const { return ember::glCheckCount() - mark_; }

    // The log so far (every line is flushed as it is written).
    std::string log() const { return readFile("log.txt"); }

    ember::Ref<ember::Device> device_;
    uint64_t mark_ = 0;
};

}  // namespace devicetest
