#include "core/device/send_plan.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <map>
#include <set>
#include <string_view>

#include "core/device/config_diff.h"
#include "core/device/network_commands.h"
#include "core/pages/page_commands.h"
#include "core/pages/page_dialog_table.h"
#include "core/wire/device_context.h"

namespace velta {
namespace {

constexpr int k_first_schedule_step = k_page_slots + 1;

// A per-page setting: its one-page and all-pages commands and the query that reads it back.
struct PageSetting {
    std::string_view key;  // "char_color" in "char_color.005"
    std::string_view head;
    std::string (*one)(const DeviceConfig& config, int slot);
    std::string (*all)(const DeviceConfig& config);
    PageDialogKind dialog;
    std::string_view query;
};

constexpr std::array<PageSetting, 6> k_page_settings{{
    {"auto_switch", "PAST", auto_switch_time_command, all_auto_switch_times_command,
     PageDialogKind::auto_switch, "RPAST\r\n"},
    {"background_fill", "FB", background_fill_command, all_background_fill_command,
     PageDialogKind::background_fill, "RFB\r\n"},
    {"char_color", "CABC", colours_command, all_colours_command, PageDialogKind::colours,
     "RCC\r\n"},
    {"border_color", "CABC", colours_command, all_colours_command, PageDialogKind::colours,
     "RCBC\r\n"},
    {"char_level", "CWL", char_level_command, all_char_levels_command, PageDialogKind::char_level,
     "RCWL\r\n"},
    {"title_position", "IDP", title_position_command, all_title_positions_command,
     PageDialogKind::title_position, "RIDP\r\n"},
}};

// A device-wide item: the head of its set-all step and its query. The connector table is one
// command ("alarm.connector.1" .. ".8").
struct DeviceItem {
    std::string_view key;
    std::string_view head;
    std::string_view query;
};

constexpr std::array<DeviceItem, 18> k_device_items{{
    {"alarm.mode", "AM", "RAM\r\n"},
    {"alarm.hold_time", "ADT", "RADT\r\n"},
    {"alarm.polarity", "AP", "RAP\r\n"},
    {"alarm.display", "ADO", "RAD\r\n"},
    {"alarm.return", "ARO", "RAR\r\n"},
    {"alarm.connector", "ACA", "RACA\r\n"},
    {"clock.display", "TSDO", "RTSD\r\n"},
    {"clock.range", "TSDR", "RTSDR\r\n"},
    {"clock.size", "TSDS", "RTSDS\r\n"},
    {"other.connector_input", "CI", "RCI\r\n"},
    {"other.power_on_page", "POSP", "RPOSP\r\n"},
    {"other.page_mode", "IDPM", "RIDPM\r\n"},
    {"other.upper_font_size", "CFST", "RCFST\r\n"},
    {"other.lower_font_size", "CFSB", "RCFSB\r\n"},
    {"other.upper_display_offset", "IDOT", "RIDOT\r\n"},
    {"other.lower_display_offset", "IDOB", "RIDOB\r\n"},
    {"other.video_loss_background", "VLBC", "RVLBC\r\n"},
    {"remote.mode", "RM", "RRM\r\n"},
}};

struct NetworkItem {
    std::string_view key;
    std::string (*build)(const DeviceConfig& config);
    std::string_view query;
};

constexpr std::array<NetworkItem, k_plan_network_options> k_network_items{{
    {"network.subnet_class", net_subnet_class_command, "RESM\r\n"},
    {"network.connection_try", net_ect_command, "RECT\r\n"},
    {"network.keep_alive", net_keep_alive_command, "REKA\r\n"},
    {"network.time_register", net_etr_command, "RETR\r\n"},
}};

int set_all_step_of(std::string_view head)
{
    for (int step = k_first_schedule_step + k_schedule_days; step <= k_set_all_steps; ++step)
        if (set_all_head(step) == head)
            return step;
    return 0;
}

int read_all_step_of(std::string_view query)
{
    for (int step = 1; step < k_read_all_steps; ++step)
        if (read_all_query(step) == query)
            return step;
    return 0;
}

// The number after "prefix." up to the next dot or the end ("schedule.05.03" -> 5), or 0.
int number_after(std::string_view key, std::string_view prefix)
{
    if (key.size() <= prefix.size() + 1 || !key.starts_with(prefix) || key[prefix.size()] != '.')
        return 0;
    std::string_view digits = key.substr(prefix.size() + 1);
    digits = digits.substr(0, digits.find('.'));
    int n = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    return ec == std::errc() && end == digits.data() + digits.size() ? n : 0;
}

// Where a difference goes: a set-all step (slot -1), one page of a set-all step's per-page
// setting, or a network option; and the query that reads it back.
struct Target {
    PlanSend send = PlanSend::set_all_step;
    int step = 0;  // 0: unknown key
    int slot = -1;
    std::string_view query;
};

Target target_of(std::string_view key)
{
    if (const int page = number_after(key, "title"); page >= 1 && page <= k_page_slots)
        return {PlanSend::set_all_step, page, -1, {}};
    if (const int day = number_after(key, "schedule"); day >= 1 && day <= k_schedule_days)
        return {PlanSend::set_all_step, k_first_schedule_step + day - 1, -1, {}};
    for (const PageSetting& p : k_page_settings)
        if (const int page = number_after(key, p.key); page >= 1 && page <= k_page_slots)
            return {PlanSend::one_page, set_all_step_of(p.head), page - 1, p.query};
    for (const DeviceItem& d : k_device_items)
        if (key == d.key || number_after(key, d.key) > 0)
            return {PlanSend::set_all_step, set_all_step_of(d.head), -1, d.query};
    for (int i = 0; i < k_plan_network_options; ++i)
        if (key == k_network_items[static_cast<std::size_t>(i)].key)
            return {PlanSend::network, i, -1, k_network_items[static_cast<std::size_t>(i)].query};
    return {};
}

const PageSetting& page_setting_of(int step)
{
    const std::string_view head = set_all_head(step);
    for (const PageSetting& p : k_page_settings)
        if (p.head == head)
            return p;
    return k_page_settings[0];
}

using Rows = std::vector<const ConfigDifference*>;

PlanStep make_step(PlanSend send, int step, int slot, const Rows& rows, std::string group_label)
{
    PlanStep s{
        send, step, slot, rows.size() == 1 ? rows.front()->label : std::move(group_label), {}};
    for (const ConfigDifference* r : rows) s.keys.push_back(r->key);
    return s;
}

std::string joined_labels(const Rows& rows)
{
    std::string text;
    for (const ConfigDifference* r : rows) text += (text.empty() ? "" : "、") + r->label;
    return text;
}

// The pages of one per-page setting: one-page commands, or the all-pages command with
// one-page commands for the pages it does not carry (two-line mode's automatic switching
// times stop at page 128), whichever is shorter.
void add_page_steps(int step, const std::map<int, Rows>& pages, const DeviceConfig& wanted,
                    std::vector<PlanStep>& plan)
{
    const PageSetting& setting = page_setting_of(step);
    // The lengths do not depend on the values, only the automatic switching times on the page
    // count of the mode the plan sends in.
    const std::size_t one_size = setting.one(wanted, 0).size();
    const std::size_t all_size = setting.all(wanted).size();
    const int carried =
        setting.head == "PAST" ? page_count_for_mode(wanted.device.page_mode) : k_page_slots;
    const auto beyond = static_cast<std::size_t>(std::count_if(
        pages.begin(), pages.end(), [&](const auto& p) { return p.first >= carried; }));
    const bool use_all = all_size + beyond * one_size < pages.size() * one_size;

    if (use_all) {
        Rows rows;
        for (const auto& [slot, r] : pages)
            if (slot < carried)
                rows.insert(rows.end(), r.begin(), r.end());
        plan.push_back(
            make_step(PlanSend::set_all_step, step, -1, rows,
                      std::string(page_dialog_spec(setting.dialog).window_title) + "（全ページ）"));
    }
    for (const auto& [slot, rows] : pages)
        if (!use_all || slot >= carried)
            plan.push_back(make_step(PlanSend::one_page, step, slot, rows, joined_labels(rows)));
}

std::string day_label(int step)
{
    const int day = step - k_first_schedule_step + 1;
    return std::string("スケジュール 日") + (day < 10 ? "0" : "") + std::to_string(day);
}

}  // namespace

std::vector<PlanStep> send_plan(const DeviceConfig& device, const DeviceConfig& wanted)
{
    const std::vector<ConfigDifference> rows = diff(device, wanted);
    std::map<int, Rows> by_step;                 // set-all step -> rows
    std::map<int, std::map<int, Rows>> by_page;  // set-all step -> page slot -> rows
    std::array<Rows, k_plan_network_options> network;
    for (const ConfigDifference& r : rows) {
        const Target t = target_of(r.key);
        if (t.step == 0 && t.send != PlanSend::network)
            continue;
        if (t.send == PlanSend::network)
            network[static_cast<std::size_t>(t.step)].push_back(&r);
        else if (t.send == PlanSend::one_page)
            by_page[t.step][t.slot].push_back(&r);
        else
            by_step[t.step].push_back(&r);
    }

    std::vector<PlanStep> plan;
    for (int step = 1; step <= k_set_all_steps; ++step) {
        if (auto p = by_page.find(step); p != by_page.end())
            add_page_steps(step, p->second, wanted, plan);
        if (auto s = by_step.find(step); s != by_step.end()) {
            const bool day =
                step >= k_first_schedule_step && step < k_first_schedule_step + k_schedule_days;
            plan.push_back(make_step(PlanSend::set_all_step, step, -1, s->second,
                                     day ? day_label(step) : "コネクター番号割り付け"));
        }
    }
    for (int i = 0; i < k_plan_network_options; ++i)
        if (!network[static_cast<std::size_t>(i)].empty())
            plan.push_back(
                make_step(PlanSend::network, i, -1, network[static_cast<std::size_t>(i)], {}));
    return plan;
}

BuiltCommand plan_step_command(const DeviceConfig& wanted, const PlanStep& step)
{
    switch (step.send) {
        case PlanSend::set_all_step:
            return set_all_step_command(wanted, step.step);
        case PlanSend::one_page:
            return page_setting_of(step.step).one(wanted, step.slot);
        case PlanSend::network:
            if (step.step >= 0 && step.step < k_plan_network_options)
                return k_network_items[static_cast<std::size_t>(step.step)].build(wanted);
            return {};
    }
    return {};
}

StepResult perform_plan_step(DeviceContext& context, const DeviceConfig& wanted,
                             const PlanStep& step)
{
    if (step.send == PlanSend::set_all_step)
        return perform_set_all_step(context, wanted, step.step);
    send_built(context, plan_step_command(wanted, step));
    return StepResult::sent;
}

std::string plan_command(const DeviceConfig& wanted, const PlanStep& step)
{
    return plan_step_command(wanted, step).bytes;
}

std::optional<SetAllRefusal> plan_refusal(const DeviceConfig& wanted,
                                          const std::vector<PlanStep>& plan)
{
    for (const PlanStep& s : plan)
        if (s.send == PlanSend::set_all_step)
            if (std::optional<SetAllRefusal> r = set_all_step_refusal(wanted, s.step))
                return r;
    return std::nullopt;
}

std::vector<std::string> read_plan(const std::vector<std::string>& keys)
{
    std::set<int> steps;
    std::set<int> options;
    for (const std::string& key : keys) {
        const Target t = target_of(key);
        if (t.send == PlanSend::network)
            options.insert(t.step);
        else if (t.step > 0 && t.step < k_first_schedule_step + k_schedule_days)
            steps.insert(t.step);  // a title or a schedule day: read-all reads them by number
        else if (const int read_step = read_all_step_of(t.query); read_step > 0)
            steps.insert(read_step);
    }
    std::vector<std::string> queries;
    for (int step : steps) queries.push_back(read_all_query(step));
    for (std::string_view q : k_network_read_order)
        for (int i : options)
            if (k_network_items[static_cast<std::size_t>(i)].query == q)
                queries.emplace_back(q);
    return queries;
}

}  // namespace velta
