// Loader throughput next to the bare libraries on the same files, so the
// engine's own overhead shows as a ratio. Rates are in MB of encoded file per
// second; run from any scratch directory (the files are written there).
#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include "LoaderFixtures.h"
#include "loaders/JPEGLoader.h"
#include "loaders/PNGLoader.h"
#include "loaders/RAWMeshLoader.h"
#include "loaders/gzstream.h"

using namespace ember;
using namespace loadertest;

namespace {

constexpr uint32_t ImageSize = 1024;

Bytes photoLike(int components) {
    Bytes pixels(size_t(ImageSize) * ImageSize * components);
    uint32_t state = 1;
    for (uint32_t y = 0; y < ImageSize; ++y)
        for (uint32_t x = 0; x < ImageSize; ++x)
            for (int c = 0; c < components; ++c) {
                state *= 16807u;
                pixels[(size_t(y) * ImageSize + x) * components + c] =
                    uint8_t((x * (c + 1) + y * 2) / 9 + (state >> 29) + (c == 3 ? 128 : 0));
            }
    return pixels;
}

struct Files {
    Bytes png;
    size_t jpegSize = 0;
    size_t meshSize = 0;
    Files() {
        PngSpec spec;
        spec.width = spec.height = ImageSize;
        spec.colorType = PNG_COLOR_TYPE_RGBA;
        spec.rows = photoLike(4);
        png = encodePng(spec);
        writeFile("bench.png", png);
        const Bytes jpeg = encodeJpeg(ImageSize, ImageSize, 3, photoLike(3), 90);
        jpegSize = jpeg.size();
        writeFile("bench.jpg", jpeg);
        MeshSpec mesh = simpleMesh(0x1F, 300000, 4);
        // Plausible float data compresses like a real model, not like noise.
        for (size_t i = 0; i + 4 <= mesh.vertexData.size(); i += 4) {
            const float value = float(i % 9973) * 0.01f;
            std::memcpy(mesh.vertexData.data() + i, &value, 4);
        }
        writeGzip("bench.rmzh", encodeMesh(mesh));
        meshSize = readFile("bench.rmzh").size();
    }
};

const Files& files() {
    static Files f;
    return f;
}

// --- PNG -------------------------------------------------------------------

struct MemoryReader {
    const uint8_t* data;
    size_t size, at;
};

void readMemory(png_structp png, png_bytep out, png_size_t n) {
    MemoryReader* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (n > r->size - r->at) png_error(png, "short");
    std::memcpy(out, r->data + r->at, n);
    r->at += n;
}

bool rawPngDecode(MemoryReader* reader, uint8_t* pixels, png_bytep* rows) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, reader, readMemory);
    png_read_info(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    for (uint32_t y = 0; y < ImageSize; ++y) rows[y] = pixels + y * rowBytes;
    png_read_image(png, rows);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

void BM_PNG_libpng(benchmark::State& state) {
    const Bytes& png = files().png;
    std::vector<uint8_t> pixels(size_t(ImageSize) * ImageSize * 4);
    std::vector<png_bytep> rows(ImageSize);
    for (auto _ : state) {
        MemoryReader reader{png.data(), png.size(), 0};
        if (!rawPngDecode(&reader, pixels.data(), rows.data())) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(png.size()));
}

void BM_PNG_PNGLoader(benchmark::State& state) {
    const Bytes& png = files().png;
    PNGLoader loader;
    loader.setPremultiply(state.range(0) != 0);
    for (auto _ : state) {
        DecodedImage image;
        if (!loader.readImageFromMemory(png.data(), png.size(), image)) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(image.pixels);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(png.size()));
}

// --- JPEG ------------------------------------------------------------------

void BM_JPEG_libjpeg(benchmark::State& state) {
    std::vector<uint8_t> pixels(size_t(ImageSize) * ImageSize * 3);
    for (auto _ : state) {
        FILE* file = std::fopen("bench.jpg", "rb");
        jpeg_decompress_struct info;
        jpeg_error_mgr error;
        info.err = jpeg_std_error(&error);
        jpeg_create_decompress(&info);
        jpeg_stdio_src(&info, file);
        jpeg_read_header(&info, TRUE);
        jpeg_start_decompress(&info);
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = pixels.data() + size_t(info.output_scanline) * info.output_width * 3;
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
        jpeg_destroy_decompress(&info);
        std::fclose(file);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(files().jpegSize));
}

void BM_JPEG_JPEGLoader(benchmark::State& state) {
    files();
    JPEGLoader loader;
    for (auto _ : state) {
        DecodedImage image;
        if (!loader.readImage("bench.jpg", image)) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(image.pixels);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(files().jpegSize));
}

// --- rmzh ------------------------------------------------------------------

void BM_RMZH_zlib(benchmark::State& state) {
    files();
    std::vector<uint8_t> out;
    for (auto _ : state) {
        gzFile file = gzopen("bench.rmzh", "rb");
        out.clear();
        uint8_t chunk[65536];
        int got;
        while ((got = gzread(file, chunk, sizeof(chunk))) > 0) out.insert(out.end(), chunk, chunk + got);
        gzclose(file);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(files().meshSize));
}

void BM_RMZH_RAWMeshLoader(benchmark::State& state) {
    files();
    for (auto _ : state) {
        gzifstream in("bench.rmzh");
        RawMeshData data;
        if (!RAWMeshLoader::readMeshData(in, data)) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(data.vertices.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(files().meshSize));
}

}  // namespace

BENCHMARK(BM_PNG_libpng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PNG_PNGLoader)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JPEG_libjpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JPEG_JPEGLoader)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RMZH_zlib)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RMZH_RAWMeshLoader)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
