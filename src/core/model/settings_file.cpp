#include "core/model/settings_file.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <vector>

#include "core/common/file_io.h"
#include "core/common/named_lines.h"
#include "core/model/field_ranges.h"

namespace velta {
namespace {

constexpr std::string_view k_empty_title = "s";

// A value outside what its command can carry is refused when the file could not have held it
// (beyond `file`); within `file` it is what an earlier version wrote from an unchecked reply or
// edit, so it reads as its default, with a warning that names the line.
struct Field {
    FieldRange sends;
    FieldRange file;
};
constexpr Field same(FieldRange r)
{
    return {r, r};
}
constexpr Field k_flag = same(k_range_flag);
constexpr Field k_three = same(k_range_three);
constexpr Field k_switch_time = same(k_range_switch_time);
constexpr Field k_colour{k_range_colour, {0, 9}};
constexpr Field k_offset{k_range_display_offset, {0, 999}};
constexpr Field k_clock_range{k_range_clock_range, {0, 8}};
constexpr Field k_time_register{k_range_time_register, {0, 8}};
constexpr Field k_hour{k_range_hour, {0, 99}};
constexpr Field k_minute{k_range_minute, {0, 99}};
// Page indexes; 256 is "PAS" for the power-on page (or 128, mapped once the mode is read).
constexpr Field k_connector{k_range_page_index, {-1, 998}};
constexpr Field k_power_on{{0, k_page_pas}, {-1, 998}};
// Every value reads: 256 and up are "PAS" or no entry, as the dialog shows and sends them.
constexpr Field k_schedule_code = same({0, 998});

// Builds the record sequence once for the writer and once for the reader, so the two can
// never disagree about the order.
class Records {
public:
    virtual ~Records() = default;
    virtual void integer(int& field, Field range) = 0;
    virtual void title(std::string& field) = 0;
    virtual void hold_time(std::string& field) = 0;
};

void walk(Records& r, PageSettings& p, DeviceSettings& d)
{
    for (int& v : p.page_title_position) r.integer(v, k_flag);
    for (std::string& t : p.page_title) r.title(t);
    r.integer(d.upper_display_offset, k_offset);
    r.integer(d.lower_display_offset, k_offset);
    for (int& v : p.page_auto_switch_time) r.integer(v, k_switch_time);
    for (int& v : p.page_char_color) r.integer(v, k_colour);
    for (int& v : p.page_border_color) r.integer(v, k_colour);
    for (int& v : p.page_background_fill) r.integer(v, k_flag);
    for (int& v : p.page_char_level) r.integer(v, k_flag);
    r.integer(d.clock_display, k_flag);
    r.integer(d.clock_display_range, k_clock_range);
    r.integer(d.clock_display_size, k_flag);
    for (auto& day : d.schedule_hour)
        for (int& v : day) r.integer(v, k_hour);
    for (auto& day : d.schedule_minute)
        for (int& v : day) r.integer(v, k_minute);
    for (auto& day : d.schedule_page)
        for (int& v : day) r.integer(v, k_schedule_code);
    r.integer(d.alarm_mode, k_flag);
    r.integer(d.alarm_polarity, k_flag);
    r.integer(d.alarm_return, k_flag);
    r.integer(d.alarm_display, k_flag);
    r.hold_time(d.alarm_hold_time);
    for (int& v : d.connector_assignment) r.integer(v, k_connector);
    r.integer(d.remote_mode, k_three);
    r.integer(d.connector_input, k_flag);
    r.integer(d.power_on_page, k_power_on);
    r.integer(d.page_mode, k_flag);
    r.integer(d.upper_font_size, k_three);
    r.integer(d.lower_font_size, k_three);
    r.integer(d.video_loss_background, k_flag);
    r.integer(d.net_subnet_class, k_three);
    r.integer(d.net_ect, k_flag);
    r.integer(d.net_keep_alive, k_flag);
    r.integer(d.net_etr, k_time_register);
}

// The file keeps the page values in the numbers of the page mode saved with it: "PAS" is the
// page count (256, or 128 with two lines) and a schedule entry without a page is 257. Files of
// two-line mode also hold 129 for an entry without a page, and may hold 256 from a setting made
// in one-line mode, which two-line mode showed and sent as none.
constexpr int k_two_line_pas = 128;
constexpr int k_two_line_none = 129;

int schedule_page_to_file(int page, int page_mode)
{
    if (page_mode != 1)
        return page;
    if (page == k_page_pas)
        return k_two_line_pas;
    // 128 and 129 are "PAS" and none in this layout; the pages they would be exist only in
    // one-line mode, and this mode sends them as none.
    if (page == k_two_line_pas || page == k_two_line_none)
        return k_page_none;
    return page;
}

int schedule_page_from_file(int value, int page_mode)
{
    if (page_mode == 1) {
        if (value == k_two_line_pas)
            return k_page_pas;
        if (value == k_two_line_none || value == k_page_pas)
            return k_page_none;
    }
    return value > k_page_pas ? k_page_none : value;
}

int power_on_page_to_file(int page, int page_mode)
{
    if (page_mode != 1)
        return page;
    if (page == k_page_pas)
        return k_two_line_pas;
    // A page two-line mode does not have; the mode change puts it back to page 1 as well.
    return page >= k_two_line_pas ? 0 : page;
}

int power_on_page_from_file(int value, int page_mode)
{
    if (page_mode == 1 && value == k_two_line_pas)
        return k_page_pas;
    return value;
}

void page_values_to_file(DeviceSettings& d)
{
    for (auto& day : d.schedule_page)
        for (int& page : day) page = schedule_page_to_file(page, d.page_mode);
    d.power_on_page = power_on_page_to_file(d.power_on_page, d.page_mode);
}

// The page mode comes after the page values in the file, so they are mapped once all is read.
void page_values_from_file(DeviceSettings& d)
{
    for (auto& day : d.schedule_page)
        for (int& page : day) page = schedule_page_from_file(page, d.page_mode);
    d.power_on_page = power_on_page_from_file(d.power_on_page, d.page_mode);
}

class Writer final : public Records {
public:
    std::string out;
    void integer(int& field, Field) override { line(std::to_string(field)); }
    void title(std::string& field) override
    {
        line(field.empty() ? std::string(k_empty_title) : field);
    }
    void hold_time(std::string& field) override { line(field); }

private:
    void line(const std::string& text)
    {
        out.append(text);
        out.append("\r\n");
    }
};

class Reader final : public Records {
public:
    explicit Reader(std::string_view text)
    {
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t lf = text.find('\n', start);
            const bool last = lf == std::string_view::npos;
            if (last)
                lf = text.size();
            std::string_view l = text.substr(start, lf - start);
            if (!l.empty() && l.back() == '\r')
                l.remove_suffix(1);
            lines_.push_back(l);
            start = lf + 1;
        }
    }

    SettingsLoad result;

    void integer(int& field, Field range) override
    {
        std::string_view l;
        if (!next(l))
            return;
        while (!l.empty() && (l.front() == ' ' || l.front() == '\t')) l.remove_prefix(1);
        while (!l.empty() && (l.back() == ' ' || l.back() == '\t')) l.remove_suffix(1);
        int v = 0;
        const auto [end, ec] = std::from_chars(l.data(), l.data() + l.size(), v);
        if (l.empty() || ec != std::errc() || end != l.data() + l.size()) {
            fail("数値ではありません");
            return;
        }
        if (!range.file.holds(v)) {
            fail("値 " + std::to_string(v) + " が範囲外です（" + std::to_string(range.sends.low) +
                 "～" + std::to_string(range.sends.high) + "）");
            return;
        }
        if (!range.sends.holds(v)) {
            defaulted();
            return;
        }
        field = v;
    }

    void title(std::string& field) override
    {
        std::string_view l;
        if (!next(l))
            return;
        if (l.size() > static_cast<std::size_t>(k_title_field_bytes)) {
            fail("タイトルが長すぎます（" + std::to_string(l.size()) + " バイト）");
            return;
        }
        if (l.find('\0') != std::string_view::npos) {
            fail("タイトルに使えない文字があります");
            return;
        }
        field = l == k_empty_title ? std::string() : std::string(l);
        title_lines_.push_back(static_cast<std::size_t>(line_));
    }

    void hold_time(std::string& field) override
    {
        std::string_view l;
        if (!next(l))
            return;
        bool printable = l.size() <= k_hold_time_bytes;
        for (char c : l) printable = printable && c > ' ' && c < 0x7F;
        if (!printable) {
            fail("保持時間が正しくありません");
            return;
        }
        // As typed by an earlier version ("30", "12s"): kept as the device holds it.
        if (!k_range_hold_seconds.holds(hold_time_seconds(l))) {
            defaulted();
            return;
        }
        field = hold_time_as_sent(l);
    }

    // The lines of the titles, in slot order, for the check of what the device can take.
    const std::vector<std::size_t>& title_lines() const { return title_lines_; }
    void defaulted_line(std::size_t line) { result.defaulted_lines.push_back(line); }

    void finish()
    {
        if (!result.message.empty())
            return;
        for (std::size_t i = index_; i < lines_.size(); ++i) {
            if (!lines_[i].empty()) {
                line_ = static_cast<int>(i) + 1;
                fail("余分なデータがあります");
                return;
            }
        }
        result.ok = true;
    }

private:
    bool next(std::string_view& l)
    {
        if (!result.message.empty())
            return false;
        line_ = static_cast<int>(index_) + 1;
        if (index_ >= lines_.size()) {
            fail("行がありません（" + std::to_string(k_settings_file_lines) + " 行必要です）");
            return false;
        }
        l = lines_[index_++];
        return true;
    }

    void defaulted() { result.defaulted_lines.push_back(static_cast<std::size_t>(line_)); }

    void fail(const std::string& what)
    {
        result.ok = false;
        result.line = line_;
        result.message = "設定ファイルの " + std::to_string(line_) + " 行目: " + what;
    }

    std::vector<std::string_view> lines_;
    std::vector<std::size_t> title_lines_;
    std::size_t index_ = 0;
    int line_ = 0;
};

TitleCheck& title_check()
{
    static TitleCheck check = nullptr;
    return check;
}

}  // namespace

void set_settings_title_check(TitleCheck check)
{
    title_check() = check;
}

std::string defaulted_lines_text(const std::vector<std::size_t>& lines)
{
    return "設定ファイルの " + named_lines(lines) +
           " 行目は本機に送れない値でした。その値を既定値（タイトルは空白）にして読み込みました。";
}

std::string settings_file_text(const DeviceConfig& config)
{
    Writer w;
    DeviceConfig file = config;
    page_values_to_file(file.device);
    walk(w, file.pages, file.device);
    return std::move(w.out);
}

SettingsLoad parse_settings_file(std::string_view text)
{
    Reader r(text);
    DeviceConfig config;
    walk(r, config.pages, config.device);
    r.finish();
    if (!r.result.ok) {
        r.result.defaulted_lines.clear();
        return std::move(r.result);
    }
    if (const TitleCheck check = title_check()) {
        for (std::size_t slot = 0; slot < config.pages.page_title.size(); ++slot) {
            std::string& title = config.pages.page_title[slot];
            if (!title.empty() && !check(static_cast<int>(slot), title)) {
                title.clear();
                r.defaulted_line(r.title_lines()[slot]);
            }
        }
    }
    std::sort(r.result.defaulted_lines.begin(), r.result.defaulted_lines.end());
    page_values_from_file(config.device);
    r.result.config = std::move(config);
    return std::move(r.result);
}

FileResult load_settings_file(const std::string& path)
{
    FileResult r;
    const std::optional<std::string> bytes =
        read_file_bytes(path, k_settings_file_max_bytes, &r.reason);
    if (!bytes) {
        r.status = FileStatus::cannot_open;
        r.message = k_text_file_error;
        return r;
    }
    SettingsLoad load = parse_settings_file(*bytes);
    if (!load.ok) {
        r.status = FileStatus::malformed;
        r.message = std::move(load.message);
        return r;
    }
    r.reason.clear();
    r.config = std::move(load.config);
    if (!load.defaulted_lines.empty())
        r.warning = defaulted_lines_text(load.defaulted_lines);
    r.defaulted_lines = std::move(load.defaulted_lines);
    return r;
}

bool save_settings_file(const std::string& path, const DeviceConfig& config, std::string* why)
{
    return write_file_atomically(path, settings_file_text(config), why);
}

}  // namespace velta
