#include "cli/Json.h"

#include "base/Format.h"
#include "cli/Terminal.h"

namespace {

std::string quoted(const std::string& utf8) {
    std::string out = "\"";
    for (const char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (b < 0x20) {
            out += formatText("\\u%04x", b);
        } else {
            out += c;
        }
    }
    return out + "\"";
}

}  // namespace

void JsonWriter::newLine() {
    out_ += "\n" + std::string(empty_.size() * 2, ' ');
}

void JsonWriter::beforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (empty_.empty()) return;
    if (!empty_.back()) out_ += ",";
    empty_.back() = false;
    newLine();
}

void JsonWriter::open(char bracket) {
    beforeValue();
    out_ += bracket;
    empty_.push_back(true);
}

void JsonWriter::close(char bracket) {
    const bool wasEmpty = empty_.back();
    empty_.pop_back();
    if (!wasEmpty) newLine();
    out_ += bracket;
}

void JsonWriter::beginObject() {
    open('{');
}
void JsonWriter::endObject() {
    close('}');
}
void JsonWriter::beginArray() {
    open('[');
}
void JsonWriter::endArray() {
    close(']');
}

void JsonWriter::key(const char* name) {
    beforeValue();
    out_ += quoted(name) + ": ";
    afterKey_ = true;
}

void JsonWriter::text(const std::string& programText) {
    beforeValue();
    out_ += quoted(utf8Text(programText));
}

void JsonWriter::number(int64_t value) {
    beforeValue();
    out_ += formatText("%lld", static_cast<long long>(value));
}

void JsonWriter::null() {
    beforeValue();
    out_ += "null";
}
