#pragma once
// Undo and redo of the configuration being edited. The history keeps the configuration it last
// recorded and, per step, only what changed (cell by cell), so a thousand steps stay small; a
// step is whatever changed between two records, wherever it was made.

#include <cstddef>
#include <memory>
#include <vector>

#include "core/model/settings_model.h"

namespace velta {

class ConfigDelta;

class EditHistory {
public:
    static constexpr std::size_t k_default_max_steps = 1000;
    // What the steps may hold together; beyond it (or beyond max_steps) the oldest steps go,
    // though the newest step stays even when it alone is larger.
    static constexpr std::size_t k_default_max_bytes = std::size_t{16} << 20;

    explicit EditHistory(const DeviceConfig& start = {},
                         std::size_t max_steps = k_default_max_steps,
                         std::size_t max_bytes = k_default_max_bytes);
    ~EditHistory();
    EditHistory(EditHistory&&) noexcept;
    EditHistory& operator=(EditHistory&&) noexcept;

    // Records what changed from the last recorded configuration to `now` as one step and
    // forgets what could be redone; false when nothing changed. Typing into one title (steps
    // that each change only the same slot's title, one after the other) makes one step.
    bool record(const DeviceConfig& now);
    // Ends the step being typed: the next change is a step of its own.
    void close_step() { merge_open_ = false; }

    bool can_undo() const { return !undo_.empty(); }
    bool can_redo() const { return !redo_.empty(); }
    // Records what `config` holds beyond the last record, then takes the last step back out of
    // it; false when there is nothing to undo (config is then recorded, not changed).
    bool undo(DeviceConfig& config);
    // Puts the last undone step back into config; false when there is none or config changed
    // since the undo (that change is then recorded as a step and the redo is gone).
    bool redo(DeviceConfig& config);

    // Starts again from `start` with nothing to undo (a file opened, a new file).
    void reset(const DeviceConfig& start);

    const DeviceConfig& recorded() const { return recorded_; }
    std::size_t undo_steps() const { return undo_.size(); }
    std::size_t redo_steps() const { return redo_.size(); }
    // Bytes the steps hold, for the memory bound and its benchmark.
    std::size_t step_bytes() const { return bytes_; }
    // Steps kept as two whole configurations because their differences would not give the
    // configuration back exactly (a field the differences do not know of).
    std::size_t whole_copies() const;

private:
    DeviceConfig recorded_;
    std::size_t max_steps_;
    std::vector<std::unique_ptr<ConfigDelta>> undo_;  // oldest first
    std::vector<std::unique_ptr<ConfigDelta>> redo_;  // next to redo last
    std::size_t max_bytes_;
    std::size_t bytes_ = 0;  // of every step, undo and redo
    bool merge_open_ = false;

    void drop_redo();
    void drop_oldest_beyond_bounds();
};

}  // namespace velta
