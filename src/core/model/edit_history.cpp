#include "core/model/edit_history.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <string>
#include <utility>

namespace velta {

// One step: the ints and strings that changed, each with its value before and after, or, when
// those would not give the configuration back exactly, both configurations whole.
class ConfigDelta {
public:
    struct IntChange {
        std::uint16_t index;  // into the flat numbering of every int field below
        int before;
        int after;
    };
    struct StringChange {
        std::uint16_t index;  // a page slot's title, or k_page_slots for the alarm hold time
        std::string before;
        std::string after;
    };
    struct Whole {
        DeviceConfig before;
        DeviceConfig after;
    };

    std::vector<IntChange> ints;  // ascending index
    std::vector<StringChange> strings;
    std::unique_ptr<Whole> whole;
    std::size_t bytes = 0;  // what the step holds, counted when it is complete

    bool empty() const { return ints.empty() && strings.empty() && !whole; }
    // Nothing but one title changed: a keystroke in the title edit.
    bool is_title_typing() const
    {
        return ints.empty() && strings.size() == 1 && !whole &&
               strings.front().index < k_page_slots;
    }
    void apply(DeviceConfig& config, bool forward) const;
};

namespace {

using IntChange = ConfigDelta::IntChange;
using StringChange = ConfigDelta::StringChange;

// Every int field of the configuration, as rows of adjacent ints (a scalar is one row of one).
// A field left out here does not make undo wrong: its change is caught when the differences
// are checked, and that step keeps whole configurations instead.
struct IntField {
    int* (*row)(DeviceConfig&, std::size_t);
    std::size_t rows;
    std::size_t columns;
};

template <int DeviceSettings::*Member>
int* scalar(DeviceConfig& c, std::size_t)
{
    return &(c.device.*Member);
}

template <PageArray<int> PageSettings::*Member>
int* page_ints(DeviceConfig& c, std::size_t)
{
    return (c.pages.*Member).data();
}

template <ScheduleTable DeviceSettings::*Member>
int* schedule_day(DeviceConfig& c, std::size_t day)
{
    return (c.device.*Member)[day].data();
}

int* connectors(DeviceConfig& c, std::size_t)
{
    return c.device.connector_assignment.data();
}

template <PageArray<int> PageSettings::*Member>
constexpr IntField k_page_field{page_ints<Member>, 1, k_page_slots};
template <ScheduleTable DeviceSettings::*Member>
constexpr IntField k_schedule_field{schedule_day<Member>, k_schedule_days, k_schedule_entries};
template <int DeviceSettings::*Member>
constexpr IntField k_scalar_field{scalar<Member>, 1, 1};

constexpr IntField k_int_fields[] = {
    k_page_field<&PageSettings::page_title_position>,
    k_page_field<&PageSettings::page_auto_switch_time>,
    k_page_field<&PageSettings::page_char_color>,
    k_page_field<&PageSettings::page_border_color>,
    k_page_field<&PageSettings::page_background_fill>,
    k_page_field<&PageSettings::page_char_level>,
    k_schedule_field<&DeviceSettings::schedule_hour>,
    k_schedule_field<&DeviceSettings::schedule_minute>,
    k_schedule_field<&DeviceSettings::schedule_page>,
    IntField{connectors, 1, k_connectors},
    k_scalar_field<&DeviceSettings::power_on_page>,
    k_scalar_field<&DeviceSettings::page_mode>,
    k_scalar_field<&DeviceSettings::upper_font_size>,
    k_scalar_field<&DeviceSettings::lower_font_size>,
    k_scalar_field<&DeviceSettings::connector_input>,
    k_scalar_field<&DeviceSettings::video_loss_background>,
    k_scalar_field<&DeviceSettings::upper_display_offset>,
    k_scalar_field<&DeviceSettings::lower_display_offset>,
    k_scalar_field<&DeviceSettings::clock_display>,
    k_scalar_field<&DeviceSettings::clock_display_range>,
    k_scalar_field<&DeviceSettings::clock_display_size>,
    k_scalar_field<&DeviceSettings::alarm_mode>,
    k_scalar_field<&DeviceSettings::alarm_polarity>,
    k_scalar_field<&DeviceSettings::alarm_display>,
    k_scalar_field<&DeviceSettings::alarm_return>,
    k_scalar_field<&DeviceSettings::remote_mode>,
    k_scalar_field<&DeviceSettings::net_subnet_class>,
    k_scalar_field<&DeviceSettings::net_ect>,
    k_scalar_field<&DeviceSettings::net_keep_alive>,
    k_scalar_field<&DeviceSettings::net_etr>,
};
constexpr std::size_t k_int_field_count = std::size(k_int_fields);

// Where each field's ints start in the flat numbering; the last entry is the count of all.
constexpr auto k_field_starts = [] {
    std::array<std::size_t, k_int_field_count + 1> starts{};
    for (std::size_t f = 0; f < k_int_field_count; ++f)
        starts[f + 1] = starts[f] + k_int_fields[f].rows * k_int_fields[f].columns;
    return starts;
}();
static_assert(k_field_starts.back() <= 0x10000, "a flat int index must fit 16 bits");

// The fields are only read through this.
const int* read_row(const IntField& field, const DeviceConfig& c, std::size_t row)
{
    return field.row(const_cast<DeviceConfig&>(c), row);
}

constexpr std::size_t k_string_fields = k_page_slots + 1;

std::string& string_field(DeviceConfig& c, std::size_t index)
{
    return index < k_page_slots ? c.pages.page_title[index] : c.device.alarm_hold_time;
}

const std::string& string_field(const DeviceConfig& c, std::size_t index)
{
    return index < k_page_slots ? c.pages.page_title[index] : c.device.alarm_hold_time;
}

void add_int_differences(const DeviceConfig& before, const DeviceConfig& after,
                         std::vector<IntChange>& out)
{
    for (std::size_t f = 0; f < k_int_field_count; ++f) {
        const IntField& field = k_int_fields[f];
        for (std::size_t r = 0; r < field.rows; ++r) {
            const int* b = read_row(field, before, r);
            const int* a = read_row(field, after, r);
            if (std::equal(b, b + field.columns, a))
                continue;
            const std::size_t base = k_field_starts[f] + r * field.columns;
            for (std::size_t c = 0; c < field.columns; ++c) {
                if (b[c] != a[c])
                    out.push_back({static_cast<std::uint16_t>(base + c), b[c], a[c]});
            }
        }
    }
}

std::unique_ptr<ConfigDelta> differences(const DeviceConfig& before, const DeviceConfig& after)
{
    auto delta = std::make_unique<ConfigDelta>();
    add_int_differences(before, after, delta->ints);
    for (std::size_t i = 0; i < k_string_fields; ++i) {
        const std::string& b = string_field(before, i);
        const std::string& a = string_field(after, i);
        if (b != a)
            delta->strings.push_back({static_cast<std::uint16_t>(i), b, a});
    }
    delta->ints.shrink_to_fit();
    delta->strings.shrink_to_fit();
    return delta;
}

// A string's own allocation, when it is too long to live inside the string.
std::size_t heap_bytes(const std::string& s)
{
    static const std::size_t inline_capacity = std::string().capacity();
    return s.capacity() > inline_capacity ? s.capacity() + 1 : 0;
}

std::size_t heap_bytes(const DeviceConfig& c)
{
    std::size_t n = 0;
    for (std::size_t i = 0; i < k_string_fields; ++i) n += heap_bytes(string_field(c, i));
    return n;
}

std::size_t bytes_of(const ConfigDelta& d)
{
    std::size_t n = sizeof(ConfigDelta) + d.ints.capacity() * sizeof(IntChange) +
                    d.strings.capacity() * sizeof(StringChange);
    for (const StringChange& s : d.strings) n += heap_bytes(s.before) + heap_bytes(s.after);
    if (d.whole)
        n += sizeof(ConfigDelta::Whole) + heap_bytes(d.whole->before) + heap_bytes(d.whole->after);
    return n;
}

}  // namespace

void ConfigDelta::apply(DeviceConfig& config, bool forward) const
{
    if (whole) {
        config = forward ? whole->after : whole->before;
        return;
    }
    std::size_t f = 0;
    for (const IntChange& change : ints) {
        while (change.index >= k_field_starts[f + 1]) ++f;
        const IntField& field = k_int_fields[f];
        const std::size_t at = change.index - k_field_starts[f];
        field.row(config, at / field.columns)[at % field.columns] =
            forward ? change.after : change.before;
    }
    for (const StringChange& change : strings)
        string_field(config, change.index) = forward ? change.after : change.before;
}

EditHistory::EditHistory(const DeviceConfig& start, std::size_t max_steps, std::size_t max_bytes)
    : recorded_(start), max_steps_(max_steps), max_bytes_(max_bytes)
{
}

EditHistory::~EditHistory() = default;
EditHistory::EditHistory(EditHistory&&) noexcept = default;
EditHistory& EditHistory::operator=(EditHistory&&) noexcept = default;

bool EditHistory::record(const DeviceConfig& now)
{
    std::unique_ptr<ConfigDelta> step = differences(recorded_, now);
    const bool found = !step->empty();
    if (found)
        step->apply(recorded_, true);
    if (recorded_ == now) {
        if (!found)
            return false;
    } else {
        if (found)
            step->apply(recorded_, false);
        step = std::make_unique<ConfigDelta>();
        step->whole = std::make_unique<ConfigDelta::Whole>(ConfigDelta::Whole{recorded_, now});
        recorded_ = now;
    }
    drop_redo();

    if (merge_open_ && step->is_title_typing() && !undo_.empty() &&
        undo_.back()->is_title_typing() &&
        undo_.back()->strings.front().index == step->strings.front().index) {
        ConfigDelta& typed = *undo_.back();
        StringChange& title = typed.strings.front();
        bytes_ -= typed.bytes;
        title.after = std::move(step->strings.front().after);
        if (title.after == title.before) {
            // Typed back to what it was: the step is gone, and so is the typing.
            undo_.pop_back();
            merge_open_ = false;
            return true;
        }
        typed.bytes = bytes_of(typed);
        bytes_ += typed.bytes;
        return true;
    }

    merge_open_ = step->is_title_typing();
    step->bytes = bytes_of(*step);
    bytes_ += step->bytes;
    undo_.push_back(std::move(step));
    drop_oldest_beyond_bounds();
    return true;
}

bool EditHistory::undo(DeviceConfig& config)
{
    record(config);
    merge_open_ = false;
    if (undo_.empty())
        return false;
    std::unique_ptr<ConfigDelta> step = std::move(undo_.back());
    undo_.pop_back();
    step->apply(config, false);
    step->apply(recorded_, false);
    redo_.push_back(std::move(step));
    return true;
}

bool EditHistory::redo(DeviceConfig& config)
{
    const bool changed = record(config);
    merge_open_ = false;
    if (changed || redo_.empty())
        return false;
    std::unique_ptr<ConfigDelta> step = std::move(redo_.back());
    redo_.pop_back();
    step->apply(config, true);
    step->apply(recorded_, true);
    undo_.push_back(std::move(step));
    return true;
}

void EditHistory::reset(const DeviceConfig& start)
{
    recorded_ = start;
    undo_.clear();
    redo_.clear();
    bytes_ = 0;
    merge_open_ = false;
}

std::size_t EditHistory::whole_copies() const
{
    const auto whole = [](const std::unique_ptr<ConfigDelta>& d) { return d->whole != nullptr; };
    return static_cast<std::size_t>(std::count_if(undo_.begin(), undo_.end(), whole) +
                                    std::count_if(redo_.begin(), redo_.end(), whole));
}

void EditHistory::drop_redo()
{
    for (const auto& step : redo_) bytes_ -= step->bytes;
    redo_.clear();
}

void EditHistory::drop_oldest_beyond_bounds()
{
    std::size_t dropped = 0;
    while (undo_.size() - dropped > max_steps_ ||
           (bytes_ > max_bytes_ && undo_.size() - dropped > 1)) {
        bytes_ -= undo_[dropped]->bytes;
        ++dropped;
    }
    undo_.erase(undo_.begin(), undo_.begin() + static_cast<std::ptrdiff_t>(dropped));
}

}  // namespace velta
