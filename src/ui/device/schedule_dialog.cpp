#include "ui/device/schedule_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QVBoxLayout>

#include "core/device/device_items.h"
#include "core/device/schedule_commands.h"
#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "program/program_context.h"
#include "ui/device/device_rows_widgets.h"

namespace velta {

DrawnListArea::DrawnListArea(int width, int height, QWidget* parent)
    : QWidget(parent), picture_(width, height)
{
    setFixedSize(width, height);
    picture_.fill(Qt::white);
}

void DrawnListArea::draw(const QList<QPair<QPoint, QString>>& texts)
{
    QPainter p(&picture_);
    p.setFont(font());
    const QFontMetrics metrics(font());
    drawn_.clear();
    for (const auto& [at, text] : texts) {
        // Each text covers what the previous drawing left at its place.
        const QRect box(at, QSize(metrics.horizontalAdvance(text), metrics.height()));
        p.fillRect(box, Qt::white);
        p.setPen(Qt::black);
        p.drawText(box, Qt::AlignLeft | Qt::AlignTop, text);
        drawn_ << text;
    }
    ++draw_count_;
    update();
}

void DrawnListArea::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawPixmap(0, 0, picture_);
}

namespace {
DeviceSettings& dev()
{
    return model().config.device;
}

// "PAS" and "---" follow the page numbers; a page the mode does not have shows as "---".
int page_item(int page)
{
    return page_list_index(page, page_count(), true);
}
}  // namespace

ScheduleDialog::ScheduleDialog(QWidget* parent)
    : SettingsDialog(QStringLiteral("スケジュール"), "スケジュールの設定 ", parent)
{
    list_ = new DrawnListArea(520, 210);

    auto entry_field = [this](ScheduleTable& table) {
        return [this, &table]() -> int& {
            return table[static_cast<std::size_t>(day_choice_)]
                        [static_cast<std::size_t>(pattern_choice_)];
        };
    };
    auto hour_field = entry_field(dev().schedule_hour);
    auto minute_field = entry_field(dev().schedule_minute);
    auto page_field = entry_field(dev().schedule_page);

    day_ = bound_combo(
        number_items(1, 31, 2), [this] { return day_choice_; },
        [this](int index) { day_choice_ = index; }, [this] { select_entry(); });
    pattern_ = bound_combo(
        number_items(1, 24, 2), [this] { return pattern_choice_; },
        [this](int index) { pattern_choice_ = index; }, [this] { select_entry(); });
    hour_ = bound_combo(
        number_items(0, 23, 2), [hour_field] { return hour_field(); },
        [hour_field](int index) { hour_field() = index; }, [this] { draw_list(); });
    minute_ = bound_combo(
        number_items(0, 59, 2), [minute_field] { return minute_field(); },
        [minute_field](int index) { minute_field() = index; }, [this] { draw_list(); });
    page_ = bound_combo(
        number_items(1, page_count(), 3) << qs(k_pas_item) << qs(k_schedule_none_item),
        [page_field] { return page_item(page_field()); },
        [page_field](int index) { page_field() = page_from_list_index(index, page_count()); },
        [this] { draw_list(); });

    auto labelled = [](const QString& label, QWidget* w) {
        auto* box = new QWidget;
        auto* l = new QVBoxLayout(box);
        l->setContentsMargins(0, 0, 0, 0);
        l->addWidget(new QLabel(label));
        l->addWidget(w);
        return box;
    };
    auto* entry_row = new QHBoxLayout;
    entry_row->addWidget(labelled(QStringLiteral("日"), day_));
    entry_row->addWidget(labelled(QStringLiteral("パターン番号"), pattern_));
    entry_row->addWidget(labelled(QStringLiteral("時"), hour_));
    entry_row->addWidget(labelled(QStringLiteral("分"), minute_));
    entry_row->addWidget(labelled(QStringLiteral("ページ"), page_));
    entry_row->addWidget(make_slave_address_group());

    progress_ = progress_bar(32);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(send_button(QStringLiteral("send_schedule_day"), [this] {
        send_command(program_context(), schedule_day_command(model().config, day_choice_));
    }));
    buttons->addWidget(send_button(
        QStringLiteral("send_all_days"), [this] { start_all_days(); }, QStringLiteral("全設定")));
    buttons->addWidget(send_button(
        QStringLiteral("day_off"),
        [this] {
            schedule_day_off(model().config, day_choice_);
            select_entry();
        },
        QStringLiteral("日OFF")));
    buttons->addWidget(progress_, 1);
    buttons->addWidget(percent_row(percent_));
    buttons->addWidget(make_stop_button());
    buttons->addWidget(make_close_button());

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(entry_row);
    layout->addLayout(buttons);
    layout->addWidget(make_stop_note());

    // The list is drawn from the timer, a little after the dialog has appeared.
    connect(&repaint_timer_, &QTimer::timeout, this, [this] { on_repaint_tick(); });
    model().choices.list_repaint_pending = 1;
    repaint_timer_.start(200);
}

void ScheduleDialog::on_repaint_tick()
{
    if (model().choices.list_repaint_pending != 0)
        draw_list();
    repaint_timer_.stop();
}

void ScheduleDialog::select_entry()
{
    const auto d = static_cast<std::size_t>(day_choice_);
    const auto e = static_cast<std::size_t>(pattern_choice_);
    select_quietly(hour_, dev().schedule_hour[d][e]);
    select_quietly(minute_, dev().schedule_minute[d][e]);
    select_quietly(page_, page_item(dev().schedule_page[d][e]));
    draw_list();
}

void ScheduleDialog::draw_list()
{
    QList<QPair<QPoint, QString>> texts;
    // Each column's heading starts over its entries' time, past the pattern number ("01 = "),
    // whatever the font makes of their widths.
    const int time_at = list_->fontMetrics().horizontalAdvance(QStringLiteral("01 = "));
    for (int column = 0; column < 3; ++column)
        texts.append({QPoint(20 + 160 * column + time_at, 1), qs(k_schedule_heading)});
    for (int i = 0; i < k_schedule_entries; ++i)
        texts.append({QPoint(20 + 160 * (i / 8), 20 + 23 * (i % 8)),
                      qs(schedule_entry_text(model().config, day_choice_, i))});
    list_->draw(texts);
    model().choices.list_repaint_pending = 0;
}

void ScheduleDialog::start_all_days()
{
    if (!confirm_run())
        return;
    RunSteps steps;
    steps.last = k_schedule_run_steps;
    steps.perform = [](int step) {
        send_command(program_context(), schedule_day_command(model().config, step - 1));
        return StepResult::sent;
    };
    // The percent counts 32 steps for 31 days: 3 .. 96.
    show_progress(steps, progress_, percent_, 32, [this] { accept(); });
    if (start_run(std::move(steps), k_schedule_run_period_ms))
        progress_->setValue(0);
}

}  // namespace velta
