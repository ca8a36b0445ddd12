#pragma once
// Turns received bytes into lines, split at every LF. The partial line is bounded: on the
// serial link an over-long line is cut (the rest up to its LF is dropped), on TCP/IP it is
// dropped whole.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace velta {

class LineAssembler {
public:
    enum class Overflow { cut, drop };

    explicit LineAssembler(Overflow overflow, std::size_t max_line = 599)
        : overflow_(overflow), max_line_(max_line)
    {
    }

    // Calls on_line for each completed line (LF included), in order.
    void feed(std::string_view bytes, const std::function<void(std::string_view)>& on_line);
    void clear();
    std::size_t pending() const { return partial_.size(); }

private:
    Overflow overflow_;
    std::size_t max_line_;
    std::string partial_;
    bool overflowed_ = false;
};

}  // namespace velta
