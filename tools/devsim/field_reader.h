#pragma once
// A strict reader of fixed-width command fields: every call either consumes exactly what it
// expects or fails, so a command is accepted only when its whole layout holds.

#include <cstdint>
#include <string_view>

namespace devsim {

class FieldReader {
public:
    explicit FieldReader(std::string_view text) : text_(text) {}

    bool literal(std::string_view word)
    {
        if (text_.substr(pos_, word.size()) != word)
            return false;
        pos_ += word.size();
        return true;
    }

    // A decimal field of exactly `width` digits whose value lies in lo..hi.
    bool number(int width, int lo, int hi, int& out)
    {
        if (remaining() < static_cast<std::size_t>(width))
            return false;
        int v = 0;
        for (int i = 0; i < width; ++i) {
            const char c = text_[pos_ + i];
            if (c < '0' || c > '9')
                return false;
            v = v * 10 + (c - '0');
        }
        if (v < lo || v > hi)
            return false;
        pos_ += width;
        out = v;
        return true;
    }

    // Four upper-case hexadecimal digits.
    bool hex4(std::uint16_t& out)
    {
        if (remaining() < 4)
            return false;
        unsigned v = 0;
        for (int i = 0; i < 4; ++i) {
            const int d = hex_value(text_[pos_ + i]);
            if (d < 0)
                return false;
            v = v * 16 + static_cast<unsigned>(d);
        }
        pos_ += 4;
        out = static_cast<std::uint16_t>(v);
        return true;
    }

    // One character that must be one of `letters`; out is its index there.
    bool choice(std::string_view letters, int& out)
    {
        if (remaining() < 1)
            return false;
        const std::size_t i = letters.find(text_[pos_]);
        if (i == std::string_view::npos)
            return false;
        ++pos_;
        out = static_cast<int>(i);
        return true;
    }

    // `count` upper-case hexadecimal digits, taken as they are.
    bool hex_run(std::size_t count, std::string_view& out)
    {
        if (remaining() < count)
            return false;
        for (std::size_t i = 0; i < count; ++i)
            if (hex_value(text_[pos_ + i]) < 0)
                return false;
        out = text_.substr(pos_, count);
        pos_ += count;
        return true;
    }

    std::size_t remaining() const { return text_.size() - pos_; }
    bool at_end() const { return pos_ == text_.size(); }

    static int hex_value(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace devsim
