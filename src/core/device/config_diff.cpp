#include "core/device/config_diff.h"

#include <set>
#include <span>
#include <string_view>

#include "core/device/device_items.h"
#include "core/pages/page_dialog_table.h"
#include "core/pages/page_lists.h"
#include "core/pages/title_encoding.h"

namespace velta {
namespace {

std::string digits(int value, int width)
{
    std::string text = std::to_string(value);
    if (value >= 0 && static_cast<int>(text.size()) < width)
        text.insert(0, static_cast<std::size_t>(width) - text.size(), '0');
    return text;
}

// The list item that shows value; a value no item stands for reads as its number.
template <typename Items>
std::string item_text(const Items& items, int value)
{
    if (value < 0 || value >= static_cast<int>(items.size()))
        return std::to_string(value);
    return std::string(items[static_cast<std::size_t>(value)]);
}

// A page value as the page lists show it: "001" .. count, "PAS", and "---" where the list has
// it; a page the mode does not have reads as its number.
std::string page_text(int value, int page_mode, bool with_none)
{
    const int count = page_count_for_mode(page_mode);
    const int index = page_list_index(value, count, with_none);
    if (index < 0 || index < count)
        return digits((index < 0 ? value : index) + 1, 3);
    return std::string(index == count ? k_pas_item : k_schedule_none_item);
}

// Titles that go to the device as the same command are the same title: trailing full-width
// blanks are padding on the wire, and the device never gives them back.
bool same_title(int slot, std::string_view a, std::string_view b)
{
    if (a == b)
        return true;
    const std::string sent = title_command(slot, a);
    return !sent.empty() && sent == title_command(slot, b);
}

// Walks the items in set-all order and lists those that differ. Given a target and a set of
// keys, it also copies each listed item of those keys from b into the target instead.
class Differ {
public:
    Differ(const DeviceConfig& a, const DeviceConfig& b) : a_(a), b_(b) {}
    Differ(const DeviceConfig& a, const DeviceConfig& b, DeviceConfig& into,
           const std::set<std::string, std::less<>>& keys)
        : a_(a), b_(b), into_(&into), keys_(&keys)
    {
    }

    std::vector<ConfigDifference> rows;

    void add(std::string key, std::string label, std::string a_text, std::string b_text)
    {
        rows.push_back({std::move(key), std::move(label), std::move(a_text), std::move(b_text)});
    }

    // The target when the item of key is to be copied, else null.
    DeviceConfig* take(const std::string& key) const
    {
        return into_ != nullptr && keys_->contains(key) ? into_ : nullptr;
    }

    template <typename Items>
    void choice(std::string_view key, std::string_view label, int DeviceSettings::*field,
                const Items& items)
    {
        const int x = a_.device.*field;
        const int y = b_.device.*field;
        if (x == y)
            return;
        add(std::string(key), std::string(label), item_text(items, x), item_text(items, y));
        if (DeviceConfig* to = take(rows.back().key))
            to->device.*field = y;
    }

    void number(std::string_view key, std::string_view label, int DeviceSettings::*field)
    {
        const int x = a_.device.*field;
        const int y = b_.device.*field;
        if (x == y)
            return;
        add(std::string(key), std::string(label), digits(x, 3), digits(y, 3));
        if (DeviceConfig* to = take(rows.back().key))
            to->device.*field = y;
    }

    void titles()
    {
        for (int slot = 0; slot < k_page_slots; ++slot) {
            const auto i = static_cast<std::size_t>(slot);
            if (same_title(slot, a_.pages.page_title[i], b_.pages.page_title[i]))
                continue;
            add("title." + digits(slot + 1, 3),
                page_label(PageItems::slot_labels, slot) + " タイトル", a_.pages.page_title[i],
                b_.pages.page_title[i]);
            if (DeviceConfig* to = take(rows.back().key))
                to->pages.page_title[i] = b_.pages.page_title[i];
        }
    }

    void schedule()
    {
        for (int day = 0; day < k_schedule_days; ++day) {
            for (int e = 0; e < k_schedule_entries; ++e) {
                const std::string x = schedule_text(a_, day, e);
                const std::string y = schedule_text(b_, day, e);
                if (x == y)
                    continue;
                const std::string d = digits(day + 1, 2);
                const std::string n = digits(e + 1, 2);
                add("schedule." + d + "." + n, "スケジュール 日" + d + " " + n, x, y);
                if (DeviceConfig* to = take(rows.back().key)) {
                    const auto dd = static_cast<std::size_t>(day);
                    const auto ee = static_cast<std::size_t>(e);
                    to->device.schedule_hour[dd][ee] = b_.device.schedule_hour[dd][ee];
                    to->device.schedule_minute[dd][ee] = b_.device.schedule_minute[dd][ee];
                    to->device.schedule_page[dd][ee] = b_.device.schedule_page[dd][ee];
                }
            }
        }
    }

    // Every page of one kind's value lists, page by page.
    void pages(PageDialogKind kind, std::span<const std::string_view> keys)
    {
        const PageDialogSpec& spec = page_dialog_spec(kind);
        for (int slot = 0; slot < k_page_slots; ++slot) {
            const auto i = static_cast<std::size_t>(slot);
            for (std::size_t v = 0; v < spec.values.size(); ++v) {
                const PageValueList& list = spec.values[v];
                const int x = (a_.pages.*list.values)[i];
                const int y = (b_.pages.*list.values)[i];
                if (x == y)
                    continue;
                add(std::string(keys[v]) + "." + digits(slot + 1, 3),
                    page_label(spec.page_items, slot) + " " + std::string(list.caption),
                    item_text(list.items, x), item_text(list.items, y));
                if (DeviceConfig* to = take(rows.back().key))
                    (to->pages.*list.values)[i] = y;
            }
        }
    }

    void hold_time()
    {
        if (a_.device.alarm_hold_time == b_.device.alarm_hold_time)
            return;
        add("alarm.hold_time", "アラーム 保持時間", a_.device.alarm_hold_time,
            b_.device.alarm_hold_time);
        if (DeviceConfig* to = take(rows.back().key))
            to->device.alarm_hold_time = b_.device.alarm_hold_time;
    }

    void connectors()
    {
        for (int n = 0; n < k_connectors; ++n) {
            const int x = a_.device.connector_assignment[static_cast<std::size_t>(n)];
            const int y = b_.device.connector_assignment[static_cast<std::size_t>(n)];
            if (x == y)
                continue;
            add("alarm.connector." + std::to_string(n + 1),
                "コネクター番号割り付け No." + std::to_string(n + 1), digits(x + 1, 3),
                digits(y + 1, 3));
            if (DeviceConfig* to = take(rows.back().key))
                to->device.connector_assignment[static_cast<std::size_t>(n)] = y;
        }
    }

    void power_on_page()
    {
        const int x = a_.device.power_on_page;
        const int y = b_.device.power_on_page;
        if (x == y)
            return;
        add("other.power_on_page", "電源投入時ページ", page_text(x, a_.device.page_mode, false),
            page_text(y, b_.device.page_mode, false));
        if (DeviceConfig* to = take(rows.back().key))
            to->device.power_on_page = y;
    }

private:
    // "P003", or "P002T" where the list is labelled by slot in two-line mode.
    std::string page_label(PageItems items, int slot) const
    {
        return "P" + (items == PageItems::slot_labels ? slot_label(slot, a_.device.page_mode)
                                                      : digits(slot + 1, 3));
    }

    static std::string schedule_text(const DeviceConfig& c, int day, int e)
    {
        const auto d = static_cast<std::size_t>(day);
        const auto i = static_cast<std::size_t>(e);
        return digits(c.device.schedule_hour[d][i], 2) + ":" +
               digits(c.device.schedule_minute[d][i], 2) + " " +
               page_text(c.device.schedule_page[d][i], c.device.page_mode, true);
    }

    const DeviceConfig& a_;
    const DeviceConfig& b_;
    DeviceConfig* into_ = nullptr;
    const std::set<std::string, std::less<>>* keys_ = nullptr;
};

constexpr std::string_view k_auto_switch_keys[] = {"auto_switch"};
constexpr std::string_view k_background_keys[] = {"background_fill"};
constexpr std::string_view k_colour_keys[] = {"char_color", "border_color"};
constexpr std::string_view k_char_level_keys[] = {"char_level"};
constexpr std::string_view k_position_keys[] = {"title_position"};

// Every item in set-all order, then the network options.
void walk(Differ& d)
{
    using D = DeviceSettings;
    d.titles();
    d.schedule();
    // The device-wide steps of a set-all run, in its order.
    d.choice("alarm.mode", "アラーム モード", &D::alarm_mode, k_alarm_mode_items);
    d.hold_time();
    d.choice("alarm.polarity", "アラーム 入力極性", &D::alarm_polarity, k_alarm_polarity_items);
    d.choice("alarm.display", "アラーム 表示", &D::alarm_display, k_off_on_items);
    d.choice("alarm.return", "アラーム リターン", &D::alarm_return, k_off_on_items);
    d.connectors();
    d.pages(PageDialogKind::auto_switch, k_auto_switch_keys);
    d.choice("clock.display", "日付＆時刻 表示", &D::clock_display, clock_display_items());
    d.choice("clock.range", "日付＆時刻 表示範囲", &D::clock_display_range, clock_range_items());
    d.choice("clock.size", "日付＆時刻 表示サイズ", &D::clock_display_size, clock_size_items());
    d.pages(PageDialogKind::background_fill, k_background_keys);
    d.pages(PageDialogKind::colours, k_colour_keys);
    d.pages(PageDialogKind::char_level, k_char_level_keys);
    d.choice("other.connector_input", "コネクター入力", &D::connector_input,
             k_connector_input_items);
    d.power_on_page();
    d.choice("other.page_mode", "ページ モード", &D::page_mode, k_page_mode_items);
    d.choice("other.upper_font_size", "フォント サイズ上", &D::upper_font_size, k_font_size_items);
    d.choice("other.lower_font_size", "フォント サイズ下", &D::lower_font_size, k_font_size_items);
    d.number("other.upper_display_offset", "上表示オフセット", &D::upper_display_offset);
    d.number("other.lower_display_offset", "下表示オフセット", &D::lower_display_offset);
    d.choice("other.video_loss_background", "ビデオロス背景色", &D::video_loss_background,
             k_video_loss_items);
    d.choice("remote.mode", "リモート モード", &D::remote_mode, k_remote_mode_items);
    d.pages(PageDialogKind::title_position, k_position_keys);
    // Not part of a set-all run: the network dialog sends them one by one.
    d.choice("network.subnet_class", "Subnet Mask", &D::net_subnet_class, k_subnet_items);
    d.choice("network.connection_try", "Connection Try", &D::net_ect, k_net_off_on_items);
    d.choice("network.keep_alive", "Keep Alive", &D::net_keep_alive, k_net_off_on_items);
    d.choice("network.time_register", "Time Register", &D::net_etr, k_time_register_items);
}

}  // namespace

std::vector<ConfigDifference> diff(const DeviceConfig& a, const DeviceConfig& b)
{
    Differ d(a, b);
    walk(d);
    return std::move(d.rows);
}

DeviceConfig take_items(const DeviceConfig& a, const DeviceConfig& b,
                        const std::vector<std::string>& keys)
{
    DeviceConfig out = a;
    const std::set<std::string, std::less<>> wanted(keys.begin(), keys.end());
    Differ d(a, b, out, wanted);
    walk(d);
    return out;
}

}  // namespace velta
