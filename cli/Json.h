#pragma once

#include <string>

#include <nlohmann/json.hpp>

// JSON values keep their keys in the order they were added.
using Json = nlohmann::ordered_json;

// A program text (Shift-JIS) as a JSON string (UTF-8; bytes that are no Shift-JIS become U+FFFD).
Json jsonText(const std::string& programText);

// The value as text indented by two spaces a level, as the command line has always written JSON.
std::string jsonDump(const Json& value);
