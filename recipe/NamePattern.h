#pragma once

#include <cstddef>
#include <string>

// Patterns for frame names and for paths of input files, '/' between folders. '*' matches any run of characters
// within one folder level, '?' one character other than '/', '**' any run of characters across levels, and "**/"
// also nothing, so that "hero/**/run*" takes "hero/run_01" and "hero/left/run_01". Every other byte matches itself;
// a character is a UTF-8 sequence, so that '?' takes a Japanese letter whole.

// True when the text holds a wildcard ('*' or '?').
bool isNamePattern(const std::string& text);

bool matchesNamePattern(const std::string& pattern, const std::string& name);

// How specific a pattern is: the number of its bytes that are no wildcard.
size_t literalLength(const std::string& pattern);

// The folders of a pattern before the level that holds its first wildcard ("icons/ui/*.png" gives "icons/ui",
// "*.png" gives ""): where a search for the files it matches starts.
std::string patternFolder(const std::string& pattern);
