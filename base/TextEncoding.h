#pragma once

#include <string>

// Conversions between the program's Shift-JIS (code page 932) texts and UTF-8, for the boundaries where the outside
// world speaks UTF-8: Linux file names, terminals and JSON. Both fail on bytes that the source encoding does not
// define or characters that the target cannot hold, and then leave their output as it was.
bool cp932ToUtf8(const std::string& cp932, std::string& utf8);
bool utf8ToCp932(const std::string& utf8, std::string& cp932);

// A program text as UTF-8 whatever the platform, converted character by character where the whole text does not
// convert, so that a byte that is no Shift-JIS costs one character: it becomes `replacement` (U+FFFD unless told).
std::string utf8Text(const std::string& cp932, const char* replacement = "\xEF\xBF\xBD");
