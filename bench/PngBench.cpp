// Times the PNG reader against the BMP reader on the same pixels. Usage: png_bench [REPETITIONS]; prints one table
// row per picture with the median times in ms of decoding the file in memory (decodeBmp, decodePng) and of loading it
// from a file (TextureImage::loadBmp, loadPng). The PNG files are written by the atlas's own PNG writer, the BMP
// files byte by byte here; both decode to the same pixels, which is checked.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "base/ByteWriter.h"
#include "base/SafeFileWriter.h"
#include "image/BmpReader.h"
#include "image/ImageLimits.h"
#include "image/PngReader.h"
#include "image/PngWriter.h"
#include "image/TextureImage.h"
#include "MedianTime.h"

namespace {

struct Picture {
    const char* what;
    int32_t width;
    int32_t height;
    std::function<uint32_t(int32_t, int32_t)> colour;  // 0xRRGGBB
};

uint32_t noise(int32_t x, int32_t y) {
    uint32_t z = static_cast<uint32_t>(x) * 0x9E3779B1u ^ static_cast<uint32_t>(y) * 0x85EBCA77u;
    z ^= z >> 15;
    z *= 0x2C1B3C6Du;
    return z ^ (z >> 12);
}

const Picture kPictures[] = {
    {"sprite sheet: flat tiles, outlines, gradients", 1024, 1024,
     [](int32_t x, int32_t y) {
         const bool outline = x % 64 == 0 || y % 64 == 0;
         const uint32_t tile = ((x / 64) * 40 + (y / 64) * 90) & 0xFF;
         return outline ? 0x202020u : (tile << 16) | ((y % 64) * 4 << 8) | ((x % 64) * 4);
     }},
    {"photo-like: gradients with noise", 1024, 1024,
     [](int32_t x, int32_t y) {
         const uint32_t n = noise(x, y) & 0x0F;
         return ((x / 4 + n) & 0xFF) << 16 | ((y / 4 + n) & 0xFF) << 8 | (((x + y) / 8 + n) & 0xFF);
     }},
    {"noise (incompressible)", 1024, 1024, [](int32_t x, int32_t y) { return noise(x, y) & 0xFFFFFF; }},
};

std::vector<uint8_t> bmpFile(const Picture& p) {
    const int64_t stride = dibRowStride(p.width);
    ByteWriter out;
    out.u16(0x4D42);
    out.u32(static_cast<uint32_t>(54 + stride * p.height));
    out.u32(0);
    out.u32(54);
    for (const uint32_t v : {40u, static_cast<uint32_t>(p.width), static_cast<uint32_t>(p.height)}) out.u32(v);
    out.u16(1);
    out.u16(24);
    for (int i = 0; i < 6; ++i) out.u32(0);
    std::vector<uint8_t> file = out.buffer();
    for (int32_t r = p.height - 1; r >= 0; --r) {
        for (int32_t c = 0; c < p.width; ++c) {
            const uint32_t v = p.colour(c, r);
            file.insert(file.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16)});
        }
        file.resize(file.size() + static_cast<size_t>(stride - p.width * 3), 0);
    }
    return file;
}

std::vector<uint8_t> pngFile(const Picture& p) {
    std::vector<uint8_t> rgba;
    for (int32_t r = 0; r < p.height; ++r) {
        for (int32_t c = 0; c < p.width; ++c) {
            const uint32_t v = p.colour(c, r);
            rgba.insert(rgba.end(), {uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v), 255});
        }
    }
    std::vector<uint8_t> png;
    if (!encodePngRgba(rgba.data(), p.width, p.height, png)) std::exit(1);
    return png;
}

}  // namespace

int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    std::printf("| picture | BMP file | PNG file | decodeBmp | decodePng | ratio | loadBmp | loadPng | ratio |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const Picture& p : kPictures) {
        const std::vector<uint8_t> bmp = bmpFile(p);
        const std::vector<uint8_t> png = pngFile(p);
        TextureImage fromBmp, fromPng;
        if (fromBmp.takeBmp("b.bmp", bmp.data(), bmp.size()) || fromPng.takePng("p.png", png.data(), png.size()) ||
            fromBmp.pixels() != fromPng.pixels()) {
            std::fprintf(stderr, "png_bench: the two files of \"%s\" do not decode to the same pixels\n", p.what);
            return 1;
        }
        const double decodeBmpMs =
            medianMs(repetitions, [&] { TextureImage().takeBmp("b.bmp", bmp.data(), bmp.size()); });
        const double decodePngMs =
            medianMs(repetitions, [&] { TextureImage().takePng("p.png", png.data(), png.size()); });
        if (!writeFileSafely("png_bench.bmp", bmp) || !writeFileSafely("png_bench.png", png)) return 1;
        const double loadBmpMs = medianMs(repetitions, [] { TextureImage().loadBmp("png_bench.bmp"); });
        const double loadPngMs = medianMs(repetitions, [] { TextureImage().loadPng("png_bench.png"); });
        std::remove("png_bench.bmp");
        std::remove("png_bench.png");
        std::printf("| %s, %dx%d | %.0f KiB | %.0f KiB | %.2f ms | %.2f ms | %.1f | %.2f ms | %.2f ms | %.1f |\n",
                    p.what, p.width, p.height, bmp.size() / 1024.0, png.size() / 1024.0, decodeBmpMs, decodePngMs,
                    decodePngMs / decodeBmpMs, loadBmpMs, loadPngMs, loadPngMs / loadBmpMs);
    }
    return 0;
}
