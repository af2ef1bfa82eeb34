#include "ProceduralTextures.h"

#include <cmath>
#include <fstream>

#include "Random.h"
#include "SimpleCurl3D.h"
#include "application/Logger.h"

namespace qm {

namespace {
// Divides (x, y, z) by its length; a zero vector stays zero instead of NaN.
inline void normalise3(float& x, float& y, float& z) {
    const float length = std::sqrt(x * x + y * y + z * z);
    if (length > 0.0f) {
        x /= length;
        y /= length;
        z /= length;
    }
}
}  // namespace

std::string ProceduralTextures::gradientPath(const std::string& name) {
    return "data/" + name + ".grad";
}

std::vector<uint8_t> ProceduralTextures::gradient(const std::string& path) {
    const size_t size = gradientWidth * 3;
    std::vector<uint8_t> ramp(size);
    for (size_t n = 0; n < size; ++n) ramp[n] = static_cast<uint8_t>(n / 3);

    std::ifstream file(path, std::ios::binary);
    if (!file) return ramp;
    file.read(reinterpret_cast<char*>(ramp.data()), static_cast<std::streamsize>(size));
    const std::streamsize got = file.gcount();
    if (got < static_cast<std::streamsize>(size)) {
        // read() may have touched the bytes past gcount(); put the grey ramp back there.
        for (size_t n = static_cast<size_t>(got); n < size; ++n) ramp[n] = static_cast<uint8_t>(n / 3);
        ember::Logger::instance().writeLocated(
            "quillmoor/ProceduralTextures", "ProceduralTextures::gradient", __LINE__,
            path + " holds " + std::to_string(got) + " of 768 bytes; the rest of the ramp stays grey");
    }
    return ramp;
}

std::vector<float> ProceduralTextures::randomNormals() {
    const int count = randomNormalsSize * randomNormalsSize;
    std::vector<float> texels(count * 3);
    Random random(1u);
    for (int n = 0; n < count; ++n) {
        float x = random.gaussian(1.0f);
        float y = random.gaussian(1.0f);
        float z = random.gaussian(1.0f);
        normalise3(x, y, z);
        texels[n * 3 + 0] = x;
        texels[n * 3 + 1] = y;
        texels[n * 3 + 2] = z;
    }
    return texels;
}

std::vector<float> ProceduralTextures::curlVelocity2D() {
    const int count = curl2DSize * curl2DSize;
    std::vector<float> v(count * 2);
    Random random(123456789u);
    for (int n = 0; n < count; ++n) {
        const float x = random.next();
        const float y = random.next();
        const float length = std::sqrt(x * x + y * y);
        v[n * 2 + 0] = length > 0.0f ? x / length : 0.0f;
        v[n * 2 + 1] = length > 0.0f ? y / length : 0.0f;
    }
    // In place on purpose: later texels average already smoothed neighbours
    // where the window wraps around.
    for (int k = 0; k < count; ++k) {
        const int right = (k + 1) % count, below = (k + curl2DSize) % count,
                  belowRight = (k + curl2DSize + 1) % count;
        for (int c = 0; c < 2; ++c)
            v[k * 2 + c] =
                (v[right * 2 + c] + v[k * 2 + c] + v[below * 2 + c] + v[belowRight * 2 + c]) * 0.25f;
    }
    return v;
}

std::vector<float> ProceduralTextures::curlVelocity3D() {
    const int n = curl3DSize;
    std::vector<float> texels(static_cast<size_t>(n) * n * n * 3);
    SimpleCurl3D field(curl3DStep);
    size_t out = 0;
    for (int k = 0; k < n; ++k)
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i) {
                const ember::Vec3 point(static_cast<float>(j) / 16.0f - 1.0f,
                                        static_cast<float>(k) / 16.0f - 1.0f,
                                        static_cast<float>(i) / 16.0f - 1.0f);
                ember::Vec3 curl = field.curl(point);
                normalise3(curl.x, curl.y, curl.z);
                texels[out++] = curl.x;
                texels[out++] = curl.y;
                texels[out++] = curl.z;
            }
    return texels;
}

}  // namespace qm
