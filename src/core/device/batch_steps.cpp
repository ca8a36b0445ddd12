#include "core/device/batch_steps.h"

#include <array>

#include "core/common/message_boxes.h"
#include "core/device/alarm_commands.h"
#include "core/device/device_fields.h"
#include "core/device/other_commands.h"
#include "core/device/schedule_commands.h"
#include "core/pages/page_commands.h"
#include "core/pages/page_lists.h"
#include "core/pages/title_encoding.h"
#include "core/wire/device_context.h"
#include "core/wire/link_status.h"

namespace velta {
namespace {

constexpr int k_title_steps = 256;
constexpr int k_first_schedule_step = k_title_steps + 1;
constexpr int k_last_schedule_step = k_title_steps + 31;

// The device-wide and all-pages queries after the titles and the schedule days.
constexpr std::array<std::string_view, 24> k_read_device_queries{
    "RACA\r\n",  "RAD\r\n",   "RADT\r\n",  "RAM\r\n",   "RAP\r\n",   "RAR\r\n",
    "RCBC\r\n",  "RCC\r\n",   "RCFST\r\n", "RCFSB\r\n", "RCI\r\n",   "RCWL\r\n",
    "RFB\r\n",   "RIDOB\r\n", "RIDOT\r\n", "RIDP\r\n",  "RIDPM\r\n", "RPAST\r\n",
    "RPOSP\r\n", "RRM\r\n",   "RTSD\r\n",  "RTSDR\r\n", "RTSDS\r\n", "RVLBC\r\n"};
static_assert(k_last_schedule_step + static_cast<int>(k_read_device_queries.size()) + 1 ==
              k_read_all_steps);

struct DeviceStep {
    std::string_view head;
    BuiltCommand (*build)(const DeviceConfig& config);
};

template <std::string (*Build)(const DeviceConfig&)>
BuiltCommand built(const DeviceConfig& config)
{
    return Build(config);
}

// Steps 288..310: the device-wide settings and the all-pages commands, each built as its own
// dialog builds it. The connector table goes with the alarm head.
constexpr std::array<DeviceStep, 23> k_set_device_steps{{
    {"AM", built<alarm_mode_command>},
    {"ADT", alarm_hold_time_command},
    {"AP", built<alarm_polarity_command>},
    {"ADO", built<alarm_display_command>},
    {"ARO", built<alarm_return_command>},
    {"ACA", built<alarm_connectors_command>},
    {"PAST", built<all_auto_switch_times_command>},
    {"TSDO", built<clock_display_command>},
    {"TSDR", built<clock_range_command>},
    {"TSDS", built<clock_size_command>},
    {"FB", built<all_background_fill_command>},
    {"CABC", built<all_colours_command>},
    {"CWL", built<all_char_levels_command>},
    {"CI", built<connector_input_command>},
    {"POSP", built<power_on_page_command>},
    {"IDPM", built<page_mode_command>},
    {"CFST", built<upper_font_size_command>},
    {"CFSB", built<lower_font_size_command>},
    {"IDOT", built<upper_display_offset_command>},
    {"IDOB", built<lower_display_offset_command>},
    {"VLBC", built<video_loss_background_command>},
    {"RM", built<remote_mode_command>},
    {"IDP", built<all_title_positions_command>},
}};
static_assert(k_last_schedule_step + static_cast<int>(k_set_device_steps.size()) ==
              k_set_all_steps);

const DeviceStep* device_step(int step)
{
    const int i = step - k_last_schedule_step - 1;
    if (i < 0 || i >= static_cast<int>(k_set_device_steps.size()))
        return nullptr;
    return &k_set_device_steps[static_cast<std::size_t>(i)];
}

// Only a title and the hold time can fail to build: every other step's fields are clamped into
// their digits.
std::optional<SetAllRefusal> unbuildable(const DeviceConfig& config, int step)
{
    const BuiltCommand command = set_all_step_command(config, step);
    if (command.ok())
        return std::nullopt;
    const std::string reason(refusal_message(command.refusal->kind));
    if (step >= 1 && step <= k_title_steps)
        return SetAllRefusal{
            step, "ページ " + slot_label(step - 1, config.device.page_mode) + " のタイトル",
            reason};
    return SetAllRefusal{step, "アラームの保持時間「" + config.device.alarm_hold_time + "」",
                         reason};
}

}  // namespace

int batch_percent(int step, int steps)
{
    return steps > 0 ? step * 100 / steps : 0;
}

std::string read_all_query(int step)
{
    if (step >= 1 && step <= k_title_steps) {
        std::string q = "RCA000\r\n";
        put_dec3(q, 3, step);
        return q;
    }
    if (step >= k_first_schedule_step && step <= k_last_schedule_step) {
        std::string q = "RSD00\r\n";
        put_dec2(q, 3, step - k_title_steps);
        return q;
    }
    const int i = step - k_last_schedule_step - 1;
    if (i >= 0 && i < static_cast<int>(k_read_device_queries.size()))
        return std::string(k_read_device_queries[static_cast<std::size_t>(i)]);
    return {};
}

StepResult perform_read_all_step(DeviceContext& context, int step)
{
    const std::string q = read_all_query(step);
    if (!q.empty())
        send_command(context, q);
    return StepResult::sent;
}

std::string_view set_all_head(int step)
{
    if (step >= 1 && step <= k_title_steps)
        return "CA";
    if (step >= k_first_schedule_step && step <= k_last_schedule_step)
        return "SD";
    const DeviceStep* s = device_step(step);
    return s ? s->head : std::string_view();
}

BuiltCommand set_all_step_command(const DeviceConfig& config, int step)
{
    // Every slot goes, whatever the page mode: the device keeps all 256.
    if (step >= 1 && step <= k_title_steps)
        return page_title_command(config, step - 1);
    if (step >= k_first_schedule_step && step <= k_last_schedule_step)
        return schedule_day_command(config, step - k_first_schedule_step);
    if (const DeviceStep* s = device_step(step))
        return s->build(config);
    return {};
}

StepResult perform_set_all_step(DeviceContext& context, const DeviceConfig& config, int step)
{
    if (send_built(context, set_all_step_command(config, step)))
        return StepResult::sent;
    if (step >= 1 && step <= k_title_steps) {
        context.status.reply_error = 1;
        return StepResult::end_now;
    }
    return StepResult::sent;
}

std::optional<SetAllRefusal> set_all_refusal(const DeviceConfig& config)
{
    for (int step = 1; step <= k_set_all_steps; ++step)
        if (std::optional<SetAllRefusal> r = unbuildable(config, step))
            return r;
    return std::nullopt;
}

std::optional<SetAllRefusal> set_all_step_refusal(const DeviceConfig& config, int step)
{
    return unbuildable(config, step);
}

std::string set_all_refusal_text(const SetAllRefusal& refusal)
{
    return std::string(k_text_set_all_refused) + "（" + refusal.item + "）";
}

bool set_all_may_start(const DeviceConfig& config)
{
    const std::optional<SetAllRefusal> r = set_all_refusal(config);
    if (!r)
        return true;
    warning_box(set_all_refusal_text(*r), r->reason);
    return false;
}

}  // namespace velta
