#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes one JSON value as indented text, keeping commas and nesting itself. Program texts (Shift-JIS) become UTF-8.
class JsonWriter {
public:
    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    // The key of the next value inside an object.
    void key(const char* name);
    void text(const std::string& programText);
    void number(int64_t value);
    void null();

    const std::string& str() const { return out_; }

private:
    void beforeValue();
    void open(char bracket);
    void close(char bracket);
    void newLine();

    std::string out_;
    std::vector<bool> empty_;  // per open object or array: nothing written in it yet
    bool afterKey_ = false;
};
