#include "image/PngWriter.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

#include "base/Allocation.h"
#include "base/Parallel.h"

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr size_t kBytesPerPixel = 4;
// Rows are filtered and compressed in bands of about this many bytes (at least one row), each on its own thread: large
// enough that the blocks ending at band edges cost a few bytes in a megabyte, small enough to share out.
constexpr size_t kBandBytes = size_t{1} << 20;
// Deflate looks back this far; a band's compression is given the bytes before it as the window it starts with, so that
// matches reach across band edges as in one stream.
constexpr size_t kWindowBytes = 32768;
constexpr size_t kMaxIdatBytes = size_t{1} << 20;
constexpr size_t kChunkOverhead = 12;  // length, type, CRC
constexpr size_t kIhdrBytes = 13;

enum Filter : uint8_t { kNone, kSub, kUp, kAverage, kPaeth };
constexpr int kFilterCount = 5;

// One way of running zlib: its level and strategy, and its search parameters (deflateTune) where they are not the
// level's own (chain 0).
struct DeflateSetting {
    int level;
    int strategy;
    int goodLength, maxLazy, niceLength, maxChain;
};

// Filtered data of atlases is mostly small differences with long runs where sprites are flat or transparent: short
// matches cost more than the literals they replace (the filtered strategy drops those of 5 bytes or less), long ones
// pay. Hash chains followed 48 deep (cut to a quarter only behind a match of 32 bytes), a look for a longer match at
// the next byte after every match, and no stop before 258 find the long ones: smaller than zlib's level 6 on sprite
// atlases, in a little less time.
constexpr DeflateSetting kDefaultSetting{6, Z_FILTERED, 32, 258, 258, 48};
// Runs only (distance one): the zeros of transparent and flat areas after Paeth.
constexpr DeflateSetting kFastSetting{1, Z_RLE, 0, 0, 0, 0};
// Best tries these on every band and keeps the smallest: bands of detailed sprites gain by a long search for long
// matches, bands of flat pixel art by taking short matches too; with the default's own setting among them, best is
// never larger than default.
constexpr DeflateSetting kBestSettings[] = {
    {9, Z_FILTERED, 32, 258, 258, 512},
    {9, Z_DEFAULT_STRATEGY, 32, 258, 258, 48},
    kDefaultSetting,
};

// Writes `row` filtered by `filter` against the row above it (`above`, zeros for the first row) into `out` (n bytes,
// the filter byte not included).
void filterRow(Filter filter, const uint8_t* row, const uint8_t* above, size_t n, uint8_t* out) {
    const size_t b = kBytesPerPixel;
    switch (filter) {
        case kNone:
            std::memcpy(out, row, n);
            break;
        case kSub:
            for (size_t i = 0; i < b; ++i) out[i] = row[i];
            for (size_t i = b; i < n; ++i) out[i] = static_cast<uint8_t>(row[i] - row[i - b]);
            break;
        case kUp:
            for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(row[i] - above[i]);
            break;
        case kAverage:
            for (size_t i = 0; i < b; ++i) out[i] = static_cast<uint8_t>(row[i] - (above[i] >> 1));
            for (size_t i = b; i < n; ++i) out[i] = static_cast<uint8_t>(row[i] - ((row[i - b] + above[i]) >> 1));
            break;
        case kPaeth:
            for (size_t i = 0; i < b; ++i) out[i] = static_cast<uint8_t>(row[i] - above[i]);
            for (size_t i = b; i < n; ++i) {
                // Paeth's predictor written without branches, so that the compiler runs it on many bytes at once.
                const int left = row[i - b], up = above[i], corner = above[i - b];
                const int pa = std::abs(up - corner), pb = std::abs(left - corner);
                const int pc = std::abs(left + up - 2 * corner);
                const int upOrCorner = pb <= pc ? up : corner;
                out[i] = static_cast<uint8_t>(row[i] - (((pa <= pb) & (pa <= pc)) ? left : upOrCorner));
            }
            break;
    }
}

// The sum of the filtered bytes taken as signed values, without their signs: the smaller, the closer to zero the
// differences and the better deflate codes them.
uint32_t absoluteSum(const uint8_t* bytes, size_t n) {
    uint32_t sum = 0;
    for (size_t i = 0; i < n; ++i) sum += static_cast<uint32_t>(std::abs(static_cast<int8_t>(bytes[i])));
    return sum;
}

// Filters rows [first, end) of the picture into `out`, each as its filter byte and its filtered bytes. Fast filters
// every row by Paeth; the other levels take, for each row, the filter with the least absolute sum, the lowest filter
// number among equals. A row's filter depends on that row and the one above only.
bool filterRows(const uint8_t* rgba,
                size_t rowBytes,
                int32_t first,
                int32_t end,
                PngLevel level,
                std::vector<uint8_t>& out) {
    std::vector<uint8_t> zeros, candidates;
    if (!tryAssign(zeros, rowBytes, uint8_t{0}) || !tryResize(candidates, rowBytes * kFilterCount) ||
        !tryResize(out, (rowBytes + 1) * static_cast<size_t>(end - first))) {
        return false;
    }
    uint8_t* to = out.data();
    for (int32_t y = first; y < end; ++y, to += rowBytes + 1) {
        const uint8_t* row = rgba + static_cast<size_t>(y) * rowBytes;
        const uint8_t* above = y == 0 ? zeros.data() : row - rowBytes;
        if (level == PngLevel::Fast) {
            to[0] = kPaeth;
            filterRow(kPaeth, row, above, rowBytes, to + 1);
            continue;
        }
        int best = kNone;
        uint32_t bestSum = UINT32_MAX;
        for (int f = kNone; f < kFilterCount; ++f) {
            uint8_t* candidate = candidates.data() + static_cast<size_t>(f) * rowBytes;
            filterRow(static_cast<Filter>(f), row, above, rowBytes, candidate);
            const uint32_t sum = absoluteSum(candidate, rowBytes);
            if (sum < bestSum) best = f, bestSum = sum;
        }
        to[0] = static_cast<uint8_t>(best);
        std::memcpy(to + 1, candidates.data() + static_cast<size_t>(best) * rowBytes, rowBytes);
    }
    return true;
}

// A raw deflate stream (no zlib header or checksum: the bands are joined into one) that ends itself.
class Deflater {
public:
    Deflater() = default;
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;
    ~Deflater() {
        if (started_) deflateEnd(&stream_);
    }

    bool start(const DeflateSetting& s, const uint8_t* window, size_t windowBytes) {
        constexpr int kRawDeflate = -15, kMemoryLevel = 9;
        started_ = deflateInit2(&stream_, s.level, Z_DEFLATED, kRawDeflate, kMemoryLevel, s.strategy) == Z_OK;
        if (!started_) return false;
        if (s.maxChain > 0 && deflateTune(&stream_, s.goodLength, s.maxLazy, s.niceLength, s.maxChain) != Z_OK) {
            return false;
        }
        return windowBytes == 0 || deflateSetDictionary(&stream_, window, static_cast<uInt>(windowBytes)) == Z_OK;
    }

    // Compresses all of `bytes` into `out`, ending with the final block when `last`, else with an empty stored block
    // that brings the stream to a byte boundary, where the next band's stream continues.
    bool run(const uint8_t* bytes, size_t size, bool last, std::vector<uint8_t>& out) {
        const int flush = last ? Z_FINISH : Z_SYNC_FLUSH;
        if (!tryResize(out, deflateBound(&stream_, static_cast<uLong>(size)) + 64)) return false;
        stream_.next_in = const_cast<Bytef*>(bytes);
        stream_.avail_in = static_cast<uInt>(size);
        size_t produced = 0;
        for (;;) {
            stream_.next_out = out.data() + produced;
            stream_.avail_out = static_cast<uInt>(out.size() - produced);
            const int result = deflate(&stream_, flush);
            produced = out.size() - stream_.avail_out;
            if (result == Z_STREAM_END || (!last && result == Z_OK && stream_.avail_out > 0)) break;
            if (result != Z_OK && result != Z_BUF_ERROR) return false;
            if (!tryResize(out, out.size() * 2)) return false;
        }
        out.resize(produced);
        return true;
    }

private:
    z_stream stream_{};
    bool started_ = false;
};

// One band of rows: its compressed stream, and the Adler-32 and length of its filtered bytes, which zlib's checksum
// of the whole is made of.
struct Band {
    std::vector<uint8_t> deflated;
    uLong adler = 0;
    size_t length = 0;
    bool ok = false;
};

// Deflate's stored blocks: the bytes as they are, up to 65535 a block behind a five-byte header (the block type on a
// byte boundary, where every band starts, then the length and its complement).
constexpr size_t kMaxStoredBlock = 65535;

size_t storedSize(size_t size) {
    return size + 5 * std::max<size_t>(1, (size + kMaxStoredBlock - 1) / kMaxStoredBlock);
}

bool store(const uint8_t* bytes, size_t size, bool last, std::vector<uint8_t>& out) {
    if (!tryResize(out, storedSize(size))) return false;
    uint8_t* to = out.data();
    size_t left = size;
    do {
        const size_t taken = std::min(left, kMaxStoredBlock);
        left -= taken;
        const uint16_t length = static_cast<uint16_t>(taken);
        const uint8_t header[5] = {static_cast<uint8_t>(last && left == 0), static_cast<uint8_t>(length),
                                   static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(~length),
                                   static_cast<uint8_t>(~length >> 8)};
        to = std::copy(std::begin(header), std::end(header), to);
        to = std::copy(bytes, bytes + taken, to);
        bytes += taken;
    } while (left > 0);
    out.resize(static_cast<size_t>(to - out.data()));
    return true;
}

// Compresses one band as its level says; a band that does not compress (noise) is stored instead, so that no band
// grows by more than its stored blocks' headers.
bool compressBand(const uint8_t* bytes,
                  size_t size,
                  const uint8_t* window,
                  size_t windowBytes,
                  bool last,
                  PngLevel level,
                  std::vector<uint8_t>& out) {
    const DeflateSetting* settings = level == PngLevel::Fast ? &kFastSetting : &kDefaultSetting;
    size_t count = 1;
    if (level == PngLevel::Best) settings = kBestSettings, count = std::size(kBestSettings);
    std::vector<uint8_t> trial;
    for (size_t i = 0; i < count; ++i) {
        Deflater deflater;
        if (!deflater.start(settings[i], window, windowBytes) || !deflater.run(bytes, size, last, trial)) return false;
        if (i == 0 || trial.size() < out.size()) out.swap(trial);
    }
    if (out.size() > storedSize(size)) return store(bytes, size, last, out);
    // Every band's stream is kept until the file is put together: only its bytes, not the room deflate was given.
    std::vector<uint8_t> exact;
    if (tryResize(exact, out.size())) {
        std::copy(out.begin(), out.end(), exact.begin());
        out.swap(exact);
    }
    return true;
}

// The picture and how it is cut into bands.
struct BandedPicture {
    const uint8_t* rgba;
    size_t rowBytes;
    int32_t height;
    int32_t rowsPerBand;
    PngLevel level;
};

// Band b holds rows [b x rowsPerBand, ...). Its task filters the rows whose bytes make the window before it again, as
// the band before filtered them, so that no band waits for another.
void encodeBand(const BandedPicture& picture, size_t b, Band& band) {
    const int32_t first = static_cast<int32_t>(b) * picture.rowsPerBand;
    const int32_t end = std::min(picture.height, first + picture.rowsPerBand);
    const size_t filteredRow = picture.rowBytes + 1;
    const int32_t windowRows =
        std::min<int32_t>(first, static_cast<int32_t>((kWindowBytes + filteredRow - 1) / filteredRow));
    std::vector<uint8_t> filtered;
    if (!filterRows(picture.rgba, picture.rowBytes, first - windowRows, end, picture.level, filtered)) return;
    const size_t start = static_cast<size_t>(windowRows) * filteredRow;
    const size_t windowBytes = std::min(kWindowBytes, start);
    band.length = filtered.size() - start;
    band.adler = adler32(adler32(0L, Z_NULL, 0), filtered.data() + start, static_cast<uInt>(band.length));
    band.ok = compressBand(filtered.data() + start, band.length, filtered.data() + start - windowBytes, windowBytes,
                           end == picture.height, picture.level, band.deflated);
}

void putBigEndian32(uint8_t*& out, uint32_t value) {
    *out++ = static_cast<uint8_t>(value >> 24);
    *out++ = static_cast<uint8_t>(value >> 16);
    *out++ = static_cast<uint8_t>(value >> 8);
    *out++ = static_cast<uint8_t>(value);
}

// Writes one chunk whose data the caller has already put after its type: the length before, the CRC of type and data
// after.
void closeChunk(uint8_t* start, uint8_t*& end) {
    uint8_t* length = start;
    putBigEndian32(length, static_cast<uint32_t>(end - start - 8));
    const uLong crc = crc32(0L, start + 4, static_cast<uInt>(end - start - 4));
    putBigEndian32(end, static_cast<uint32_t>(crc));
}

// The zlib stream in pieces (header, every band, checksum), read out in order into the IDAT chunks.
class StreamPieces {
public:
    void add(const uint8_t* bytes, size_t size) {
        pieces_.push_back({bytes, size});
        total_ += size;
    }
    size_t total() const { return total_; }
    void copy(size_t count, uint8_t*& out) {
        while (count > 0) {
            const auto& [bytes, size] = pieces_[next_];
            const size_t taken = std::min(count, size - offset_);
            std::memcpy(out, bytes + offset_, taken);
            out += taken, offset_ += taken, count -= taken;
            if (offset_ == size) ++next_, offset_ = 0;
        }
    }

private:
    std::vector<std::pair<const uint8_t*, size_t>> pieces_;
    size_t total_ = 0, next_ = 0, offset_ = 0;
};

bool writePng(int32_t width,
              int32_t height,
              PngLevel level,
              const std::vector<Band>& bands,
              std::vector<uint8_t>& png) {
    // zlib's header: deflate with a 32 KiB window, the level named for what it is, and the check bits.
    const uint8_t levelBits = level == PngLevel::Fast ? 0 : level == PngLevel::Default ? 2 : 3;
    const uint8_t cmf = 0x78;
    uint8_t flg = static_cast<uint8_t>(levelBits << 6);
    flg = static_cast<uint8_t>(flg + (31 - (cmf * 256 + flg) % 31) % 31);
    const uint8_t header[2] = {cmf, flg};
    uLong adler = adler32(0L, Z_NULL, 0);
    StreamPieces stream;
    stream.add(header, sizeof header);
    for (const Band& band : bands) {
        stream.add(band.deflated.data(), band.deflated.size());
        adler = adler32_combine(adler, band.adler, static_cast<z_off_t>(band.length));
    }
    uint8_t checksum[4];
    uint8_t* at = checksum;
    putBigEndian32(at, static_cast<uint32_t>(adler));
    stream.add(checksum, sizeof checksum);

    const size_t idatCount = (stream.total() + kMaxIdatBytes - 1) / kMaxIdatBytes;
    const size_t size =
        sizeof kSignature + kChunkOverhead + kIhdrBytes + idatCount * kChunkOverhead + stream.total() + kChunkOverhead;
    if (!tryResize(png, size)) return false;
    uint8_t* out = std::copy(std::begin(kSignature), std::end(kSignature), png.data());
    uint8_t* chunk = out;
    out += 4;
    out = std::copy_n("IHDR", 4, out);
    putBigEndian32(out, static_cast<uint32_t>(width));
    putBigEndian32(out, static_cast<uint32_t>(height));
    const uint8_t rgba8[5] = {8, 6, 0, 0, 0};  // 8 bits, colour and alpha, deflate, adaptive filters, no interlace
    out = std::copy(std::begin(rgba8), std::end(rgba8), out);
    closeChunk(chunk, out);
    for (size_t left = stream.total(); left > 0;) {
        const size_t taken = std::min(left, kMaxIdatBytes);
        chunk = out;
        out += 4;
        out = std::copy_n("IDAT", 4, out);
        stream.copy(taken, out);
        closeChunk(chunk, out);
        left -= taken;
    }
    chunk = out;
    out += 4;
    out = std::copy_n("IEND", 4, out);
    closeChunk(chunk, out);
    return out == png.data() + png.size();
}

}  // namespace

bool encodePngRgba(const uint8_t* rgba,
                   int32_t width,
                   int32_t height,
                   std::vector<uint8_t>& png,
                   const PngOptions& options) {
    png.clear();
    if (width < 1 || height < 1 || int64_t{width} * height > kMaxPngPixels) return false;
    const size_t rowBytes = static_cast<size_t>(width) * kBytesPerPixel;
    const int32_t rowsPerBand = static_cast<int32_t>(std::clamp<size_t>(kBandBytes / (rowBytes + 1), 1, height));
    const size_t bandCount = (static_cast<size_t>(height) + rowsPerBand - 1) / rowsPerBand;
    const BandedPicture picture{rgba, rowBytes, height, rowsPerBand, options.level};
    std::vector<Band> bands;
    if (!tryResize(bands, bandCount)) return false;
    Band* const results = bands.data();
    // Two references: the task fits std::function's own storage, so handing it over allocates nothing.
    parallelFor(bandCount, options.threads, [&picture, results](size_t b) { encodeBand(picture, b, results[b]); });
    const bool ok = std::all_of(bands.begin(), bands.end(), [](const Band& band) { return band.ok; }) &&
                    writePng(width, height, options.level, bands, png);
    if (!ok) png.clear();
    return ok;
}

bool pngLevelByName(const char* name, PngLevel& level) {
    const std::pair<const char*, PngLevel> levels[] = {
        {"fast", PngLevel::Fast}, {"default", PngLevel::Default}, {"best", PngLevel::Best}};
    for (const auto& [text, value] : levels) {
        if (std::strcmp(name, text) != 0) continue;
        level = value;
        return true;
    }
    return false;
}
