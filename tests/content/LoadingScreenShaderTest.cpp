// The loading screen's content: the title card and the two shaders that fade it and draw the
// progress, rendered with a real GL context exactly as the loading screen feeds them (unit quad with
// the semantic POSITION, uniform "params", sampler "loading", picture rows stored bottom-up).
#include <GL/glew.h>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/GLTestContext.h"

namespace {

const std::string kLoadingDir = std::string(EMBER_RUN_DIR) + "/data/loading/";
constexpr int kWidth = 640;
constexpr int kHeight = 360;

// The empty track the title card draws and the shader fills (fractions of the picture, y from the top).
constexpr float kTrackLeft = 0.40f, kTrackRight = 0.60f, kTrackY = 0.815f;

std::string readText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;  // rows bottom-up, as the engine uploads them
};

struct JpegErr {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

void jpegFail(j_common_ptr c) {
    std::longjmp(reinterpret_cast<JpegErr*>(c->err)->jump, 1);
}

bool decodeJpeg(const std::string& path, Picture& out) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    jpeg_decompress_struct cinfo;
    JpegErr err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = jpegFail;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        std::fclose(f);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, f);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    out.width = static_cast<int>(cinfo.output_width);
    out.height = static_cast<int>(cinfo.output_height);
    out.rgb.assign(static_cast<size_t>(out.width) * out.height * 3, 0);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row =
            out.rgb.data() + static_cast<size_t>(out.height - 1 - cinfo.output_scanline) * out.width * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(f);
    return true;
}

GLuint compile(GLenum stage, const std::string& source, std::string& log) {
    GLuint s = glCreateShader(stage);
    const char* text = source.c_str();
    glShaderSource(s, 1, &text, nullptr);
    glCompileShader(s);
    GLint ok = 0;
    glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char buf[4096] = {};
        glGetShaderInfoLog(s, sizeof(buf), nullptr, buf);
        log += buf;
        glDeleteShader(s);
        return 0;
    }
    return s;
}

// Renders frames of the loading screen into an off-screen RGBA8 target of kWidth x kHeight.
class LoadingScreenShaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        EMBER_REQUIRE_GL();
        ASSERT_TRUE(decodeJpeg(kLoadingDir + "loading.jpg", picture_)) << "cannot decode loading.jpg";
        ASSERT_EQ(picture_.width, 1280);
        ASSERT_EQ(picture_.height, 720);

        std::string log;
        GLuint vs = compile(GL_VERTEX_SHADER, readText(kLoadingDir + "loading.vs"), log);
        GLuint fs = compile(GL_FRAGMENT_SHADER, readText(kLoadingDir + "loading.fs"), log);
        ASSERT_NE(vs, 0u) << log;
        ASSERT_NE(fs, 0u) << log;
        program_ = glCreateProgram();
        glAttachShader(program_, vs);
        glAttachShader(program_, fs);
        glLinkProgram(program_);
        glDeleteShader(vs);
        glDeleteShader(fs);
        GLint linked = 0;
        glGetProgramiv(program_, GL_LINK_STATUS, &linked);
        ASSERT_TRUE(linked);
        position_ = glGetAttribLocation(program_, "POSITION");
        params_ = glGetUniformLocation(program_, "params");
        GLint sampler = glGetUniformLocation(program_, "loading");
        ASSERT_GE(position_, 0) << "vertex input POSITION";
        ASSERT_GE(params_, 0) << "uniform params";
        ASSERT_GE(sampler, 0) << "sampler loading";

        glGenTextures(1, &texture_);
        glBindTexture(GL_TEXTURE_2D, texture_);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, picture_.width, picture_.height, 0, GL_RGB, GL_UNSIGNED_BYTE,
                     picture_.rgb.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);

        const float quad[8] = {1, 1, 0, 1, 1, 0, 0, 0};
        glGenVertexArrays(1, &vao_);
        glBindVertexArray(vao_);
        glGenBuffers(1, &vbo_);
        glBindBuffer(GL_ARRAY_BUFFER, vbo_);
        glBufferData(GL_ARRAY_BUFFER, sizeof(quad), quad, GL_STATIC_DRAW);
        glVertexAttribPointer(static_cast<GLuint>(position_), 2, GL_FLOAT, GL_FALSE, 8, nullptr);
        glEnableVertexAttribArray(static_cast<GLuint>(position_));

        glGenRenderbuffers(1, &colour_);
        glBindRenderbuffer(GL_RENDERBUFFER, colour_);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, kWidth, kHeight);
        glGenFramebuffers(1, &fbo_);
        glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
        ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));

        glUseProgram(program_);
        glUniform1i(sampler, 0);
        ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        // The reference: the picture drawn with full alpha and nothing loaded.
        reference_ = render(1.0f, 0.0f);
    }

    void TearDown() override {
        if (!program_) return;
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &fbo_);
        glDeleteRenderbuffers(1, &colour_);
        glDeleteBuffers(1, &vbo_);
        glDeleteVertexArrays(1, &vao_);
        glDeleteTextures(1, &texture_);
        glDeleteProgram(program_);
    }

    // Draws one frame with (alpha, progress) and returns its RGBA pixels, rows bottom-up.
    std::vector<unsigned char> render(float alpha, float progress) {
        glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
        glViewport(0, 0, kWidth, kHeight);
        glDisable(GL_BLEND);
        glDisable(GL_DEPTH_TEST);
        glClearColor(0.3f, 0.0f, 0.3f, 1.0f);  // anything the quad fails to cover shows up
        glClear(GL_COLOR_BUFFER_BIT);
        glUseProgram(program_);
        glUniform2f(params_, alpha, progress);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, texture_);
        glBindVertexArray(vao_);
        glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
        std::vector<unsigned char> pixels(static_cast<size_t>(kWidth) * kHeight * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        return pixels;
    }

    // Pixel (x, y) with y counted from the top, as the title card is laid out.
    static const unsigned char* at(const std::vector<unsigned char>& p, int x, int yFromTop) {
        return &p[(static_cast<size_t>(kHeight - 1 - yFromTop) * kWidth + x) * 4];
    }

    // Largest per-channel difference between two frames over the rows [y0, y1) from the top.
    static int maxDifference(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b, int y0,
                             int y1) {
        int worst = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < kWidth; ++x)
                for (int c = 0; c < 3; ++c)
                    worst = std::max(worst, std::abs(at(a, x, y)[c] - at(b, x, y)[c]));
        return worst;
    }

    static int trackRow() { return static_cast<int>(kTrackY * kHeight); }
    static int trackColumn(float fraction) {
        return static_cast<int>((kTrackLeft + (kTrackRight - kTrackLeft) * fraction) * kWidth);
    }

    Picture picture_;
    GLuint program_ = 0, texture_ = 0, vao_ = 0, vbo_ = 0, fbo_ = 0, colour_ = 0;
    GLint position_ = -1, params_ = -1;
    std::vector<unsigned char> reference_;
};

TEST_F(LoadingScreenShaderTest, FullAlphaWithoutProgressShowsThePicture) {
    // Sample the picture where the frame's pixel centres fall (exactly every second texel centre pair).
    int worst = 0;
    for (int y = 0; y < kHeight; y += 7)
        for (int x = 0; x < kWidth; x += 5) {
            const unsigned char* p = at(reference_, x, y);
            // Average of the 2x2 texels under the pixel centre, rows bottom-up.
            int sy = (kHeight - 1 - y) * 2, sx = x * 2;
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx)
                        sum +=
                            picture_.rgb[(static_cast<size_t>(sy + dy) * picture_.width + sx + dx) * 3 + c];
                worst = std::max(worst, std::abs(p[c] - (sum + 2) / 4));
            }
        }
    EXPECT_LE(worst, 2);
    // The picture is the right way up: its empty progress track lies low in the frame, where the
    // shader expects it, and not at the mirrored height.
    // Mean brightness of one row across the middle of the track.
    auto rowLuma = [&](int y) {
        double sum = 0.0;
        const int x0 = trackColumn(0.1f), x1 = trackColumn(0.9f);
        for (int x = x0; x < x1; ++x) {
            const unsigned char* p = at(reference_, x, y);
            sum += p[0] + p[1] + p[2];
        }
        return sum / (x1 - x0);
    };
    const int row = trackRow(), mirrored = kHeight - 1 - row;
    EXPECT_GT(rowLuma(row), rowLuma(row - 4) + 12);
    EXPECT_GT(rowLuma(row), rowLuma(row + 4) + 12);
    EXPECT_LT(std::abs(rowLuma(mirrored) - rowLuma(mirrored - 4)), 4);
}

struct FadeCase {
    float alpha;
};

class LoadingScreenFadeTest : public LoadingScreenShaderTest,
                              public ::testing::WithParamInterface<FadeCase> {};

TEST_P(LoadingScreenFadeTest, AlphaScalesThePicture) {
    const float alpha = GetParam().alpha;
    std::vector<unsigned char> frame = render(alpha, 0.0f);
    int worst = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            for (int c = 0; c < 3; ++c) {
                int expected = static_cast<int>(at(reference_, x, y)[c] * alpha + 0.5f);
                worst = std::max(worst, std::abs(at(frame, x, y)[c] - expected));
            }
    EXPECT_LE(worst, 1) << "alpha " << alpha;
}

INSTANTIATE_TEST_SUITE_P(Fades, LoadingScreenFadeTest,
                         ::testing::Values(FadeCase{0.0f}, FadeCase{0.25f}, FadeCase{0.5f}, FadeCase{1.0f}),
                         [](const ::testing::TestParamInfo<FadeCase>& info) {
                             return "alpha" + std::to_string(static_cast<int>(info.param.alpha * 100.0f));
                         });

struct ProgressCase {
    float progress;
    float filledUpTo;  // the track is lit before this fraction of its length ...
    float emptyFrom;   // ... and untouched after this one
};

class LoadingScreenProgressTest : public LoadingScreenShaderTest,
                                  public ::testing::WithParamInterface<ProgressCase> {};

TEST_P(LoadingScreenProgressTest, ProgressFillsTheTrackFromTheLeft) {
    const ProgressCase& c = GetParam();
    std::vector<unsigned char> frame = render(1.0f, c.progress);
    const int row = trackRow();
    for (float f = 0.02f; f < 0.99f; f += 0.04f) {
        const unsigned char* p = at(frame, trackColumn(f), row);
        const unsigned char* r = at(reference_, trackColumn(f), row);
        if (f < c.filledUpTo) {
            EXPECT_GT(p[0] + p[1] + p[2], r[0] + r[1] + r[2] + 150)
                << "progress " << c.progress << " at " << f;
        } else if (f > c.emptyFrom) {
            EXPECT_LE(std::abs(p[0] - r[0]) + std::abs(p[1] - r[1]) + std::abs(p[2] - r[2]), 3)
                << "progress " << c.progress << " at " << f;
        }
    }
    // The bar and its glow stay close to the track: the rest of the picture is untouched.
    EXPECT_LE(maxDifference(frame, reference_, 0, row - 20), 1);
    EXPECT_LE(maxDifference(frame, reference_, row + 20, kHeight), 1);
}

INSTANTIATE_TEST_SUITE_P(Progress, LoadingScreenProgressTest,
                         ::testing::Values(ProgressCase{0.25f, 0.2f, 0.4f}, ProgressCase{0.5f, 0.45f, 0.65f},
                                           ProgressCase{1.0f, 1.0f, 1.0f}),
                         [](const ::testing::TestParamInfo<ProgressCase>& info) {
                             return "progress" +
                                    std::to_string(static_cast<int>(info.param.progress * 100.0f));
                         });

TEST_F(LoadingScreenShaderTest, FrameForReview) {
    // One mid-load frame kept beside the pictures for people to look at.
    std::vector<unsigned char> frame = render(1.0f, 0.6f);
    const std::string dir = std::string(EMBER_BINARY_DIR) + "/review";
    std::filesystem::create_directories(dir);
    const std::string path = dir + "/loading_frame.png";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < kHeight; ++y) png_write_row(png, const_cast<unsigned char*>(at(frame, 0, y)));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    EXPECT_GT(std::filesystem::file_size(path), 1000u);
}

}  // namespace
