// Undo and redo of the configuration: exact round trips over every kind of field, steps kept as
// differences, the redo dropped by a new change, typing merged into one step, and the bounds.
#include "core/model/edit_history.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/model/settings_model.h"

namespace velta {
namespace {

struct Edit {
    std::string name;
    std::function<void(DeviceConfig&)> apply;
};

// One edit per int field at its first and last element, and each string.
std::vector<Edit> one_edit_per_field()
{
    using D = DeviceSettings;
    using P = PageSettings;
    const std::vector<int D::*> scalars{&D::power_on_page,        &D::page_mode,
                                        &D::upper_font_size,      &D::lower_font_size,
                                        &D::connector_input,      &D::video_loss_background,
                                        &D::upper_display_offset, &D::lower_display_offset,
                                        &D::clock_display,        &D::clock_display_range,
                                        &D::clock_display_size,   &D::alarm_mode,
                                        &D::alarm_polarity,       &D::alarm_display,
                                        &D::alarm_return,         &D::remote_mode,
                                        &D::net_subnet_class,     &D::net_ect,
                                        &D::net_keep_alive,       &D::net_etr};
    const std::vector<PageArray<int> P::*> pages{
        &P::page_title_position, &P::page_auto_switch_time, &P::page_char_color,
        &P::page_border_color,   &P::page_background_fill,  &P::page_char_level};
    const std::vector<ScheduleTable D::*> schedules{&D::schedule_hour, &D::schedule_minute,
                                                    &D::schedule_page};
    const std::size_t last_slot = k_page_slots - 1;
    const std::size_t last_day = k_schedule_days - 1;
    const std::size_t last_entry = k_schedule_entries - 1;

    std::vector<Edit> edits;
    const auto add = [&edits](std::string name, std::function<void(DeviceConfig&)> apply) {
        edits.push_back({std::move(name), std::move(apply)});
    };
    for (std::size_t i = 0; i < scalars.size(); ++i)
        add("scalar " + std::to_string(i), [m = scalars[i]](DeviceConfig& c) { c.device.*m += 7; });
    for (std::size_t i = 0; i < pages.size(); ++i) {
        for (const std::size_t slot : {std::size_t{0}, last_slot})
            add("page array " + std::to_string(i) + " slot " + std::to_string(slot),
                [m = pages[i], slot](DeviceConfig& c) { (c.pages.*m)[slot] += 7; });
    }
    for (std::size_t i = 0; i < schedules.size(); ++i) {
        add("schedule " + std::to_string(i) + " first",
            [m = schedules[i]](DeviceConfig& c) { (c.device.*m)[0][0] += 7; });
        add("schedule " + std::to_string(i) + " last",
            [m = schedules[i], last_day, last_entry](DeviceConfig& c) {
                (c.device.*m)[last_day][last_entry] += 7;
            });
    }
    add("connector first", [](DeviceConfig& c) { c.device.connector_assignment[0] = 99; });
    add("connector last",
        [](DeviceConfig& c) { c.device.connector_assignment[k_connectors - 1] = 99; });
    add("hold time", [](DeviceConfig& c) { c.device.alarm_hold_time = "045"; });
    add("first title",
        [](DeviceConfig& c) { c.pages.page_title[0] = "A TITLE LONGER THAN A STRING HOLDS"; });
    add("last title", [last_slot](DeviceConfig& c) { c.pages.page_title[last_slot] = "LAST"; });
    return edits;
}

TEST(EditHistory, EveryKindOfFieldIsAStepOfItsOwnDifferenceAndComesBackExactly)
{
    for (const Edit& edit : one_edit_per_field()) {
        SCOPED_TRACE(edit.name);
        const DeviceConfig start;
        DeviceConfig config = start;
        EditHistory history(start);
        edit.apply(config);
        const DeviceConfig edited = config;
        ASSERT_TRUE(history.record(config));
        EXPECT_EQ(history.whole_copies(), 0u);
        EXPECT_LT(history.step_bytes(), 512u);

        ASSERT_TRUE(history.undo(config));
        EXPECT_TRUE(config == start);
        ASSERT_TRUE(history.redo(config));
        EXPECT_TRUE(config == edited);
        EXPECT_TRUE(history.recorded() == edited);
    }
}

TEST(EditHistory, UndoWalksBackToTheStartAndRedoForwardToThePendingChange)
{
    DeviceConfig start;
    start.pages.page_title[3] = "START";
    std::vector<DeviceConfig> states{start};
    const std::function<void(DeviceConfig&)> steps[] = {
        [](DeviceConfig& c) { c.pages.page_title[3] = "EDITED TITLE OF PAGE FOUR"; },
        [](DeviceConfig& c) {
            c.device.schedule_page[5][6] = k_page_pas;
            c.device.alarm_hold_time = "123";
        },
        [](DeviceConfig& c) {
            c.pages.page_char_color.fill(2);
            c.device.connector_assignment[7] = 0;
        },
        // Left unrecorded: the first undo records it.
        [](DeviceConfig& c) {
            c.device.net_etr = 9;
            c.pages.page_title[3].clear();
        },
    };
    EditHistory history(start);
    DeviceConfig config = start;
    for (const auto& step : steps) {
        step(config);
        states.push_back(config);
        if (states.size() < std::size(steps) + 1) {
            ASSERT_TRUE(history.record(config));
        }
    }

    for (std::size_t i = states.size() - 1; i-- > 0;) {
        ASSERT_TRUE(history.undo(config));
        EXPECT_TRUE(config == states[i]) << "undone to state " << i;
    }
    EXPECT_FALSE(history.undo(config));
    EXPECT_TRUE(config == start);
    for (std::size_t i = 1; i < states.size(); ++i) {
        ASSERT_TRUE(history.redo(config));
        EXPECT_TRUE(config == states[i]) << "redone to state " << i;
    }
    EXPECT_FALSE(history.redo(config));
    EXPECT_EQ(history.whole_copies(), 0u);
}

TEST(EditHistory, AChangeAfterAnUndoDropsTheRedo)
{
    // The change is recorded by record() or, unrecorded, by the redo that then does nothing.
    for (const bool by_redo : {false, true}) {
        SCOPED_TRACE(by_redo ? "by redo" : "by record");
        DeviceConfig config;
        const DeviceConfig start = config;
        EditHistory history(start);
        config.device.remote_mode = 1;
        const DeviceConfig first = config;
        ASSERT_TRUE(history.record(config));
        config.device.remote_mode = 2;
        ASSERT_TRUE(history.record(config));
        ASSERT_TRUE(history.undo(config));
        ASSERT_TRUE(history.can_redo());

        config.pages.page_border_color[9] = 5;
        const DeviceConfig changed = config;
        if (by_redo)
            EXPECT_FALSE(history.redo(config));
        else
            EXPECT_TRUE(history.record(config));
        EXPECT_FALSE(history.can_redo());
        EXPECT_FALSE(history.redo(config));
        EXPECT_TRUE(config == changed);

        ASSERT_TRUE(history.undo(config));
        EXPECT_TRUE(config == first);
        ASSERT_TRUE(history.undo(config));
        EXPECT_TRUE(config == start);
    }
}

enum class Then { type_on, close_step, undo_redo };

struct Keystroke {
    int slot;  // -1: the alarm hold time
    std::string text;
    Then then = Then::type_on;
    bool with_other_change = false;
};

struct TypingCase {
    const char* name;
    std::vector<Keystroke> keys;
    std::size_t steps;
};

TEST(EditHistory, TypingIntoOneTitleIsOneStepUntilClosed)
{
    const TypingCase cases[] = {
        {"one title typed", {{0, "A"}, {0, "AB"}, {0, "ABC"}}, 1},
        {"closed between", {{0, "A"}, {0, "AB", Then::close_step}, {0, "ABC"}}, 2},
        {"undo and redo between", {{0, "A", Then::undo_redo}, {0, "AB"}}, 2},
        {"another slot", {{0, "A"}, {1, "B"}}, 2},
        {"typed back to where it was", {{0, "A"}, {0, ""}}, 0},
        {"back, then typed again after a closed step",
         {{0, "A", Then::close_step}, {0, "AB"}, {0, "A"}, {0, "AX"}},
         2},
        {"a key with another change", {{0, "A"}, {0, "AB", Then::type_on, true}}, 2},
        {"the hold time", {{-1, "0"}, {-1, "01"}}, 2},
    };
    for (const TypingCase& c : cases) {
        SCOPED_TRACE(c.name);
        const DeviceConfig start;
        DeviceConfig config = start;
        EditHistory history(start);
        for (const Keystroke& key : c.keys) {
            std::string& text = key.slot < 0 ? config.device.alarm_hold_time
                                             : config.pages.page_title[std::size_t(key.slot)];
            text = key.text;
            if (key.with_other_change)
                ++config.device.clock_display;
            history.record(config);
            if (key.then == Then::close_step)
                history.close_step();
            if (key.then == Then::undo_redo) {
                ASSERT_TRUE(history.undo(config));
                ASSERT_TRUE(history.redo(config));
            }
        }
        const DeviceConfig typed = config;
        EXPECT_EQ(history.undo_steps(), c.steps);
        while (history.undo(config)) {
        }
        EXPECT_TRUE(config == start);
        while (history.redo(config)) {
        }
        EXPECT_TRUE(config == typed);
    }
}

TEST(EditHistory, ResetStartsOverWithNothingToUndo)
{
    DeviceConfig config;
    EditHistory history(config);
    config.pages.page_title[0] = "A";
    history.record(config);
    history.reset(config);
    EXPECT_FALSE(history.can_undo());
    EXPECT_EQ(history.step_bytes(), 0u);

    // The title typed before the reset is not typed on into.
    config.pages.page_title[0] = "AB";
    history.record(config);
    ASSERT_TRUE(history.undo(config));
    EXPECT_EQ(config.pages.page_title[0], "A");
    EXPECT_FALSE(history.undo(config));
}

TEST(EditHistory, StepBytesCountWhatTheChangesAllocate)
{
    const auto bytes_of_one_step = [](const std::function<void(DeviceConfig&)>& edit) {
        DeviceConfig config;
        EditHistory history(config);
        edit(config);
        history.record(config);
        return history.step_bytes();
    };
    const std::size_t one_int = bytes_of_one_step([](DeviceConfig& c) { c.device.net_etr = 1; });
    const std::size_t column =
        bytes_of_one_step([](DeviceConfig& c) { c.pages.page_char_color.fill(3); });
    EXPECT_GE(column, one_int + (k_page_slots - 1) * 2 * sizeof(int));
    const std::size_t short_title =
        bytes_of_one_step([](DeviceConfig& c) { c.pages.page_title[0] = "A"; });
    const std::size_t long_title = bytes_of_one_step(
        [](DeviceConfig& c) { c.pages.page_title[0] = std::string(k_title_max_bytes, 'A'); });
    EXPECT_GE(long_title, short_title + k_title_max_bytes);
}

struct BoundCase {
    const char* name;
    std::size_t max_steps;
    std::size_t max_bytes;
};

TEST(EditHistory, TheBoundsDropTheOldestSteps)
{
    constexpr std::size_t k_edits = 20;
    constexpr std::size_t k_title_bytes = 40;
    const BoundCase cases[] = {
        {"step count", 5, EditHistory::k_default_max_bytes},
        {"bytes", EditHistory::k_default_max_steps, 2000},
    };
    for (const BoundCase& c : cases) {
        SCOPED_TRACE(c.name);
        DeviceConfig config;
        std::vector<DeviceConfig> states{config};
        EditHistory history(config, c.max_steps, c.max_bytes);
        for (std::size_t i = 0; i < k_edits; ++i) {
            config.pages.page_title[i] = std::string(k_title_bytes, static_cast<char>('A' + i));
            ASSERT_TRUE(history.record(config));
            history.close_step();
            states.push_back(config);
        }
        const std::size_t kept = history.undo_steps();
        EXPECT_GT(kept, 0u);
        EXPECT_LT(kept, k_edits);
        if (c.max_steps < k_edits) {
            EXPECT_EQ(kept, c.max_steps);
        }
        EXPECT_LE(history.step_bytes(), c.max_bytes);

        for (std::size_t i = 0; i < kept; ++i) ASSERT_TRUE(history.undo(config));
        EXPECT_FALSE(history.undo(config));
        EXPECT_TRUE(config == states[k_edits - kept]);
    }
}

}  // namespace
}  // namespace velta
