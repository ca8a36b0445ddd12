#pragma once
// A presenter for tests: logs every box and answers questions from a script (Yes when the
// script is empty). Installs itself on construction and restores the previous presenter.

#include <deque>
#include <string>
#include <vector>

#include "common/message_boxes.h"

namespace velta {

class BoxRecorder {
public:
    BoxRecorder();
    ~BoxRecorder();
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;

    void answer_next(BoxAnswer answer) { script_.push_back(answer); }
    const std::vector<Box>& boxes() const { return boxes_; }
    std::vector<std::string> texts() const;
    std::string last_text() const { return boxes_.empty() ? std::string() : boxes_.back().text; }
    int count(const std::string& text) const;
    void clear() { boxes_.clear(); }

private:
    BoxAnswer answer(const Box& box);

    std::vector<Box> boxes_;
    std::deque<BoxAnswer> script_;
    BoxPresenter previous_;
};

}  // namespace velta
