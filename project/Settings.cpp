#include "project/Settings.h"

#include <cstring>

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "base/Message.h"
#include "base/ShiftJis.h"

namespace {

const char* const kNotAProjectFile = "Quiltboxプロジェクトファイルではありません!";
const char* const kDamaged = "プロジェクトファイルが壊れています!";
const char* const kErrorCaption = "Error";

}  // namespace

Settings& Settings::instance() {
    static Settings settings;
    return settings;
}

Settings::Settings() {
    resetToDefaults();
}

void Settings::setDefaults() {
    // Every byte first, so that nothing behind a text's terminator is left undefined.
    std::memset(static_cast<void*>(this), 0, kRecordSize);
    version = kVersion;
    areaWidth = 256;
    areaHeight = 256;
    zoom = 256;
    backgroundBrush = 4;
    showAlpha = 0;
    showBorder = 0;
    centerArea = 1;
    layoutSpacing = 1;
    setText(idPrefix, "IDT_");
    absolutePaths = 0;
    uvRatio = 0;
    setText(idHeaderText, "#pragma once\n\n// テクスチャーIDリスト\n");
    setText(idDeclaration, "#define");
    sortByEdgeLength = 1;
    reverseHorizontal = 0;
    reverseVertical = 0;
}

void Settings::resetToDefaults() {
    setDefaults();
    savedCopy = record();
}

void Settings::setText(char* field, size_t size, const std::string& value) {
    const size_t n = cutLength(value, size - 1);
    std::memcpy(field, value.data(), n);
    field[n] = '\0';
}

Settings::Record Settings::record() const {
    ByteWriter out;
    for (int32_t v :
         {version, areaWidth, areaHeight, zoom, backgroundBrush, showAlpha, showBorder, centerArea, layoutSpacing}) {
        out.i32(v);
    }
    out.bytes(idPrefix, sizeof idPrefix);
    out.i32(absolutePaths);
    out.i32(uvRatio);
    out.bytes(usualPaths, sizeof usualPaths);
    out.bytes(idHeaderText, sizeof idHeaderText);
    out.bytes(idDeclaration, sizeof idDeclaration);
    out.bytes(idConnector, sizeof idConnector);
    out.i32(sortByEdgeLength);
    out.i32(reverseHorizontal);
    out.i32(reverseVertical);
    Record bytes;
    std::memcpy(bytes.data(), out.buffer().data(), kRecordSize);
    return bytes;
}

void Settings::writeTo(ByteWriter& out) {
    savedCopy = record();
    out.bytes(savedCopy.data(), savedCopy.size());
}

// Reads the fields that lie within the first recordSize bytes (1356 or 1624).
void Settings::readFields(ByteReader& in, size_t recordSize) {
    for (int32_t* v : {&version, &areaWidth, &areaHeight, &zoom, &backgroundBrush, &showAlpha, &showBorder, &centerArea,
                       &layoutSpacing}) {
        *v = in.i32();
    }
    in.copyTo(idPrefix, sizeof idPrefix);
    absolutePaths = in.i32();
    uvRatio = in.i32();
    in.copyTo(usualPaths, sizeof usualPaths);
    if (recordSize == kOldRecordSize) return;
    in.copyTo(idHeaderText, sizeof idHeaderText);
    in.copyTo(idDeclaration, sizeof idDeclaration);
    in.copyTo(idConnector, sizeof idConnector);
    sortByEdgeLength = in.i32();
    reverseHorizontal = in.i32();
    reverseVertical = in.i32();
}

bool Settings::readFrom(ByteReader& in) {
    const size_t start = in.offset();
    ByteReader peek(in.data() + start, in.remaining());
    const int32_t tag = peek.i32();
    if (!peek.ok() || (tag != kVersion && tag != kOldVersion)) {
        showMessage(kNotAProjectFile, kErrorCaption);
        return false;
    }
    const size_t size = tag == kVersion ? kRecordSize : kOldRecordSize;
    Settings read;  // the defaults, overwritten by what the file holds
    ByteReader body(in.data() + start, in.remaining());
    read.readFields(body, size);
    const bool sound = body.ok() && read.zoom > 0 && read.areaWidth >= 1 && read.areaWidth <= kMaxAreaSide &&
                       read.areaHeight >= 1 && read.areaHeight <= kMaxAreaSide;
    if (!sound) {
        showMessage(kDamaged, kErrorCaption);
        resetToDefaults();
        return false;
    }
    read.savedCopy = read.record();
    read.version = kVersion;
    *this = read;
    in.skip(size);
    return true;
}
