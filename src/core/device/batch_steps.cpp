#include "core/device/batch_steps.h"

#include <array>

#include "core/common/message_boxes.h"
#include "core/device/alarm_commands.h"
#include "core/device/device_fields.h"
#include "core/device/other_commands.h"
#include "core/device/schedule_commands.h"
#include "core/model/settings_model.h"
#include "core/pages/page_commands.h"
#include "core/pages/page_lists.h"
#include "core/pages/title_encoding.h"
#include "core/wire/framing.h"
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
    void (*send)();
};

// Steps 288..310: the device-wide settings and the all-pages commands, each sent by the
// routine of its own dialog. The connector table goes with the alarm head.
constexpr std::array<DeviceStep, 23> k_set_device_steps{{
    {"AM", send_alarm_mode},
    {"ADT", [] { send_alarm_hold_time(); }},
    {"AP", send_alarm_polarity},
    {"ADO", send_alarm_display},
    {"ARO", send_alarm_return},
    {"ACA", send_alarm_connectors},
    {"PAST", send_all_auto_switch_times},
    {"TSDO", send_clock_display},
    {"TSDR", send_clock_range},
    {"TSDS", send_clock_size},
    {"FB", send_all_background_fill},
    {"CABC", send_all_colours},
    {"CWL", send_all_char_levels},
    {"CI", send_connector_input},
    {"POSP", send_power_on_page},
    {"IDPM", send_page_mode},
    {"CFST", send_upper_font_size},
    {"CFSB", send_lower_font_size},
    {"IDOT", send_upper_display_offset},
    {"IDOB", send_lower_display_offset},
    {"VLBC", send_video_loss_background},
    {"RM", send_remote_mode},
    {"IDP", send_all_title_positions},
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

constexpr int k_hold_time_step = k_last_schedule_step + 2;
static_assert(k_set_device_steps[1].head == "ADT");

// Only a title and the hold time can fail to build: every other step's fields are clamped into
// their digits.
std::optional<SetAllRefusal> unbuildable(int step)
{
    if (step >= 1 && step <= k_title_steps) {
        const int slot = step - 1;
        if (!page_title_command(slot).empty())
            return std::nullopt;
        return SetAllRefusal{
            step, "ページ " + slot_label(slot, model().config.device.page_mode) + " のタイトル",
            std::string(k_text_title_unencodable)};
    }
    if (step == k_hold_time_step) {
        const std::string& hold = model().config.device.alarm_hold_time;
        if (k_range_hold_seconds.holds(hold_time_seconds(hold)))
            return std::nullopt;
        return SetAllRefusal{step, "アラームの保持時間「" + hold + "」",
                             std::string(k_text_hold_time_too_short)};
    }
    return std::nullopt;
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

StepResult perform_read_all_step(int step)
{
    const std::string q = read_all_query(step);
    if (!q.empty())
        send_command(q);
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

StepResult perform_set_all_step(int step)
{
    if (step >= 1 && step <= k_title_steps) {
        // Every slot goes, whatever the page mode: the device keeps all 256.
        if (!send_title_or_warn(step - 1)) {
            link_status().reply_error = 1;
            return StepResult::end_now;
        }
        return StepResult::sent;
    }
    if (step >= k_first_schedule_step && step <= k_last_schedule_step) {
        send_schedule_day(step - k_first_schedule_step);
        return StepResult::sent;
    }
    if (const DeviceStep* s = device_step(step))
        s->send();
    return StepResult::sent;
}

std::optional<SetAllRefusal> set_all_refusal()
{
    for (int step = 1; step <= k_set_all_steps; ++step)
        if (std::optional<SetAllRefusal> r = unbuildable(step))
            return r;
    return std::nullopt;
}

std::optional<SetAllRefusal> set_all_step_refusal(int step)
{
    return unbuildable(step);
}

std::string set_all_refusal_text(const SetAllRefusal& refusal)
{
    return std::string(k_text_set_all_refused) + "（" + refusal.item + "）";
}

bool set_all_may_start()
{
    const std::optional<SetAllRefusal> r = set_all_refusal();
    if (!r)
        return true;
    warning_box(set_all_refusal_text(*r), r->reason);
    return false;
}

}  // namespace velta
