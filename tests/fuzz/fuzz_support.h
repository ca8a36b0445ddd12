#pragma once
// Shared by the fuzz targets: a quiet presenter, and a snapshot of what answers and files may
// change, compared field by field so that two ways of feeding the same bytes can be compared
// without writing the whole settings file for each.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>

#include "core/common/message_boxes.h"
#include "core/device/device_replies.h"
#include "core/glyphs/glyph_replies.h"
#include "core/model/settings_model.h"
#include "core/pages/page_replies.h"
#include "core/wire/link_status.h"
#include "fuzz_check.h"
#include "program/program_context.h"

namespace velta::fuzz {

inline std::string& box_log()
{
    static std::string log;
    return log;
}

// The model as reset, with default link settings. The first call resets it; later calls copy
// that state back, which is much cheaper than resetting field by field and also restores what
// a reset leaves alone, so no input depends on the ones before it.
inline void start_clean()
{
    static const SettingsModel clean = [] {
        set_box_presenter([](const Box& b) {
            box_log() += b.text + "\n";
            return b.buttons == BoxButtons::yes_no ? BoxAnswer::no : BoxAnswer::ok;
        });
        register_device_replies();
        register_page_replies();
        register_glyph_replies();
        reset_settings_model();
        clear_answer_flags();
        return model();
    }();
    box_log().clear();
    model() = clean;
    link_settings() = {};
    link_status() = {};
}

inline std::string_view text_of(const std::uint8_t* data, std::size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

// Whether an input belongs to a costly mode taken by about one input in n. A hash of the
// bytes picks it, not a leading byte: mutations (shuffles included) rarely keep the hash, so
// the share stays near 1/n whatever the corpus holds, while a saved input always takes the
// same mode again.
inline bool one_in(std::uint32_t n, const std::uint8_t* data, std::size_t size)
{
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (std::size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
    return size > 0 && hash % n == 0;
}

// The saved settings, the glyph being transferred, the answer state and the boxes shown.
struct Snapshot {
    DeviceConfig config;
    DeviceExtras extras;
    std::array<char, k_glyph_work_bytes> glyph_work{};
    int reply_error = 0;
    int success_pending = 0;
    std::string boxes;

    void take()
    {
        const SettingsModel& m = model();
        config = m.config;
        extras = m.extras;
        glyph_work = m.glyphs.glyph_work;
        reply_error = link_status().reply_error;
        success_pending = link_status().success_pending;
        boxes = box_log();
    }

    bool matches_model() const
    {
        const SettingsModel& m = model();
        return config == m.config && extras == m.extras && glyph_work == m.glyphs.glyph_work &&
               reply_error == link_status().reply_error &&
               success_pending == link_status().success_pending && boxes == box_log();
    }
};

}  // namespace velta::fuzz
