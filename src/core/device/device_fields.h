#pragma once
// Writing model values into the digit fields of command templates. The model can hold any int a
// reply or a settings file put there; a value outside what the field can carry is clamped so a
// command always keeps its fixed layout instead of carrying non-digit characters.

#include <algorithm>
#include <string>

#include "core/wire/codecs.h"

namespace velta {

inline void put_dec2(std::string& command, std::size_t pos, int value)
{
    format_dec2(std::clamp(value, 0, 99), command.data() + pos);
}

inline void put_dec3(std::string& command, std::size_t pos, int value)
{
    format_dec3(std::clamp(value, 0, 999), command.data() + pos);
}

// The letter of a two-way field: `zero` for 0, `other` for anything else.
inline void put_letter(std::string& command, std::size_t pos, int value, char zero, char other)
{
    command[pos] = value == 0 ? zero : other;
}

}  // namespace velta
