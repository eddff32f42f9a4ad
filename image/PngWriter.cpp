#include "image/PngWriter.h"

#include <algorithm>
#include <csetjmp>
#include <cstdlib>

#include "base/Allocation.h"

namespace {

// stb_image_write's compressor grows its buffers without a way to report failure, so a refused allocation leaves it
// here, through a jump back to encodePngRgba. Only the blocks it held at that moment are left behind.
thread_local std::jmp_buf* tOutOfMemory = nullptr;

void* growOrLeave(void* block, size_t size) {
    void* grown = std::realloc(block, size);
    if (!grown && tOutOfMemory) std::longjmp(*tOutOfMemory, 1);
    return grown;
}

}  // namespace

#define STBIW_MALLOC(size) std::malloc(size)
#define STBIW_REALLOC(block, size) growOrLeave(block, size)
#define STBIW_FREE(block) std::free(block)
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace {

void appendTo(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<uint8_t>*>(context);
    const auto* bytes = static_cast<const uint8_t*>(data);
    const size_t at = out->size();
    if (tryResize(*out, at + static_cast<size_t>(size)))
        std::copy(bytes, bytes + size, out->data() + at);
    else
        out->clear();
}

}  // namespace

bool encodePngRgba(const uint8_t* rgba, int32_t width, int32_t height, std::vector<uint8_t>& png) {
    if (width < 1 || height < 1 || int64_t{width} * height > kMaxPngPixels) return false;
    png.clear();
    std::jmp_buf outOfMemory;
    if (setjmp(outOfMemory) != 0) {
        tOutOfMemory = nullptr;
        return false;
    }
    tOutOfMemory = &outOfMemory;
    // Every row filtered by Paeth, with short match chains: on atlases (flat areas, outlines, gradients) that packs as
    // small as trying each filter per row with longer chains, in a third of the time.
    stbi_write_force_png_filter = 4;
    stbi_write_png_compression_level = 5;
    const int written = stbi_write_png_to_func(appendTo, &png, width, height, 4, rgba, width * 4);
    tOutOfMemory = nullptr;
    return written != 0 && !png.empty();
}
