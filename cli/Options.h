#pragma once

#include <string>
#include <vector>

// One option of a command: a flag, or an option that takes a value ("--size 64x64" or "--size=64x64"). A name is
// "--long" or "-s"; given more than once, the last one counts. An option with a `sequence` instead may come any number
// of times: every occurrence of the options sharing that sequence goes into it as (name, value), in argument order.
// An option with an `implicitValue` may leave its value out ("--bleed", "--bleed 4", "--bleed=4"): it takes the next
// argument as its value only when `takesNext` accepts it, else `implicitValue`, so that an image path after it stays an
// image.
struct Option {
    const char* name;
    std::string* value;
    bool* flag;
    std::vector<std::pair<std::string, std::string>>* sequence = nullptr;
    const char* implicitValue = nullptr;
    bool (*takesNext)(const std::string& argument) = nullptr;
};

// Sorts the arguments into options and the rest (in their order; all of them after "--"); an empty result means they
// were understood, else it tells the first thing that was not: "unknown option '--x'", "option '--x' needs a value",
// "option '--x' takes no value". `given`, when asked for, gets the name of every option given, once, in the order of
// their first occurrence.
std::string parseOptions(const std::vector<std::string>& args,
                         const std::vector<Option>& options,
                         std::vector<std::string>& positional,
                         std::vector<std::string>* given = nullptr);
