#include "common/box_recorder.h"

#include <algorithm>
#include <utility>

namespace velta {

BoxRecorder::BoxRecorder()
{
    previous_ = set_box_presenter([this](const Box& box) { return answer(box); });
}

BoxRecorder::~BoxRecorder()
{
    set_box_presenter(std::move(previous_));
}

BoxAnswer BoxRecorder::answer(const Box& box)
{
    boxes_.push_back(box);
    if (box.buttons == BoxButtons::ok)
        return BoxAnswer::ok;
    if (script_.empty())
        return BoxAnswer::yes;
    const BoxAnswer a = script_.front();
    script_.pop_front();
    return a;
}

std::vector<std::string> BoxRecorder::texts() const
{
    std::vector<std::string> out;
    out.reserve(boxes_.size());
    for (const Box& b : boxes_) out.push_back(b.text);
    return out;
}

int BoxRecorder::count(const std::string& text) const
{
    return static_cast<int>(
        std::count_if(boxes_.begin(), boxes_.end(), [&](const Box& b) { return b.text == text; }));
}

}  // namespace velta
