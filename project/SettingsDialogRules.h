#pragma once

#include <cstdint>
#include <string>

// What the settings dialogs make of their controls, without any window.

// A decimal number as typed: leading blanks, an optional sign and digits, ended by the first other character; a text
// without digits gives 0 ("12abc" is 12, "" is 0, "-4" is -4). Beyond the int32 range it stays at the nearest end.
int32_t parseDecimal(const std::string& text);

// The area size dialog's step: its up-down moved the shown value one away from the current side, which becomes the
// next power of two in that direction, wrapping from 1024 up to 32 and from 32 down to 1024.
constexpr int32_t kSmallestAreaStep = 32;
constexpr int32_t kLargestAreaStep = 1024;
int32_t nextAreaSide(int32_t current, int32_t shown);
