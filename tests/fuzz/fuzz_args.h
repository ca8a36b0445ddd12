#pragma once
// Command lines from fuzz input, and back: arguments separated by NUL bytes in the input, so an
// argument may hold any other byte, spaces and line ends included; and a parsed result written
// back as the plain command line a person would type.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velta::fuzz {

inline std::vector<std::string> split_arguments(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> args;
    if (size == 0)
        return args;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::size_t from = 0;
    while (true) {
        const std::size_t nul = text.find('\0', from);
        args.emplace_back(text.substr(from, nul - from));
        if (nul == std::string_view::npos)
            return args;
        from = nul + 1;
    }
}

struct CommandLine {
    std::vector<std::string> args;

    void add(std::string option, std::string value)
    {
        args.push_back(std::move(option));
        args.push_back(std::move(value));
    }
    // Options left at their default (empty, zero) are not written.
    void text(const char* option, const std::string& value)
    {
        if (!value.empty())
            add(option, value);
    }
    void number(const char* option, long value)
    {
        if (value > 0)
            add(option, std::to_string(value));
    }
    void flag(bool set, const char* option)
    {
        if (set)
            args.emplace_back(option);
    }
    // Two digits, as RS-485 addresses are given.
    static std::string two_digits(int value)
    {
        return (value < 10 ? "0" : "") + std::to_string(value);
    }
};

}  // namespace velta::fuzz
