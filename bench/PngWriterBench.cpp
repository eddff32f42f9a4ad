// Times the PNG writer at each level, on one thread and on every core, against the writer it replaced
// (stb_image_write's own compressor at level 5 with Paeth on every row) on the same pixels: atlases written as 32-bit
// TGA files. Usage: png_writer_bench [--repeat N] [--threads N] [--only WRITER] [--write DIR] ATLAS.tga... Prints one
// JSON object a line: {"file", "width", "height", "writer", "threads", "bytes", "ms" (median of N)}; with
// --only one writer runs (stb, fast, default or best; for instruction counts under callgrind); --tile repeats each
// atlas from its top-left corner over W x H pixels (beyond what the TGA reader takes: the largest PNG atlas); with
// --write every PNG goes to DIR too (ATLAS-LEVEL.png), for decoders to check.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "MedianTime.h"
#include "base/Parallel.h"
#include "base/SafeFileWriter.h"
#include "image/PngWriter.h"
#include "image/TextureImage.h"

#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace {

// The image's pixels as the PNG writer takes them: red, green, blue, alpha, rows top first.
std::vector<uint8_t> rgbaRows(const TextureImage& image) {
    std::vector<uint8_t> rgba;
    rgba.reserve(static_cast<size_t>(image.pixelCount()) * 4);
    for (int32_t y = 0; y < image.height(); ++y) {
        const int32_t row = image.height() - 1 - y;
        const uint8_t* bgr = image.pixels().data() + static_cast<size_t>(row) * image.rowStride();
        const uint8_t* alpha = image.alpha().data() + static_cast<size_t>(row) * image.width();
        for (int32_t x = 0; x < image.width(); ++x) {
            rgba.insert(rgba.end(), {bgr[x * 3 + 2], bgr[x * 3 + 1], bgr[x * 3], alpha[x]});
        }
    }
    return rgba;
}

// The pixels repeated over width x height, from the top-left corner.
std::vector<uint8_t> tiled(const std::vector<uint8_t>& rgba, int32_t w, int32_t h, int32_t width, int32_t height) {
    std::vector<uint8_t> out(static_cast<size_t>(width) * height * 4);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; x += w) {
            const uint8_t* from = rgba.data() + static_cast<size_t>(y % h) * w * 4;
            std::copy(from, from + std::min(w, width - x) * 4, out.data() + (static_cast<size_t>(y) * width + x) * 4);
        }
    }
    return out;
}

// The writer before zlib: Paeth on every row, stb_image_write's compressor at level 5.
std::vector<uint8_t> stbPng(const std::vector<uint8_t>& rgba, int32_t width, int32_t height) {
    stbi_write_force_png_filter = 4;
    stbi_write_png_compression_level = 5;
    int length = 0;
    unsigned char* png = stbi_write_png_to_mem(rgba.data(), width * 4, width, height, 4, &length);
    std::vector<uint8_t> bytes(png, png + length);
    std::free(png);
    return bytes;
}

void report(const std::string& file,
            int32_t width,
            int32_t height,
            const char* writer,
            unsigned threads,
            size_t bytes,
            double ms) {
    std::printf(
        "{\"file\": \"%s\", \"width\": %d, \"height\": %d, \"writer\": \"%s\", \"threads\": %u, \"bytes\": %zu, "
        "\"ms\": %.1f}\n",
        file.c_str(), width, height, writer, threads, bytes, ms);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    int repetitions = 5;
    unsigned many = defaultThreadCount();
    std::string writeDir, only;
    int32_t tileWidth = 0, tileHeight = 0;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc) {
            repetitions = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--threads") == 0 && i + 1 < argc) {
            many = static_cast<unsigned>(std::max(1, std::atoi(argv[++i])));
        } else if (std::strcmp(argv[i], "--tile") == 0 && i + 1 < argc) {
            if (std::sscanf(argv[++i], "%dx%d", &tileWidth, &tileHeight) != 2) return 2;
        } else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
            only = argv[++i];
        } else if (std::strcmp(argv[i], "--write") == 0 && i + 1 < argc) {
            writeDir = argv[++i];
        } else {
            files.push_back(argv[i]);
        }
    }
    const std::pair<const char*, PngLevel> levels[] = {
        {"fast", PngLevel::Fast}, {"default", PngLevel::Default}, {"best", PngLevel::Best}};
    for (const std::string& file : files) {
        TextureImage image;
        if (!image.loadTga(file) || !image.hasAlpha()) {
            std::fprintf(stderr, "png_writer_bench: %s is no 32-bit TGA\n", file.c_str());
            return 1;
        }
        std::vector<uint8_t> rgba = rgbaRows(image);
        int32_t w = image.width(), h = image.height();
        if (tileWidth > 0) {
            rgba = tiled(rgba, w, h, tileWidth, tileHeight);
            w = tileWidth, h = tileHeight;
        }
        std::vector<uint8_t> png;
        if (only.empty() || only == "stb") {
            const double ms = medianMs(repetitions, [&] { png = stbPng(rgba, w, h); });
            report(file, w, h, "stb", 1, png.size(), ms);
        }
        for (const auto& [name, level] : levels) {
            if (!only.empty() && only != name) continue;
            for (const unsigned threads : {1u, many}) {
                const double ms = medianMs(repetitions, [&] {
                    encodePngRgba(rgba.data(), w, h, png, {level, threads});
                });
                report(file, w, h, name, threads, png.size(), ms);
                if (many == 1) break;
            }
            if (!writeDir.empty()) {
                const size_t name0 = file.find_last_of('/') + 1;  // 0 when there is no folder
                const std::string stem = file.substr(name0, file.rfind('.') - name0);
                if (!writeFileSafely(writeDir + "/" + stem + "-" + name + ".png", png)) return 1;
            }
        }
    }
    return 0;
}
