#pragma once

// toml++ as the recipe code uses it: without exceptions (the program's own code throws nothing, and the parser then
// hands its errors back in its result) and without its writers, which the recipe writer does not need.
#define TOML_EXCEPTIONS 0
#define TOML_ENABLE_FORMATTERS 0
// Its parser asserts on some inputs that it goes on to refuse with a proper error ("[[[" asserts that a key starts
// there); those inputs are ours to take, so its assertions are left out. The fuzzer, under the address and undefined
// behaviour sanitizers, watches the parser instead.
#define TOML_ASSERT(expr) static_assert(true)

#include <toml++/toml.h>
