// The Intro's one mesh, "cubes": a unit cube (-0.5 .. 0.5) with chamfered
// edges and corners. Every chamfer vertex keeps the normal of the face it
// belongs to, so the light rolls smoothly over the edges instead of breaking
// on them, and each face carries a full 0..1 texture square with its tangent.
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "Generator.h"
#include "loaders/RAWMeshWriter.h"

namespace qmgen {
namespace {

constexpr float kChamfer = 0.07f;

struct V3 {
    float x, y, z;
};
V3 operator+(V3 a, V3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
V3 operator-(V3 a, V3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
V3 operator*(V3 a, float s) {
    return {a.x * s, a.y * s, a.z * s};
}
float dot(V3 a, V3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
V3 cross(V3 a, V3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

struct Vertex {
    V3 position, normal;
    float tangent[4];
    float uv[2];
    int corner;  // which cube corner (sign bits) the vertex lies near
};

bool writeCubes(const std::string& dataDir) {
    // Face normal, tangent (direction of u) and bitangent (direction of v), with t x b = n.
    const V3 faces[6][3] = {
        {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}}, {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
        {{0, 1, 0}, {1, 0, 0}, {0, 0, -1}}, {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}},
        {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, -1}, {-1, 0, 0}, {0, 1, 0}},
    };
    std::vector<Vertex> vertices;
    std::vector<uint32_t> indices;
    const float h = 0.5f - kChamfer;
    for (int f = 0; f < 6; ++f) {
        const V3 n = faces[f][0], t = faces[f][1], b = faces[f][2];
        for (int c = 0; c < 4; ++c) {
            const float su = (c == 1 || c == 2) ? 1.0f : -1.0f;
            const float sv = (c >= 2) ? 1.0f : -1.0f;
            Vertex v;
            v.position = n * 0.5f + t * (su * h) + b * (sv * h);
            v.normal = n;
            v.tangent[0] = t.x;
            v.tangent[1] = t.y;
            v.tangent[2] = t.z;
            v.tangent[3] = 1.0f;
            v.uv[0] = 0.5f + su * 0.5f;
            v.uv[1] = 0.5f - sv * 0.5f;
            v.corner = (v.position.x > 0) | (v.position.y > 0) << 1 | (v.position.z > 0) << 2;
            vertices.push_back(v);
        }
        const uint32_t base = uint32_t(4 * f);
        for (uint32_t i : {0u, 1u, 2u, 0u, 2u, 3u}) indices.push_back(base + i);
    }
    // Adds a triangle wound counter-clockwise seen from outside.
    auto triangle = [&](uint32_t a, uint32_t b, uint32_t c) {
        const V3 pa = vertices[a].position, pb = vertices[b].position, pc = vertices[c].position;
        const V3 centre = (pa + pb + pc) * (1.0f / 3.0f);
        if (dot(cross(pb - pa, pc - pa), centre) < 0.0f) std::swap(b, c);
        indices.insert(indices.end(), {a, b, c});
    };
    // Chamfer strips: two adjacent faces share two corners.
    for (int f = 0; f < 6; ++f)
        for (int g = f + 1; g < 6; ++g) {
            if (std::fabs(dot(faces[f][0], faces[g][0])) > 0.5f) continue;
            std::vector<std::array<uint32_t, 2>> pairs;
            for (uint32_t i = 0; i < 4; ++i)
                for (uint32_t j = 0; j < 4; ++j)
                    if (vertices[4 * f + i].corner == vertices[4 * g + j].corner)
                        pairs.push_back({uint32_t(4 * f + i), uint32_t(4 * g + j)});
            if (pairs.size() != 2) return false;
            triangle(pairs[0][0], pairs[0][1], pairs[1][1]);
            triangle(pairs[0][0], pairs[1][1], pairs[1][0]);
        }
    // Corner triangles: one vertex of each of the three faces meeting there.
    for (int corner = 0; corner < 8; ++corner) {
        std::vector<uint32_t> three;
        for (uint32_t i = 0; i < vertices.size(); ++i)
            if (vertices[i].corner == corner) three.push_back(i);
        if (three.size() != 3) return false;
        triangle(three[0], three[1], three[2]);
    }

    ember::RawMeshData data;
    data.flags = ember::RAWMeshLoader::HasPosition | ember::RAWMeshLoader::HasNormal |
                 ember::RAWMeshLoader::HasTangent | ember::RAWMeshLoader::HasTexCoord;
    data.stride = ember::RAWMeshLoader::vertexLayout(data.flags, data.slots);
    data.vertexCount = uint32_t(vertices.size());
    for (const Vertex& v : vertices) {
        const float record[12] = {v.position.x, v.position.y, v.position.z, v.normal.x,
                                  v.normal.y,   v.normal.z,   v.tangent[0], v.tangent[1],
                                  v.tangent[2], v.tangent[3], v.uv[0],      v.uv[1]};
        const uint8_t* bytes = reinterpret_cast<const uint8_t*>(record);
        data.vertices.insert(data.vertices.end(), bytes, bytes + sizeof(record));
    }
    data.indexSize = 2;
    data.indexCount = uint32_t(indices.size());
    for (uint32_t i : indices) {
        data.indices.push_back(uint8_t(i & 0xff));
        data.indices.push_back(uint8_t(i >> 8));
    }
    ember::MeshBin bin;
    bin.indexCount = data.indexCount;
    bin.maxIndex = data.vertexCount - 1;
    data.bins.push_back(bin);

    const std::string path = dataDir + "/models/cubes.rmsh";
    std::filesystem::create_directories(dataDir + "/models");
    std::ofstream out(path, std::ios::binary);
    if (!out || !ember::RAWMeshWriter::write(out, data)) {
        std::fprintf(stderr, "cubes: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

QM_CONTENT_GENERATOR("cubes", writeCubes);

}  // namespace qmgen
