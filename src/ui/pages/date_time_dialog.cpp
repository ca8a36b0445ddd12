#include "ui/pages/date_time_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "core/model/settings_model.h"
#include "core/pages/page_commands.h"
#include "core/pages/page_lists.h"
#include "core/wire/device_context.h"
#include "program/program_context.h"
#include "ui/pages/page_widgets.h"
#include "ui/widgets/dialog_widgets.h"

namespace velta {
namespace {

// A list that only holds its choice until its "設定" sends it.
QComboBox* unbound_list(const QStringList& items, int index)
{
    auto* combo = new QComboBox;
    combo->setMaxVisibleItems(16);
    set_items_quietly(combo, items, index);
    return combo;
}

}  // namespace

DateTimeDialog::DateTimeDialog(QWidget* parent, const LocalClock& clock)
    : SettingsDialog(QStringLiteral("日付＆時刻の設定"), "日付，時刻の設定 ", parent)
{
    const ClockIndexes now = clock_indexes(clock ? clock() : local_time_now());

    auto date_list = [this](ClockField f, const QStringList& items, int index,
                            std::string (*build)(int)) {
        QComboBox* combo = unbound_list(items, index);
        lists_[static_cast<std::size_t>(f)] = combo;
        return std::function<void()>(
            [combo, build] { send_built(program_context(), build(combo->currentIndex())); });
    };
    auto model_list = [this](ClockField f, const std::vector<std::string>& items, int& field,
                             std::string (*build)(const DeviceConfig&)) {
        lists_[static_cast<std::size_t>(f)] = bound_combo(
            qt_items(items), [&field] { return field; }, [&field](int index) { field = index; });
        return sends(build);
    };

    DeviceSettings& d = model().config.device;
    const std::array<std::pair<const char*, std::function<void()>>, k_clock_fields> rows{{
        {"年",
         date_list(ClockField::year, number_items(2000, 2099, 4), now.year, date_year_command)},
        {"月",
         date_list(ClockField::month, plain_number_items(1, 12), now.month, date_month_command)},
        {"日", date_list(ClockField::day, plain_number_items(1, 31), now.day, date_day_command)},
        {"時", date_list(ClockField::hour, plain_number_items(0, 23), now.hour, time_hour_command)},
        {"分",
         date_list(ClockField::minute, plain_number_items(0, 59), now.minute, time_minute_command)},
        {"秒",
         date_list(ClockField::second, plain_number_items(0, 59), now.second, time_second_command)},
        {"表示範囲", model_list(ClockField::range, clock_range_items(), d.clock_display_range,
                                clock_range_command)},
        {"表示", model_list(ClockField::display, clock_display_items(), d.clock_display,
                            clock_display_command)},
        {"表示サイズ", model_list(ClockField::size, clock_size_items(), d.clock_display_size,
                                  clock_size_command)},
    }};

    auto* grid = new QGridLayout;
    for (std::size_t i = 0; i < k_clock_fields; ++i) {
        const SetGroup g = set_group(qs(rows[i].first), lists_[i], rows[i].second);
        sets_[i] = g.set;
        grid->addWidget(g.box, static_cast<int>(i / 3), static_cast<int>(i % 3));
    }

    adjust_ = new QPushButton(QStringLiteral("30秒補正"));
    adjust_->setAutoDefault(false);
    connect(adjust_, &QPushButton::clicked, this,
            [] { send_command(program_context(), time_adjust_command()); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(adjust_);
    bottom->addWidget(make_slave_address_group());
    bottom->addStretch();
    QPushButton* close = make_close_button();
    // Enter closes the dialog as Esc does.
    close->setDefault(true);
    bottom->addWidget(close);
    layout->addLayout(bottom);
}

}  // namespace velta
