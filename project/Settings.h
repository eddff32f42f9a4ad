#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

class ByteReader;
class ByteWriter;

// Every option of the open project, in the fixed 1624-byte record that heads the project file: the layout area size,
// the canvas's view options, the layout options, the path mode, the UV export options, the texts of the ID header and
// the five usual output paths. Integers are 32-bit little-endian; texts are zero-terminated Shift-JIS in fixed arrays,
// whose bytes behind the terminator are kept and compared like all others. Beside the live record the object keeps
// `savedCopy`, the record as last reset, read or written; the unsaved-change test compares the two.
class Settings {
public:
    static constexpr int32_t kVersion = 246;
    static constexpr int32_t kOldVersion = 214;
    static constexpr size_t kRecordSize = 1624;
    static constexpr size_t kOldRecordSize = 1356;  // version 214: the fields from version to usualPaths
    static constexpr int32_t kMaxAreaSide = 16384;
    static constexpr int kUsualBmp = 0, kUsualTga = 1, kUsualQuv = 2, kUsualUvArray = 3, kUsualIdHeader = 4;

    using Record = std::array<uint8_t, kRecordSize>;

    // The process's one record, with the defaults on first use.
    static Settings& instance();

    Settings();  // the defaults, with an equal saved copy

    void resetToDefaults();
    // Copies the live record into the saved copy, then appends the record's 1624 bytes.
    void writeTo(ByteWriter& out);
    // Reads a record at the reader's position: a 246 record whole, a 214 record upgraded (the fields behind its 1356
    // bytes keep their defaults and the live version becomes 246, so that the project counts as changed). On success
    // the reader stands right behind the record and the saved copy holds what was read. A foreign tag shows "not a
    // project file" and leaves the record untouched; a record cut short, or one with a zoom of 0 or below or an area
    // side outside 1 to 16384, shows "the project file is damaged" and leaves the defaults. Both return false.
    bool readFrom(ByteReader& in);
    bool isChanged() const { return record() != savedCopy; }

    // The live record's 1624 bytes.
    Record record() const;

    // A text field up to its terminator, never past its array.
    template <size_t N>
    static std::string text(const char (&field)[N]) {
        size_t n = 0;
        while (n < N && field[n] != '\0') ++n;
        return std::string(field, n);
    }
    // Writes a text and its terminator only (cut at a character boundary to fit); the bytes behind stay.
    template <size_t N>
    static void setText(char (&field)[N], const std::string& value) {
        setText(field, N, value);
    }
    static void setText(char* field, size_t size, const std::string& value);

    // The record's fields, in its order.
    int32_t version;
    int32_t areaWidth;
    int32_t areaHeight;
    int32_t zoom;
    int32_t backgroundBrush;
    int32_t showAlpha;
    int32_t showBorder;
    int32_t centerArea;
    int32_t layoutSpacing;
    char idPrefix[32];
    int32_t absolutePaths;
    int32_t uvRatio;
    char usualPaths[5][256];
    char idHeaderText[128];
    char idDeclaration[64];
    char idConnector[64];
    int32_t sortByEdgeLength;
    int32_t reverseHorizontal;
    int32_t reverseVertical;

    Record savedCopy;

private:
    void setDefaults();
    void readFields(ByteReader& in, size_t recordSize);
};

static_assert(offsetof(Settings, version) == 0, "record layout");
static_assert(offsetof(Settings, areaWidth) == 4, "record layout");
static_assert(offsetof(Settings, areaHeight) == 8, "record layout");
static_assert(offsetof(Settings, zoom) == 12, "record layout");
static_assert(offsetof(Settings, backgroundBrush) == 16, "record layout");
static_assert(offsetof(Settings, showAlpha) == 20, "record layout");
static_assert(offsetof(Settings, showBorder) == 24, "record layout");
static_assert(offsetof(Settings, centerArea) == 28, "record layout");
static_assert(offsetof(Settings, layoutSpacing) == 32, "record layout");
static_assert(offsetof(Settings, idPrefix) == 36, "record layout");
static_assert(offsetof(Settings, absolutePaths) == 68, "record layout");
static_assert(offsetof(Settings, uvRatio) == 72, "record layout");
static_assert(offsetof(Settings, usualPaths) == 76, "record layout");
static_assert(offsetof(Settings, idHeaderText) == 1356, "record layout");
static_assert(offsetof(Settings, idDeclaration) == 1484, "record layout");
static_assert(offsetof(Settings, idConnector) == 1548, "record layout");
static_assert(offsetof(Settings, sortByEdgeLength) == 1612, "record layout");
static_assert(offsetof(Settings, reverseHorizontal) == 1616, "record layout");
static_assert(offsetof(Settings, reverseVertical) == 1620, "record layout");
static_assert(offsetof(Settings, savedCopy) == Settings::kRecordSize, "the record comes first, whole");
