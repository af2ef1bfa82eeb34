#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "FlowModel.h"
#include "application/Logger.h"
#include "loaders/ImageLoader.h"
#include "loaders/PNGLoader.h"

namespace {

using qm::FlowModel;
using qm::FlowParticle;

const std::string kRunDir = std::string(EMBER_RUN_DIR) + "/";

std::string readLog() {
    std::ifstream in("log.txt");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The generated lines give dense, distinct texts that stay inside the view with a margin, so the
// letters are whole when they appear.
TEST(FlowContent, EveryTextImageGivesADenseDistinctText) {
    std::set<size_t> counts;
    for (int k = 0; k < FlowModel::TextCount; ++k) {
        std::vector<FlowParticle> p;
        ASSERT_TRUE(FlowModel::loadTextParticles(kRunDir + FlowModel::textImagePath(k), p)) << k;
        EXPECT_GT(p.size(), 8000u) << k;
        EXPECT_LT(p.size(), 60000u) << k;
        float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
        for (const FlowParticle& q : p) {
            minX = std::min(minX, q.x);
            maxX = std::max(maxX, q.x);
            minY = std::min(minY, q.y);
            maxY = std::max(maxY, q.y);
            ASSERT_EQ(q.z, 0.00001f);
        }
        EXPECT_GT(minX, -5.8f) << k;
        EXPECT_LT(maxX, 5.8f) << k;
        EXPECT_GT(minY, -3.0f) << k;
        EXPECT_LT(maxY, 3.0f) << k;
        // Set large: the line spans at least a third of the width.
        EXPECT_GT(maxX - minX, 4.0f) << k;
        counts.insert(p.size());
    }
    EXPECT_EQ(counts.size(), 8u);
}

TEST(FlowContent, AMissingTextImageFailsWithTheLoaderMessage) {
    ASSERT_TRUE(ember::Logger::instance().open("log.txt"));
    std::vector<FlowParticle> p;
    EXPECT_FALSE(FlowModel::loadTextParticles("data/textures/flowtext99.png", p));
    ember::Logger::instance().close();
    EXPECT_NE(readLog().find("PNG: unable to open data/textures/flowtext99.png"), std::string::npos)
        << readLog();
}

struct AtlasCase {
    const char* file;
    int width;
    int height;
};

TEST(FlowContent, SpriteAndAtlasSizes) {
    const AtlasCase cases[] = {
        {"circle.png", 64, 64}, {"credits.png", 768, 512}, {"greetings.png", 1024, 1024}};
    for (const AtlasCase& c : cases) {
        ember::PNGLoader loader;
        ember::DecodedImage image;
        ASSERT_TRUE(loader.readImage(kRunDir + "data/textures/" + c.file, image)) << c.file;
        EXPECT_EQ(image.width, c.width) << c.file;
        EXPECT_EQ(image.height, c.height) << c.file;
    }
    // The sprite is bright in the middle and fades to nothing at its rim.
    ember::PNGLoader loader;
    ember::DecodedImage circle;
    ASSERT_TRUE(loader.readImage(kRunDir + "data/textures/circle.png", circle));
    EXPECT_GT(circle.pixels[32 * circle.rowBytes() + 32 * circle.channels], 200);
    EXPECT_EQ(circle.pixels[32 * circle.rowBytes()], 0);
    EXPECT_EQ(circle.pixels[0], 0);
}

// Every credits and greetings cell carries ink, inside the part of the disc its program shows.
TEST(FlowContent, EveryAtlasCellHasInkInsideItsDisc) {
    struct Atlas {
        const char* file;
        int columns, rows;
    } atlases[] = {{"credits.png", 3, 2}, {"greetings.png", 4, 4}};
    for (const Atlas& a : atlases) {
        ember::PNGLoader loader;
        ember::DecodedImage image;
        ASSERT_TRUE(loader.readImage(kRunDir + "data/textures/" + a.file, image));
        const int cw = image.width / a.columns, ch = image.height / a.rows;
        for (int cy = 0; cy < a.rows; ++cy)
            for (int cx = 0; cx < a.columns; ++cx) {
                int inside = 0, outside = 0;
                for (int y = 0; y < ch; ++y)
                    for (int x = 0; x < cw; ++x) {
                        const uint8_t v = image.pixels[static_cast<size_t>(cy * ch + y) * image.rowBytes() +
                                                       static_cast<size_t>(cx * cw + x) * image.channels];
                        if (v == 0) continue;
                        const float dx = (x + 0.5f) / cw * 2.0f - 1.0f, dy = (y + 0.5f) / ch * 2.0f - 1.0f;
                        (dx * dx + dy * dy < 0.78f * 0.78f ? inside : outside)++;
                    }
                EXPECT_GT(inside, 200) << a.file << " cell " << cx << "," << cy;
                EXPECT_EQ(outside, 0) << a.file << " cell " << cx << "," << cy;
            }
    }
}

}  // namespace
