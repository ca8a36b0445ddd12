#pragma once
// A failed property stops the fuzzer with the input that broke it.

#include <cstdlib>

namespace velta::fuzz {

inline void check(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace velta::fuzz
