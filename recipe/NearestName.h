#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The number of single-byte insertions, deletions and substitutions that turn one text into the other (Levenshtein).
size_t editDistance(const std::string& a, const std::string& b);

// The known name nearest to `name` by edit distance, the earliest on a tie; empty when there are no names.
std::string nearestName(const std::string& name, const std::vector<std::string>& known);
