#include <gtest/gtest.h>
#include <jerror.h>
#include <jpeglib.h>
#include <png.h>

#include <cstring>
#include <memory>
#include <sstream>

#include "LoaderFixtures.h"
#include "loaders/JPEGLoader.h"
#include "loaders/PNGLoader.h"

using namespace ember;
using namespace loadertest;

namespace {

PngSpec rgba1x1(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    PngSpec spec;
    spec.colorType = PNG_COLOR_TYPE_RGBA;
    spec.rows = {r, g, b, a};
    return spec;
}

bool decodePngBytes(const Bytes& png, DecodedImage& image, bool premultiply = false) {
    PNGLoader loader;
    loader.setPremultiply(premultiply);
    // An exact-size heap copy, so any read past the block is caught by ASan.
    std::unique_ptr<uint8_t[]> block(new uint8_t[png.size() ? png.size() : 1]);
    if (!png.empty()) std::memcpy(block.get(), png.data(), png.size());
    return loader.readImageFromMemory(block.get(), png.size(), image);
}

}  // namespace

TEST(PNGDecode, PremultipliesWithAShiftByEight) {
    struct Case {
        uint8_t in[4];
        uint8_t out[4];
    } cases[] = {
        {{255, 128, 0, 128}, {127, 64, 0, 128}},
        {{255, 255, 255, 255}, {254, 254, 254, 255}},
        {{200, 100, 50, 0}, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        DecodedImage image;
        ASSERT_TRUE(decodePngBytes(encodePng(rgba1x1(c.in[0], c.in[1], c.in[2], c.in[3])), image, true));
        ASSERT_EQ(image.channels, 4);
        EXPECT_EQ(image.format, TextureFormat::RGBA8);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(image.pixels[i], c.out[i]) << int(c.in[0]) << " channel " << i;
    }
    DecodedImage plain;
    ASSERT_TRUE(decodePngBytes(encodePng(rgba1x1(255, 128, 0, 128)), plain, false));
    EXPECT_EQ(plain.pixels[0], 255);
    EXPECT_EQ(plain.pixels[1], 128);

    // Grey + alpha: the grey byte is multiplied by alpha.
    PngSpec ga;
    ga.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
    ga.rows = {200, 100};
    DecodedImage image;
    ASSERT_TRUE(decodePngBytes(encodePng(ga), image, true));
    EXPECT_EQ(image.format, TextureFormat::RG8);
    EXPECT_EQ(image.pixels[0], (200 * 100) >> 8);
    EXPECT_EQ(image.pixels[1], 100);
}

TEST(PNGDecode, ExpandsAndStripsToEightBitsPerChannel) {
    struct Case {
        const char* what;
        PngSpec spec;
        int channels;
        TextureFormat format;
        Bytes firstPixel;
    };
    auto spec = [](int colorType, int bitDepth, Bytes rows, uint32_t width = 1) {
        PngSpec s;
        s.colorType = colorType;
        s.bitDepth = bitDepth;
        s.width = width;
        s.rows = std::move(rows);
        return s;
    };
    PngSpec palette = spec(PNG_COLOR_TYPE_PALETTE, 8, {1});
    palette.palette = {10, 20, 30, 40, 50, 60};
    PngSpec paletteAlpha = palette;
    paletteAlpha.transparency = {255, 77};
    PngSpec palette2bit = spec(PNG_COLOR_TYPE_PALETTE, 2, {0x40}, 2);
    palette2bit.palette = {10, 20, 30, 40, 50, 60};
    Case cases[] = {
        {"grey 8", spec(PNG_COLOR_TYPE_GRAY, 8, {77}), 1, TextureFormat::R8, {77}},
        {"grey 16", spec(PNG_COLOR_TYPE_GRAY, 16, {0xAB, 0xCD}), 1, TextureFormat::R8, {0xAB}},
        {"grey 1", spec(PNG_COLOR_TYPE_GRAY, 1, {0x80}, 2), 1, TextureFormat::R8, {255}},
        {"grey 4", spec(PNG_COLOR_TYPE_GRAY, 4, {0x50}), 1, TextureFormat::R8, {0x55}},
        {"grey alpha 16", spec(PNG_COLOR_TYPE_GRAY_ALPHA, 16, {1, 2, 3, 4}), 2, TextureFormat::RG8, {1, 3}},
        {"rgb 8", spec(PNG_COLOR_TYPE_RGB, 8, {1, 2, 3}), 3, TextureFormat::RGB8, {1, 2, 3}},
        {"rgb 16", spec(PNG_COLOR_TYPE_RGB, 16, {9, 0, 8, 0, 7, 0}), 3, TextureFormat::RGB8, {9, 8, 7}},
        {"rgba 8", spec(PNG_COLOR_TYPE_RGBA, 8, {1, 2, 3, 4}), 4, TextureFormat::RGBA8, {1, 2, 3, 4}},
        {"palette", palette, 3, TextureFormat::RGB8, {40, 50, 60}},
        {"palette 2 bit", palette2bit, 3, TextureFormat::RGB8, {40, 50, 60}},
        // The transparency chunk adds an alpha channel: the format follows the
        // channels actually decoded, so rows and format always agree.
        {"palette + tRNS", paletteAlpha, 4, TextureFormat::RGBA8, {40, 50, 60, 77}},
    };
    for (const Case& c : cases) {
        const Bytes png = encodePng(c.spec);
        ASSERT_FALSE(png.empty()) << c.what;
        DecodedImage image;
        ASSERT_TRUE(decodePngBytes(png, image)) << c.what;
        EXPECT_EQ(image.channels, c.channels) << c.what;
        EXPECT_EQ(image.format, c.format) << c.what;
        EXPECT_EQ(image.width, int32_t(c.spec.width)) << c.what;
        EXPECT_EQ(Bytes(image.pixels, image.pixels + c.firstPixel.size()), c.firstPixel) << c.what;
    }
}

TEST(PNGDecode, RowsAreStoredBottomUpFromEverySource) {
    PngSpec spec;
    spec.colorType = PNG_COLOR_TYPE_GRAY;
    spec.width = 3;
    spec.height = 4;
    // Row y holds (10y, 10y + 1, 99).
    spec.rows = {0, 1, 99, 10, 11, 99, 20, 21, 99, 30, 31, 99};
    for (bool interlaced : {false, true}) {
        spec.interlaced = interlaced;
        const Bytes png = encodePng(spec);
        ASSERT_TRUE(writeFile("rows.png", png));
        PNGLoader loader;
        DecodedImage fromFile, fromMemory, fromStream;
        ASSERT_TRUE(loader.readImage("rows.png", fromFile));
        ASSERT_TRUE(loader.readImageFromMemory(png.data(), png.size(), fromMemory));
        std::istringstream stream(std::string(png.begin(), png.end()));
        ASSERT_TRUE(loader.readImageFromStream(stream, fromStream));
        for (DecodedImage* image : {&fromFile, &fromMemory, &fromStream}) {
            ASSERT_EQ(image->height, 4);
            // The file's first row is the buffer's last.
            EXPECT_EQ(image->pixels[3 * 3 + 0], 0);
            EXPECT_EQ(image->pixels[3 * 3 + 1], 1);
            EXPECT_EQ(image->pixels[0], 30);
            EXPECT_EQ(image->pixels[1], 31);
        }
    }
}

TEST(PNGDecode, FailuresAreLogged) {
    LogCapture log;
    PNGLoader loader;
    DecodedImage image;
    EXPECT_FALSE(loader.readImage("missing.png", image));
    EXPECT_TRUE(log.contains("PNG: unable to open missing.png\n"));
    EXPECT_FALSE(loader.readImageFromMemory(nullptr, 100, image));
    EXPECT_TRUE(log.contains("Error while loading PNG image\n"));
    EXPECT_EQ(image.pixels, nullptr);
}

// Every cut of a PNG at its chunk boundaries and inside them, every flipped
// header field, and oversized dimensions fail cleanly from all three sources.
TEST(PNGDecode, DamagedFilesFailCleanly) {
    PngSpec spec;
    spec.colorType = PNG_COLOR_TYPE_RGB;
    spec.width = 40;
    spec.height = 30;
    for (size_t i = 0; i < 40 * 30 * 3; ++i) spec.rows.push_back(uint8_t(i * 31));
    const Bytes png = encodePng(spec);
    std::vector<std::pair<std::string, Bytes>> damaged;
    damaged.push_back({"empty", {}});
    damaged.push_back({"signature only", Bytes(png.begin(), png.begin() + 8)});
    for (size_t offset : pngChunkOffsets(png)) {
        for (size_t extra : {size_t(0), size_t(5), size_t(13)}) {
            if (offset + extra >= png.size() - 12) continue;  // the IEND chunk is not needed for the pixels
            damaged.push_back({"cut at " + std::to_string(offset + extra),
                               Bytes(png.begin(), png.begin() + offset + extra)});
        }
    }
    Bytes badSignature = png;
    badSignature[1] = 'X';
    damaged.push_back({"signature", badSignature});
    auto withIhdr = [&](const char* what, uint32_t width, uint32_t height, uint8_t depth, uint8_t type) {
        Bytes b = png;
        const size_t ihdr = 8;
        for (int i = 0; i < 4; ++i) {
            b[ihdr + 8 + i] = uint8_t(width >> (24 - 8 * i));
            b[ihdr + 12 + i] = uint8_t(height >> (24 - 8 * i));
        }
        b[ihdr + 16] = depth;
        b[ihdr + 17] = type;
        fixPngChunkCrc(b, ihdr);
        damaged.push_back({what, b});
    };
    withIhdr("zero width", 0, 30, 8, 2);
    withIhdr("zero height", 40, 0, 8, 2);
    withIhdr("huge", 0x7FFFFFFF, 0x7FFFFFFF, 8, 2);
    withIhdr("over the limit", 70000, 10, 8, 2);
    withIhdr("too many bytes", 60000, 60000, 8, 2);
    withIhdr("bad depth", 40, 30, 7, 2);
    withIhdr("bad colour type", 40, 30, 8, 5);
    Bytes badCrc = png;
    badCrc[pngChunkOffsets(png)[1] + 10] ^= 0xFF;
    damaged.push_back({"IDAT crc", badCrc});

    LogCapture log;
    for (const auto& [what, bytes] : damaged) {
        DecodedImage image;
        EXPECT_FALSE(decodePngBytes(bytes, image)) << what;
        EXPECT_EQ(image.pixels, nullptr) << what;
        ASSERT_TRUE(writeFile("damaged.png", bytes));
        PNGLoader loader;
        EXPECT_FALSE(loader.readImage("damaged.png", image)) << what;
        std::istringstream stream(std::string(bytes.begin(), bytes.end()));
        EXPECT_FALSE(loader.readImageFromStream(stream, image)) << what;
    }
    EXPECT_TRUE(log.contains("Error while loading PNG image"));
}

namespace {

Bytes gradient(uint32_t width, uint32_t height, int components) {
    Bytes pixels(size_t(width) * height * components);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            for (int c = 0; c < components; ++c)
                pixels[(size_t(y) * width + x) * components + c] =
                    uint8_t((y < height / 2 ? 215 : 5) + (x * 7 + y * 13 + c * 5) % 31);
    return pixels;
}

}  // namespace

TEST(JPEGDecode, GreyIsR8AndColourIsRGB8BottomUp) {
    for (int components : {1, 3}) {
        ASSERT_TRUE(writeFile("image.jpg", encodeJpeg(32, 16, components, gradient(32, 16, components))));
        JPEGLoader loader;
        DecodedImage image;
        ASSERT_TRUE(loader.readImage("image.jpg", image));
        EXPECT_EQ(image.width, 32);
        EXPECT_EQ(image.height, 16);
        EXPECT_EQ(image.channels, components);
        EXPECT_EQ(image.format, components == 1 ? TextureFormat::R8 : TextureFormat::RGB8);
        // The bright top half of the file is the upper half of the buffer.
        EXPECT_LT(image.pixels[0], 60);
        EXPECT_GT(image.pixels[image.byteSize() - 1], 200);
    }
}

TEST(JPEGDecode, TruncatedFileStillDecodes) {
    const Bytes jpeg = encodeJpeg(64, 64, 3, gradient(64, 64, 3));
    const std::vector<size_t> markers = jpegMarkerOffsets(jpeg);
    const size_t scanStart = markers.back();
    ASSERT_GT(jpeg.size(), scanStart + 100);
    // Cut inside the entropy-coded data, so the decoder needs the supplied end marker.
    ASSERT_TRUE(
        writeFile("cut.jpg", Bytes(jpeg.begin(), jpeg.begin() + scanStart + (jpeg.size() - scanStart) / 3)));
    JPEGLoader loader;
    DecodedImage image;
    ASSERT_TRUE(loader.readImage("cut.jpg", image));
    EXPECT_EQ(image.width, 64);
    EXPECT_EQ(image.height, 64);
    // The file's first rows arrived before the cut: the last rows of the buffer are the bright ones.
    EXPECT_GT(image.pixels[image.byteSize() - 1], 200);
}

TEST(JPEGDecode, FatalErrorsLogCodeAndTemplateMissingFileLogsNothing) {
    LogCapture log;
    JPEGLoader loader;
    DecodedImage image;
    EXPECT_FALSE(loader.readImage("missing.jpg", image));
    EXPECT_EQ(log.contents(), "");
    ASSERT_TRUE(writeFile("text.jpg", Bytes{'h', 'e', 'l', 'l', 'o'}));
    EXPECT_FALSE(loader.readImage("text.jpg", image));
    EXPECT_EQ(log.contents(), "Error while loading JPEG image text.jpg (" + std::to_string(JERR_NO_SOI) +
                                  " Not a JPEG file: starts with 0x%02x 0x%02x)\n");
}

TEST(JPEGDecode, DamagedFilesFailOrDecodeCleanly) {
    const Bytes jpeg = encodeJpeg(48, 40, 3, gradient(48, 40, 3));
    std::vector<std::pair<std::string, Bytes>> cases;
    cases.push_back({"empty", {}});
    for (size_t offset : jpegMarkerOffsets(jpeg))
        for (size_t extra : {size_t(0), size_t(1), size_t(3), size_t(7)})
            if (offset + extra < jpeg.size())
                cases.push_back({"cut at " + std::to_string(offset + extra),
                                 Bytes(jpeg.begin(), jpeg.begin() + offset + extra)});
    // Oversized and zero dimensions in the frame header.
    for (size_t offset : jpegMarkerOffsets(jpeg)) {
        if (jpeg[offset + 1] != 0xC0) continue;
        for (auto [h, w] : {std::pair<int, int>{0xFFFF, 0xFFFF}, {0, 48}, {40, 0}, {0xFFFF, 0xFFF0}}) {
            Bytes b = jpeg;
            b[offset + 5] = uint8_t(h >> 8);
            b[offset + 6] = uint8_t(h);
            b[offset + 7] = uint8_t(w >> 8);
            b[offset + 8] = uint8_t(w);
            cases.push_back({"size " + std::to_string(w) + "x" + std::to_string(h), b});
        }
    }
    Bytes noise = jpeg;
    for (size_t i = jpegMarkerOffsets(jpeg).back(); i < noise.size() - 2; i += 3) noise[i] = uint8_t(i * 13);
    cases.push_back({"noise in scan", noise});

    LogCapture log;
    int decoded = 0, failed = 0;
    for (const auto& [what, bytes] : cases) {
        ASSERT_TRUE(writeFile("damaged.jpg", bytes));
        JPEGLoader loader;
        DecodedImage image;
        if (loader.readImage("damaged.jpg", image)) {
            ++decoded;
            EXPECT_GT(image.width, 0) << what;
            EXPECT_EQ(image.byteSize(), size_t(48) * 40 * 3) << what;
        } else {
            ++failed;
            EXPECT_EQ(image.pixels, nullptr) << what;
        }
    }
    EXPECT_GT(failed, 0);
    EXPECT_GT(decoded, 0);  // cuts inside the scan still give an image
    EXPECT_TRUE(log.contains("Error while loading JPEG image damaged.jpg ("));
}
