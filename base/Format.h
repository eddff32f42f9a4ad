#pragma once

#include <string>

// printf-style formatting into a std::string of any length; the exports and messages use the program's own format
// strings, so this is their one formatting function.
#if defined(__MINGW32__)
__attribute__((format(gnu_printf, 1, 2)))  // mingw's own printf family, which the Windows build uses
#elif defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
formatText(const char* format, ...);
