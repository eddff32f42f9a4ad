#include <gtest/gtest.h>

#include "image/BmpReader.h"
#include "support/ImageFiles.h"
#include "support/TestSupport.h"

namespace {

struct Decoded {
    const char* failure = nullptr;
    BitmapInfoHeader info;
    std::vector<uint8_t> pixels;
};

Decoded decode(const std::vector<uint8_t>& file) {
    Decoded d;
    d.failure = decodeBmp(file.data(), file.size(), d.info, d.pixels);
    return d;
}

// Every pixel of the decoded DIB against the picture it was made from (rows counted from the top).
void expectPicture(const Decoded& d, int width, int height, const PixelFunction& pixel) {
    ASSERT_EQ(d.failure, nullptr) << d.failure;
    ASSERT_EQ(d.info.biWidth, width);
    ASSERT_EQ(d.info.biHeight, height);
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    ASSERT_EQ(d.pixels.size(), stride * height);
    for (int r = 0; r < height; ++r) {
        for (int c = 0; c < width; ++c) {
            const uint8_t* p = &d.pixels[(height - 1 - r) * stride + c * 3];
            const Rgba want = pixel(c, r);
            ASSERT_EQ((Rgba{p[2], p[1], p[0], 255}), (Rgba{want.r, want.g, want.b, 255})) << "pixel " << c << "," << r;
        }
    }
}

const std::vector<Rgba> kPalette = {solid(0, 0, 0), solid(255, 0, 0), solid(0, 255, 0), solid(0, 0, 255),
                                    solid(10, 20, 30)};

Bmp8 paletteImage(int width, int height, uint32_t entries) {
    Bmp8 spec;
    spec.width = width;
    spec.height = height;
    for (uint32_t k = 0; k < entries; ++k) spec.palette.push_back(kPalette[k % kPalette.size()]);
    spec.clrUsed = entries == 256 ? 0 : entries;
    spec.index = [entries](int c, int r) { return static_cast<uint8_t>((c + 2 * r) % entries); };
    return spec;
}

PixelFunction paletteColours(const Bmp8& spec) {
    return [spec](int c, int r) { return spec.palette[spec.index(c, r)]; };
}

TEST(BmpReader, TwentyFourBitRowsAreTakenAsStored) {
    for (int width : {1, 2, 3, 4, 5, 7}) {
        SCOPED_TRACE(width);
        const std::vector<uint8_t> file = makeBmp24(width, 3, patternPixel);
        const Decoded d = decode(file);
        expectPicture(d, width, 3, patternPixel);
        // The rows are the file's rows, padding included, and the header is kept exactly as read.
        EXPECT_EQ(d.pixels, std::vector<uint8_t>(file.begin() + 54, file.end()));
        EXPECT_EQ(d.info.biXPelsPerMeter, 2835);
        EXPECT_EQ(d.info.biBitCount, 24);
    }
}

TEST(BmpReader, EightBitImagesKeepEveryRow) {
    const Bmp8 spec = paletteImage(5, 4, 256);
    const Decoded d = decode(makeBmp8(spec));
    expectPicture(d, 5, 4, paletteColours(spec));
    // 5 pixels make 16-byte rows whose last byte is 0.
    for (int r = 0; r < 4; ++r) EXPECT_EQ(d.pixels[r * 16 + 15], 0);
    EXPECT_EQ(d.info.biSize, 40u);
    EXPECT_EQ(d.info.biPlanes, 1);
    EXPECT_EQ(d.info.biBitCount, 24);
    EXPECT_EQ(d.info.biCompression, 0u);
    EXPECT_EQ(d.info.biSizeImage, 16u * 4);
    EXPECT_EQ(d.info.biXPelsPerMeter, 0);
    EXPECT_EQ(d.info.biYPelsPerMeter, 0);
    EXPECT_EQ(d.info.biClrUsed, 0u);
    EXPECT_EQ(d.info.biClrImportant, 0u);
}

TEST(BmpReader, ShortPalettesGapsAndLargerHeadersReadRight) {
    struct Case {
        const char* what;
        uint32_t entries;
        uint32_t gap;
    };
    for (const Case& c : {Case{"16 colours", 16, 0}, Case{"2 colours", 2, 0}, Case{"gap before pixels", 256, 6},
                          Case{"short palette and gap", 5, 10}}) {
        SCOPED_TRACE(c.what);
        Bmp8 spec = paletteImage(7, 3, c.entries);
        spec.gap = c.gap;
        expectPicture(decode(makeBmp8(spec)), 7, 3, paletteColours(spec));
    }
}

// A 124-byte header (as many writers put) followed by the pixels, with bfOffBits telling where they are.
std::vector<uint8_t> withLargerHeader(const std::vector<uint8_t>& bmp40, uint32_t headerSize) {
    std::vector<uint8_t> file(bmp40.begin(), bmp40.begin() + 54);
    file.insert(file.end(), headerSize - 40, 0);
    file.insert(file.end(), bmp40.begin() + 54, bmp40.end());
    putU32(file, 14, headerSize);
    putU32(file, 10, 14 + headerSize + (static_cast<uint32_t>(bmp40[10]) | bmp40[11] << 8) - 54);
    return file;
}

TEST(BmpReader, HeadersLargerThanFortyBytes) {
    for (uint32_t headerSize : {108u, 124u}) {
        SCOPED_TRACE(headerSize);
        expectPicture(decode(withLargerHeader(makeBmp24(3, 2, patternPixel), headerSize)), 3, 2, patternPixel);
        const Bmp8 spec = paletteImage(3, 2, 5);
        expectPicture(decode(withLargerHeader(makeBmp8(spec), headerSize)), 3, 2, paletteColours(spec));
    }
}

TEST(BmpReader, PixelOffsetOutsideTheFileMeansRightBehindTheHeaders) {
    for (uint32_t offBits : {0u, 20u, 53u, 0xFFFFFFF0u}) {
        SCOPED_TRACE(offBits);
        std::vector<uint8_t> file = makeBmp24(3, 2, patternPixel);
        putU32(file, 10, offBits);
        expectPicture(decode(file), 3, 2, patternPixel);
    }
}

TEST(BmpReader, IndicesBeyondThePaletteReadAsBlack) {
    Bmp8 spec = paletteImage(4, 1, 3);
    spec.index = [](int c, int) { return static_cast<uint8_t>(c == 3 ? 200 : c); };
    const Decoded d = decode(makeBmp8(spec));
    ASSERT_EQ(d.failure, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(d.pixels.begin() + 9, d.pixels.begin() + 12), std::vector<uint8_t>(3, 0));
    EXPECT_EQ(d.pixels[3 * 1 + 2], 255);  // index 1 is red
}

TEST(BmpReader, EveryFailureTextInTheOrderOfTheChecks) {
    const std::vector<uint8_t> good = makeBmp24(3, 2, patternPixel);
    auto changed = [&](size_t offset, uint32_t value, bool word = false) {
        std::vector<uint8_t> file = good;
        if (word) {
            putU16(file, offset, static_cast<uint16_t>(value));
        } else {
            putU32(file, offset, value);
        }
        return file;
    };
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
        const char* failure;
    };
    const Case cases[] = {
        {"53 bytes", std::vector<uint8_t>(good.begin(), good.begin() + 53), kBmpHeaderFailed},
        {"RLE8", changed(30, 1), kBmpNotUncompressed},
        {"bit fields, 32 bits",
         [&] {
             auto f = changed(30, 3);
             putU16(f, 28, 32);
             return f;
         }(),
         kBmpNotUncompressed},
        {"RLE with a bad depth too",
         [&] {
             auto f = changed(30, 2);
             putU16(f, 28, 4);
             return f;
         }(),
         kBmpNotUncompressed},
        {"1 bit", changed(28, 1, true), kBmpWrongDepth},
        {"4 bits", changed(28, 4, true), kBmpWrongDepth},
        {"16 bits", changed(28, 16, true), kBmpWrongDepth},
        {"32 bits", changed(28, 32, true), kBmpWrongDepth},
        {"top-down", changed(22, static_cast<uint32_t>(-2)), kBmpPixelsFailed},
        {"negative width", changed(18, static_cast<uint32_t>(-3)), kBmpPixelsFailed},
        {"zero width", changed(18, 0), kBmpPixelsFailed},
        {"zero height", changed(22, 0), kBmpPixelsFailed},
        {"huge sizes",
         [&] {
             auto f = changed(18, 0x7FFFFFFF);
             putU32(f, 22, 0x7FFFFFFF);
             return f;
         }(),
         kBmpPixelsFailed},
        {"largest side, tiny file",
         [&] {
             auto f = changed(18, 16384);
             putU32(f, 22, 4096);
             return f;
         }(),
         kBmpPixelsFailed},
        {"one side past the cap", changed(18, 16385), kBmpPixelsFailed},
        {"more than 256 colours",
         [&] {
             Bmp8 spec = paletteImage(2, 2, 256);
             auto f = makeBmp8(spec);
             putU32(f, 46, 257);
             return f;
         }(),
         kBmpPixelsFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Decoded d = decode(c.file);
        EXPECT_STREQ(d.failure, c.failure);
    }
}

TEST(BmpReader, EveryTruncationFails) {
    const std::vector<std::vector<uint8_t>> files = {makeBmp24(5, 3, patternPixel), makeBmp8(paletteImage(5, 3, 256)),
                                                     makeBmp8(paletteImage(3, 2, 4))};
    for (const std::vector<uint8_t>& file : files) {
        for (size_t length = 0; length < file.size(); ++length) {
            const Decoded d = decode(std::vector<uint8_t>(file.begin(), file.begin() + length));
            ASSERT_STREQ(d.failure, length < 54 ? kBmpHeaderFailed : kBmpPixelsFailed) << "cut at " << length;
        }
    }
}

TEST(BmpReader, ReadsFilesAndReportsOnesThatCannotBeOpened) {
    TempDir dir;
    const std::string path = dir.file("wood.bmp");
    writeBytes(path, makeBmp24(2, 2, patternPixel));
    BitmapInfoHeader info;
    std::vector<uint8_t> pixels;
    EXPECT_EQ(readBmp(path, info, pixels), nullptr);
    EXPECT_EQ(info.biWidth, 2);
    EXPECT_STREQ(readBmp(dir.file("missing.bmp"), info, pixels), kBmpOpenFailed);
    EXPECT_STREQ(readBmp(dir.path(), info, pixels), kBmpOpenFailed) << "a folder is no file";
}

}  // namespace
