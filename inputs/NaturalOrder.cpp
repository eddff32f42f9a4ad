#include "inputs/NaturalOrder.h"

#include <cstddef>

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Compares the digit runs starting at a[i] and b[j] by value and moves both indices past them: negative, zero or
// positive as strcmp. Leading zeros are passed over; then the longer run is the larger, and runs of one length
// compare digit by digit, so that runs of any length compare without overflow.
int compareRuns(const std::string& a, size_t& i, const std::string& b, size_t& j) {
    while (i < a.size() && a[i] == '0') ++i;
    while (j < b.size() && b[j] == '0') ++j;
    const size_t startA = i, startB = j;
    while (i < a.size() && isDigit(a[i])) ++i;
    while (j < b.size() && isDigit(b[j])) ++j;
    const size_t lengthA = i - startA, lengthB = j - startB;
    if (lengthA != lengthB) return lengthA < lengthB ? -1 : 1;
    return a.compare(startA, lengthA, b, startB, lengthB);
}

}  // namespace

bool naturalLess(const std::string& a, const std::string& b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            if (const int order = compareRuns(a, i, b, j)) return order < 0;
            continue;
        }
        if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        ++i, ++j;
    }
    if ((i < a.size()) != (j < b.size())) return j < b.size();
    return a < b;
}
