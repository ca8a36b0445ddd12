#include "core/wire/line_assembler.h"

namespace velta {

void LineAssembler::feed(std::string_view bytes,
                         const std::function<void(std::string_view)>& on_line)
{
    while (!bytes.empty()) {
        const std::size_t lf = bytes.find('\n');
        const std::string_view piece =
            bytes.substr(0, lf == std::string_view::npos ? bytes.size() : lf + 1);
        bytes.remove_prefix(piece.size());

        const std::size_t room = max_line_ - partial_.size();
        if (piece.size() > room) {
            partial_.append(piece.substr(0, room));
            overflowed_ = true;
        } else {
            partial_.append(piece);
        }
        if (piece.back() != '\n')
            continue;

        const bool drop = overflowed_ && overflow_ == Overflow::drop;
        if (!drop)
            on_line(partial_);
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
