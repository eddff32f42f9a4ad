#include "recipe/NearestName.h"

#include <algorithm>

size_t editDistance(const std::string& a, const std::string& b) {
    // One row of the table at a time: row[j] is the distance between the first i bytes of a and the first j of b.
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({above + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::string nearestName(const std::string& name, const std::vector<std::string>& known) {
    std::string nearest;
    size_t best = 0;
    for (const std::string& candidate : known) {
        const size_t distance = editDistance(name, candidate);
        if (nearest.empty() || distance < best) nearest = candidate, best = distance;
    }
    return nearest;
}
