#pragma once

#include <string>

// The pieces of TOML text that the recipe reader and writer share.

// The shortest decimal text that reads back as the same double ("0.5", "1", "1e-07"), the same on every platform;
// "nan", "inf" and "-inf" for the values that have no number.
std::string recipeNumberText(double value);

// The same as a TOML float: with a fraction or an exponent, so that it does not read back as a whole number.
std::string tomlFloat(double value);

// A TOML basic string holding the text: quotes, backslashes and control characters escaped, the rest as it is.
std::string tomlString(const std::string& text);

// A key as TOML writes it: bare when it is made of ASCII letters, digits, '-' and '_' only, else a basic string.
std::string tomlKey(const std::string& key);

// True when the text is well-formed UTF-8 without surrogates or code points beyond U+10FFFF, as TOML requires.
bool isUtf8(const std::string& text);
