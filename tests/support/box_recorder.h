#pragma once
// A presenter for tests: logs every box and answers questions from a script (Yes when the
// script is empty). Installs itself on construction and restores the previous presenter.

#include <algorithm>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "core/common/message_boxes.h"

namespace velta {

class BoxRecorder {
public:
    BoxRecorder()
    {
        previous_ = set_box_presenter([this](const Box& box) { return answer(box); });
    }
    ~BoxRecorder() { set_box_presenter(std::move(previous_)); }
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;

    void answer_next(BoxAnswer answer) { script_.push_back(answer); }
    const std::vector<Box>& boxes() const { return boxes_; }
    std::vector<std::string> texts() const
    {
        std::vector<std::string> out;
        out.reserve(boxes_.size());
        for (const Box& b : boxes_) out.push_back(b.text);
        return out;
    }
    std::string last_text() const { return boxes_.empty() ? std::string() : boxes_.back().text; }
    int count(const std::string& text) const
    {
        return static_cast<int>(std::count_if(boxes_.begin(), boxes_.end(),
                                              [&](const Box& b) { return b.text == text; }));
    }
    void clear() { boxes_.clear(); }

private:
    BoxAnswer answer(const Box& box)
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

    std::vector<Box> boxes_;
    std::deque<BoxAnswer> script_;
    BoxPresenter previous_;
};

}  // namespace velta
