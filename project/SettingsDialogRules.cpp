#include "project/SettingsDialogRules.h"

#include <cctype>
#include <limits>

int32_t parseDecimal(const std::string& text) {
    size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    int64_t value = 0;
    const int64_t limit = int64_t{std::numeric_limits<int32_t>::max()} + (negative ? 1 : 0);
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
        value = value * 10 + (text[at] - '0');
        if (value > limit) value = limit;
    }
    return static_cast<int32_t>(negative ? -value : value);
}

int32_t nextAreaSide(int32_t current, int32_t shown) {
    if (shown < current) {
        const int32_t half = current / 2;
        return half < kSmallestAreaStep ? kLargestAreaStep : half;
    }
    if (shown > current) {
        const int64_t twice = int64_t{current} * 2;
        return twice > kLargestAreaStep ? kSmallestAreaStep : static_cast<int32_t>(twice);
    }
    return current;
}
