#pragma once
// Turns received bytes into lines, split at every LF. The partial line is bounded: on the
// serial link an over-long line is cut (the rest up to its LF is dropped), on TCP/IP it is
// dropped whole; the dropped bytes are handed over as they go, so that a trace can show every
// byte received.

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

    using Bytes = std::function<void(std::string_view)>;
    // Calls on_line for each completed line (LF included), in order. Under Overflow::drop the
    // bytes of an over-long line go to on_dropped instead (if given), in order and in pieces,
    // from its first byte to its LF: the lines and the dropped bytes together are the stream.
    // Under Overflow::cut what is cut off goes to on_dropped as it comes, before its line.
    void feed(std::string_view bytes, const Bytes& on_line, const Bytes& on_dropped = {});
    void clear();
    std::size_t pending() const { return partial_.size(); }

private:
    Overflow overflow_;
    std::size_t max_line_;
    std::string partial_;
    bool overflowed_ = false;
};

}  // namespace velta
