#pragma once

#include <string>

// The order in which a folder's names are taken, the same on every platform: the names are compared as the
// program's (Shift-JIS) bytes, except that where both hold a run of digits at the same place, the runs compare by
// their value ("run_2" before "run_10", "a9" before "a10"). Names equal that way ("run_01" and "run_1") fall back to
// their bytes. A digit byte is never half of a double-byte character, so digit runs are found byte by byte.
bool naturalLess(const std::string& a, const std::string& b);
