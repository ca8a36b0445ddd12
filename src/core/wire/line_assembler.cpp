#include "core/wire/line_assembler.h"

namespace velta {

void LineAssembler::feed(std::string_view bytes, const Bytes& on_line, const Bytes& on_dropped)
{
    while (!bytes.empty()) {
        const std::size_t lf = bytes.find('\n');
        const std::string_view piece =
            bytes.substr(0, lf == std::string_view::npos ? bytes.size() : lf + 1);
        bytes.remove_prefix(piece.size());

        const std::size_t room = max_line_ - partial_.size();
        if (overflow_ == Overflow::drop && (overflowed_ || piece.size() > room)) {
            // Nothing of the line is kept: what was held goes with the piece.
            if (on_dropped) {
                partial_.append(piece);
                on_dropped(partial_);
            }
            partial_.clear();
            overflowed_ = piece.back() != '\n';
            continue;
        }
        if (piece.size() > room) {
            partial_.append(piece.substr(0, room));
            if (on_dropped)
                on_dropped(piece.substr(room));
            overflowed_ = true;
        } else {
            partial_.append(piece);
        }
        if (piece.back() != '\n')
            continue;

        on_line(partial_);  // cut to its bound when it overflowed
        partial_.clear();
        overflowed_ = false;
    }
}

void LineAssembler::clear()
{
    partial_.clear();
    overflowed_ = false;
}

}  // namespace velta
