#pragma once
#include <GL/glew.h>

#include <cstdint>
#include <string>
#include <vector>

#include "loaders/Mesh.h"
#include "rend/BufferObject.h"
#include "rend/Framebuffer.h"
#include "rend/Program.h"
#include "rend/Shader.h"
#include "rend/VertexArrayObject.h"

namespace scenetest {

inline ember::Ref<ember::Program> buildProgram(const std::string& name, const char* vs, const char* fs) {
    ember::Ref<ember::Program> program(new ember::Program(name));
    ember::Ref<ember::Shader> vertex(new ember::Shader(ember::ShaderStage::Vertex, name + ".vert"));
    vertex->setSource(vs);
    program->setShader(ember::ShaderStage::Vertex, vertex.get());
    ember::Ref<ember::Shader> fragment(new ember::Shader(ember::ShaderStage::Fragment, name + ".frag"));
    fragment->setSource(fs);
    program->setShader(ember::ShaderStage::Fragment, fragment.get());
    if (!program->compile()) return ember::Ref<ember::Program>();
    return program;
}

// RGBA bytes of a rectangle of target's first colour attachment, bottom row first.
inline std::vector<unsigned char> readPixels(ember::Framebuffer* target, int x, int y, int w, int h) {
    std::vector<unsigned char> pixels(static_cast<size_t>(w) * h * 4);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, target->glName());
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glReadPixels(x, y, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    return pixels;
}

// Vertices of POSITION (4 floats) and NORMAL (3 floats) with 16-bit indices.
struct MeshData {
    std::vector<float> vertices;
    std::vector<uint16_t> indices;
    std::vector<ember::MeshBin> bins;

    // Appends a quad (two triangles) from four corners with one normal, as a new bin.
    void addQuad(const ember::Vec3 (&c)[4], const ember::Vec3& n) {
        const auto base = static_cast<uint16_t>(vertices.size() / 7);
        for (const ember::Vec3& p : c) vertices.insert(vertices.end(), {p.x, p.y, p.z, 1.0f, n.x, n.y, n.z});
        ember::MeshBin bin;
        bin.firstIndex = static_cast<uint32_t>(indices.size());
        for (uint16_t i : {0, 1, 2, 0, 2, 3}) indices.push_back(static_cast<uint16_t>(base + i));
        bin.indexCount = 6;
        bin.minIndex = base;
        bin.maxIndex = base + 3u;
        bin.primitiveType = 4;
        bins.push_back(bin);
    }

    // Appends a cube of half-size h centred at the origin as one bin.
    void addCube(float h) {
        const auto base = static_cast<uint16_t>(vertices.size() / 7);
        ember::MeshBin bin;
        bin.firstIndex = static_cast<uint32_t>(indices.size());
        const ember::Vec3 axes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
        for (int a = 0; a < 3; ++a)
            for (float sgn : {1.0f, -1.0f}) {
                ember::Vec3 n = axes[a] * sgn, u = axes[(a + 1) % 3], v = axes[(a + 2) % 3];
                if (sgn < 0) std::swap(u, v);  // keep counter-clockwise winding seen from outside
                const auto first = static_cast<uint16_t>(vertices.size() / 7);
                for (auto [su, sv] : {std::pair{-1.f, -1.f}, {1.f, -1.f}, {1.f, 1.f}, {-1.f, 1.f}}) {
                    ember::Vec3 p = (n + u * su + v * sv) * h;
                    vertices.insert(vertices.end(), {p.x, p.y, p.z, 1.0f, n.x, n.y, n.z});
                }
                for (uint16_t i : {0, 1, 2, 0, 2, 3}) indices.push_back(static_cast<uint16_t>(first + i));
            }
        bin.indexCount = 36;
        bin.minIndex = base;
        bin.maxIndex = static_cast<uint32_t>(vertices.size() / 7 - 1);
        bin.primitiveType = 4;
        bins.push_back(bin);
    }

    // Uploads and connects the buffers to program's inputs.
    ember::Ref<ember::VertexArrayObject> build(ember::Program* program) {
        vertexBuffer = new ember::VertexBuffer();
        vertexBuffer->setStride(28);
        vertexBuffer->addAttribute(ember::AttributeSemantic::Position, 0, 4);
        vertexBuffer->addAttribute(ember::AttributeSemantic::Normal, 16, 3);
        vertexBuffer->create();
        vertexBuffer->bufferData(ember::BufferUsage::StaticDraw,
                                 static_cast<GLsizeiptr>(vertices.size() * sizeof(float)), vertices.data());
        vertexBuffer->unbind();
        indexBuffer = new ember::IndexBuffer();
        indexBuffer->setIndexSize(2);
        indexBuffer->create();
        indexBuffer->bufferData(ember::BufferUsage::StaticDraw,
                                static_cast<GLsizeiptr>(indices.size() * sizeof(uint16_t)), indices.data());
        indexBuffer->unbind();
        return ember::VertexArrayObjectBuilder::buildVertexArrayObject(program, vertexBuffer.get(),
                                                                       indexBuffer.get());
    }

    ember::Ref<ember::VertexBuffer> vertexBuffer;
    ember::Ref<ember::IndexBuffer> indexBuffer;
};

}  // namespace scenetest
