#pragma once
// Captures what send_command hands to the wire, and restores the previous hooks afterwards.
// Also resets the model, so every test starts from the defaults.

#include <string>
#include <vector>

#include "core/wire/framing.h"

namespace velta {

class WireCapture {
public:
    WireCapture();
    ~WireCapture();
    WireCapture(const WireCapture&) = delete;
    WireCapture& operator=(const WireCapture&) = delete;

    const std::vector<std::string>& sent() const { return sent_; }
    std::string last() const { return sent_.empty() ? std::string() : sent_.back(); }
    void clear() { sent_.clear(); }

private:
    std::vector<std::string> sent_;
    WireHooks previous_;
};

// Starts from fresh values: the program's context (its model, link settings and status, runs,
// observers, taps and presenter; its wire hooks stay), the peer table, the document and the
// glyph dialogs' state.
void reset_for_test();

}  // namespace velta
