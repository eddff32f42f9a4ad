#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A list file (@LIST on the command line): UTF-8 text on every platform, one path a line (LF or CR LF), a byte-order
// mark at the start passed over, lines of nothing but spaces and tabs passed over; every other line is a path taken as
// it stands. The paths come back as the program's Shift-JIS, each with its line number.
struct ListedPath {
    std::string path;
    size_t line = 0;
};

// The largest list file read: a million paths of 64 bytes.
constexpr uint64_t kMaxListFileBytes = uint64_t{64} << 20;

// False with `error` naming the list: it cannot be read, is larger than kMaxListFileBytes, is no UTF-8 text (a zero
// byte or a byte sequence UTF-8 does not define, with its line), or holds a path Shift-JIS cannot hold (with its line).
bool readListFile(const std::string& path, std::vector<ListedPath>& paths, std::string& error);
