#include <GL/glew.h>
#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>

#include <cstring>
#include <sstream>

#include "LoaderFixtures.h"
#include "loaders/JPEGLoader.h"
#include "loaders/PNGLoader.h"
#include "loaders/RAWMeshLoader.h"
#include "loaders/ShaderLoader.h"
#include "rend/Device.h"
#include "rend/Program.h"
#include "rend/Texture1D.h"
#include "rend/Texture2D.h"
#include "rend/Texture3D.h"
#include "rend/VertexArrayObject.h"
#include "support/GLTestContext.h"

using namespace ember;
using namespace loadertest;

namespace {

Bytes texImage(Texture* texture, GLenum format, size_t bytes) {
    Bytes out(bytes);
    GLint pack = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &pack);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    texture->bind();
    glGetTexImage(texture->glTarget(), 0, format, GL_UNSIGNED_BYTE, out.data());
    texture->unbind();
    glPixelStorei(GL_PACK_ALIGNMENT, pack);
    return out;
}

Bytes bufferContents(BufferObject* buffer, size_t bytes) {
    Bytes out(bytes);
    glBindBuffer(GL_COPY_READ_BUFFER, buffer->glName());
    if (bytes) glGetBufferSubData(GL_COPY_READ_BUFFER, 0, GLsizeiptr(bytes), out.data());
    glBindBuffer(GL_COPY_READ_BUFFER, 0);
    return out;
}

PngSpec greyStrip(uint32_t width, uint32_t height, uint32_t slice) {
    PngSpec spec;
    spec.colorType = PNG_COLOR_TYPE_GRAY;
    spec.width = width;
    spec.height = height;
    spec.rows.resize(size_t(width) * height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            spec.rows[size_t(y) * width + x] = uint8_t(y / slice * 3 + x % 3);
    return spec;
}

}  // namespace

TEST(ImageTextures, OneRowBecomesTexture1D) {
    EMBER_REQUIRE_GL();
    PngSpec spec;
    spec.colorType = PNG_COLOR_TYPE_RGBA;
    spec.width = 256;
    for (uint32_t x = 0; x < 256; ++x)
        spec.rows.insert(spec.rows.end(), {uint8_t(x), uint8_t(255 - x), 7, 255});
    ASSERT_TRUE(writeFile("ramp.png", encodePng(spec)));
    LogCapture log;
    PNGLoader loader;
    Ref<Texture> texture = loader.loadTexture("ramp.png");
    ASSERT_TRUE(texture);
    ASSERT_EQ(texture->type(), TextureType::Texture1D);
    EXPECT_EQ(static_cast<Texture1D*>(texture.get())->width(), 256);
    EXPECT_EQ(texture->format(), TextureFormat::RGBA8);
    EXPECT_EQ(texImage(texture.get(), GL_RGBA, 256 * 4), spec.rows);
    EXPECT_EQ(log.contents(), "PNG: create Texture1D from resource (256x1 4)\n");
}

TEST(ImageTextures, TallerImagesBecomeTexture2DBottomUpFromEverySource) {
    EMBER_REQUIRE_GL();
    PngSpec spec;
    spec.colorType = PNG_COLOR_TYPE_RGB;
    spec.width = 5;  // odd row length: the upload must not assume 4-byte rows
    spec.height = 3;
    for (int i = 0; i < 5 * 3 * 3; ++i) spec.rows.push_back(uint8_t(i * 5));
    const Bytes png = encodePng(spec);
    ASSERT_TRUE(writeFile("small.png", png));
    Bytes expected;
    for (int row = 2; row >= 0; --row)
        expected.insert(expected.end(), spec.rows.begin() + row * 15, spec.rows.begin() + row * 15 + 15);

    LogCapture log;
    PNGLoader loader;
    std::istringstream stream(std::string(png.begin(), png.end()));
    Ref<Texture> textures[] = {loader.loadTexture("small.png"),
                               loader.loadTextureFromMemory(png.data(), png.size()),
                               loader.loadTextureFromStream(stream)};
    for (const Ref<Texture>& texture : textures) {
        ASSERT_TRUE(texture);
        ASSERT_EQ(texture->type(), TextureType::Texture2D);
        EXPECT_EQ(static_cast<Texture2D*>(texture.get())->height(), 3);
        EXPECT_EQ(texture->format(), TextureFormat::RGB8);
        EXPECT_EQ(texImage(texture.get(), GL_RGB, expected.size()), expected);
    }
    EXPECT_TRUE(log.contains("PNG: create Texture2D from resource (5x3 3)\n"));
}

TEST(ImageTextures, StripWithSliceHeightBecomesTexture3D) {
    EMBER_REQUIRE_GL();
    ASSERT_TRUE(writeFile("strip.png", encodePng(greyStrip(64, 4096, 64))));
    LogCapture log;
    PNGLoader loader;
    Ref<Texture3D> volume = loader.loadTexture3D("strip.png", 64);
    ASSERT_TRUE(volume);
    EXPECT_EQ(volume->width(), 64);
    EXPECT_EQ(volume->height(), 64);
    EXPECT_EQ(volume->depth(), 64);
    EXPECT_EQ(volume->format(), TextureFormat::R8);
    EXPECT_EQ(log.contents(), "PNG: create Texture3D from resource (64x4096x64 1)\n");
    const Bytes voxels = texImage(volume.get(), GL_RED, size_t(64) * 64 * 64);
    // Slice 0 is the bottom slice of the image (the file's last 64 rows).
    EXPECT_EQ(voxels[0], 63 * 3);
    EXPECT_EQ(voxels[1], 63 * 3 + 1);
    EXPECT_EQ(voxels[size_t(64) * 64 * 63], 0);
    EXPECT_EQ(voxels[size_t(64) * 64 * 62 + 2], 3 + 2);

    LogCapture badLog;
    EXPECT_FALSE(loader.loadTexture3D("strip.png", 0));
    EXPECT_FALSE(loader.loadTexture3D("strip.png", 5000));
    EXPECT_EQ(badLog.contents(),
              "PNG: slice height 0 does not fit an image 4096 rows tall\n"
              "PNG: slice height 5000 does not fit an image 4096 rows tall\n");
}

TEST(ImageTextures, SixteenBitGreyBecomesR8) {
    EMBER_REQUIRE_GL();
    PngSpec spec;
    spec.colorType = PNG_COLOR_TYPE_GRAY;
    spec.bitDepth = 16;
    spec.width = 4;
    spec.height = 2;
    spec.rows = {0x10, 0xFF, 0x20, 0x00, 0x30, 0x11, 0x40, 0x22, 0x50, 0, 0x60, 0, 0x70, 0, 0x80, 0};
    ASSERT_TRUE(writeFile("grey16.png", encodePng(spec)));
    PNGLoader loader;
    Ref<Texture> texture = loader.loadTexture("grey16.png");
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->format(), TextureFormat::R8);
    EXPECT_EQ(texImage(texture.get(), GL_RED, 8), (Bytes{0x50, 0x60, 0x70, 0x80, 0x10, 0x20, 0x30, 0x40}));
}

TEST(ImageTextures, JpegTexturesAndFailures) {
    EMBER_REQUIRE_GL();
    Bytes grey(16 * 8, 100), colour(16 * 128 * 3, 50);
    ASSERT_TRUE(writeFile("grey.jpg", encodeJpeg(16, 8, 1, grey)));
    ASSERT_TRUE(writeFile("colour.jpg", encodeJpeg(16, 128, 3, colour)));
    ASSERT_TRUE(writeFile("row.jpg", encodeJpeg(16, 1, 3, Bytes(48, 9))));
    LogCapture log;
    JPEGLoader loader;
    Ref<Texture> greyTexture = loader.loadTexture("grey.jpg");
    ASSERT_TRUE(greyTexture);
    EXPECT_EQ(greyTexture->format(), TextureFormat::R8);
    EXPECT_EQ(greyTexture->type(), TextureType::Texture2D);
    Ref<Texture> rowTexture = loader.loadTexture("row.jpg");
    ASSERT_TRUE(rowTexture);
    EXPECT_EQ(rowTexture->type(), TextureType::Texture1D);
    Ref<Texture3D> volume = loader.loadTexture3D("colour.jpg", 16);
    ASSERT_TRUE(volume);
    EXPECT_EQ(volume->depth(), 8);
    EXPECT_EQ(volume->format(), TextureFormat::RGB8);
    EXPECT_FALSE(loader.loadTexture("missing.jpg"));
    EXPECT_FALSE(loader.loadTextureFromMemory(grey.data(), grey.size()));
    std::istringstream stream("x");
    EXPECT_FALSE(loader.loadTextureFromStream(stream));
    EXPECT_EQ(log.contents(),
              "JPEG: create Texture2D from resource (16x8 1)\n"
              "JPEG: create Texture1D from resource (16x1 3)\n"
              "JPEG: create Texture3D from resource (16x128x8 3)\n");

    LogCapture pngLog;
    PNGLoader png;
    EXPECT_FALSE(png.loadTexture("missing.png"));
    EXPECT_EQ(pngLog.contents(), "PNG: unable to open missing.png\n");
}

TEST(ShaderFiles, ExpandedSourceCompiles) {
    EMBER_REQUIRE_GL();
    mkdir("glsl", 0755);
    ASSERT_TRUE(writeFile("glsl/common.glsl", Bytes{}));
    const std::string common = "vec4 tint() { return vec4(0.5); }\r\n";
    ASSERT_TRUE(writeFile("glsl/common.glsl", Bytes(common.begin(), common.end())));
    const std::string stage =
        "#version 330 core\r\n#include <common.glsl>\r\nout vec4 colour;\r\n"
        "void main() { colour = tint(); }\r\n";
    ASSERT_TRUE(writeFile("glsl/tint.frag", Bytes(stage.begin(), stage.end())));
    ShaderLoader loader("glsl/");
    Ref<Shader> shader = loader.load("glsl/tint.frag", ShaderStage::Fragment);
    ASSERT_TRUE(shader);
    EXPECT_TRUE(shader->compile());
    EXPECT_NE(shader->glName(), 0u);
}

TEST(MeshLoading, PlainAndCompressedFilesGiveTheSameBuffers) {
    EMBER_REQUIRE_GL();
    MeshSpec spec = simpleMesh(0x3B, 9, 2);
    spec.writeSkin = true;
    spec.bones = {"hip"};
    spec.entries = {{0, 1, 1.0f}};
    const Bytes bytes = encodeMesh(spec);
    ASSERT_TRUE(writeFile("mesh.rmsh", bytes));
    ASSERT_TRUE(writeGzip("mesh.rmzh", bytes));
    RAWMeshLoader loader;
    Ref<Mesh> meshes[] = {loader.loadMesh("mesh.rmsh"), loader.loadMesh("mesh.rmzh")};
    for (const Ref<Mesh>& mesh : meshes) {
        ASSERT_TRUE(mesh);
        VertexBuffer* vertices = mesh->vertexBuffer();
        EXPECT_EQ(vertices->stride(), 36);
        ASSERT_EQ(vertices->slotCount(), 4);
        EXPECT_EQ(vertices->slot(3).semantic, AttributeSemantic::Color);
        EXPECT_EQ(vertices->slot(3).offset, 32);
        EXPECT_NE(vertices->glName(), 0u);
        EXPECT_EQ(bufferContents(vertices, spec.vertexData.size()), spec.vertexData);
        EXPECT_EQ(mesh->indexBuffer()->indexSize(), 2);
        EXPECT_EQ(
            bufferContents(mesh->indexBuffer(), 18),
            Bytes(bytes.begin() + meshBlockOffsets(spec)[4], bytes.begin() + meshBlockOffsets(spec)[4] + 18));
        ASSERT_EQ(mesh->binCount(), 1);
        EXPECT_EQ(mesh->bins()[0].indexCount, 9u);
        EXPECT_EQ(mesh->boneNames(), std::vector<std::string>{"hip"});
        ASSERT_EQ(mesh->skinEntries().size(), 1u);
    }
    // Nothing is left bound for the next user.
    GLint bound = -1;
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);

    LogCapture log;
    EXPECT_FALSE(loader.loadMesh("missing.rmsh"));
    EXPECT_EQ(log.contents(), "");
    Bytes bad = bytes;
    bad[0] = 'X';
    ASSERT_TRUE(writeGzip("bad.rmzh", bad));
    EXPECT_FALSE(loader.loadMesh("bad.rmzh"));
    EXPECT_EQ(log.contents(), "Invalid mesh header\n");
}

TEST(MeshLoading, IndexSizeSelectsTheDrawType) {
    EMBER_REQUIRE_GL();
    const char* vs =
        "#version 330 core\nin vec3 POSITION;\nvoid main() { gl_Position = vec4(POSITION, 1.0); }\n";
    const char* fs = "#version 330 core\nout vec4 colour;\nvoid main() { colour = vec4(1.0); }\n";
    Ref<Program> program(new Program("test/white"));
    Ref<Shader> vertex(new Shader(ShaderStage::Vertex, "white.vert"));
    vertex->setSource(vs);
    Ref<Shader> fragment(new Shader(ShaderStage::Fragment, "white.frag"));
    fragment->setSource(fs);
    program->setShader(ShaderStage::Vertex, vertex.get());
    program->setShader(ShaderStage::Fragment, fragment.get());
    ASSERT_TRUE(program->compile());

    GLuint fbo = 0, colour = 0;
    glGenTextures(1, &colour);
    glBindTexture(GL_TEXTURE_2D, colour);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 8, 8, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour, 0);
    ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
    glViewport(0, 0, 8, 8);

    struct Case {
        uint32_t vertexCount;
        uint16_t indexSize;
        GLenum drawType;
    } cases[] = {{70000, 4, GL_UNSIGNED_INT}, {300, 2, GL_UNSIGNED_SHORT}};
    for (const Case& c : cases) {
        // Only the last three vertices form a visible (screen-covering) triangle;
        // the bin reaches them past three leading indices.
        MeshSpec spec;
        spec.flags = 0x01;
        spec.vertexData.assign(size_t(c.vertexCount) * 12, 0);
        const float corners[9] = {-1, -1, 0, 3, -1, 0, -1, 3, 0};
        std::memcpy(spec.vertexData.data() + size_t(c.vertexCount - 3) * 12, corners, sizeof(corners));
        spec.indexSize = c.indexSize;
        const uint32_t last = c.vertexCount - 1;
        spec.indices = {0, 1, 2, last - 2, last - 1, last};
        spec.bins.push_back({3, 0, 3, last - 2, last, 4});
        ASSERT_TRUE(writeFile("draw.rmsh", encodeMesh(spec)));
        RAWMeshLoader loader;
        Ref<Mesh> mesh = loader.loadMesh("draw.rmsh");
        ASSERT_TRUE(mesh);
        EXPECT_EQ(mesh->indexBuffer()->indexSize(), c.indexSize);

        Ref<VertexArrayObject> vao = VertexArrayObjectBuilder::buildVertexArrayObject(
            program.get(), mesh->vertexBuffer(), mesh->indexBuffer());
        ASSERT_TRUE(vao);
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        {
            Ref<Device> device(new Device);
            device->setProgram(program.get());
            device->setVertexArrayObject(vao.get());
            EXPECT_EQ(device->indexType(), c.drawType);
            const MeshBin& bin = mesh->bins()[0];
            device->drawRangeElements(static_cast<PrimitiveType>(bin.primitiveType), bin.minIndex,
                                      bin.maxIndex, int32_t(bin.indexCount), int32_t(bin.firstIndex));
            device->setVertexArrayObject(nullptr);
            device->setProgram(nullptr);
        }
        uint8_t pixel[4] = {};
        glReadPixels(4, 4, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
        EXPECT_EQ(pixel[0], 255) << c.vertexCount;
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &fbo);
    glDeleteTextures(1, &colour);
}

TEST(MeshRegistry, FirstRegistrationWinsAndNamesTheMesh) {
    meshRegistry().clear();
    Ref<Mesh> first(new Mesh(Ref<VertexBuffer>(), Ref<IndexBuffer>(), {}));
    Ref<Mesh> second(new Mesh(Ref<VertexBuffer>(), Ref<IndexBuffer>(), {}));
    EXPECT_TRUE(meshRegistry().add("models/cone", first));
    EXPECT_FALSE(meshRegistry().add("models/cone", second));
    EXPECT_EQ(meshRegistry().get("models/cone"), first);
    EXPECT_EQ(first->name(), "models/cone");
    EXPECT_EQ(second->name(), "");
    EXPECT_EQ(second->refCount(), 1);
    EXPECT_FALSE(meshRegistry().get("models/Cone"));
    meshRegistry().clear();
    EXPECT_FALSE(meshRegistry().get("models/cone"));
    EXPECT_EQ(first->refCount(), 1);
}
