#include "ui/pages/page_list_dialog.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/common/message_boxes.h"
#include "core/model/settings_model.h"
#include "core/pages/page_commands.h"
#include "core/pages/title_encoding.h"
#include "core/wire/device_context.h"
#include "core/wire/framing.h"
#include "core/wire/link_status.h"
#include "link/text_cp932.h"
#include "program/program_context.h"
#include "ui/pages/page_list_view.h"
#include "ui/pages/page_widgets.h"
#include "ui/widgets/dialog_widgets.h"

namespace velta {
namespace {

QSize list_area_size(ListLayout layout)
{
    switch (layout) {
        case ListLayout::one_column:
            return {560, 176};
        case ListLayout::four_columns:
            return {560, 200};
        case ListLayout::two_columns:
            return {560, 210};
    }
    return {560, 200};
}

int current_slot()
{
    return model().choices.current_page;
}

bool slot_in_range(int slot)
{
    return slot >= 0 && slot < k_page_slots;
}

// The value of the chosen slot in a list, or no selection when no slot is chosen.
int chosen_value(const PageValueList& list)
{
    const int slot = current_slot();
    return slot_in_range(slot) ? (model().config.pages.*list.values)[static_cast<std::size_t>(slot)]
                               : -1;
}

}  // namespace

PageListDialog::PageListDialog(PageDialogKind kind, QWidget* parent)
    : SettingsDialog(qs(page_dialog_spec(kind).window_title),
                     std::string(page_dialog_spec(kind).caption_text), parent),
      spec_(page_dialog_spec(kind))
{
    view_ = new PageListView(list_area_size(spec_.layout), [this] {
        std::vector<DrawnText> lines;
        if (spec_.layout == ListLayout::two_columns)
            lines.push_back(
                {QPoint(k_colour_heading_point.x, k_colour_heading_point.y), qs(k_colour_heading)});
        for (const ListLine& line : block_lines(model(), spec_))
            lines.push_back({QPoint(line.at.x, line.at.y),
                             spec_.line_in_cp932 ? from_cp932(line.text) : qs(line.text)});
        return lines;
    });

    QGroupBox* slave_group = make_slave_address_group();

    page_list_ = bound_combo(
        qt_items(page_list_items(model().config, spec_.page_items)), [] { return current_slot(); },
        [this](int index) { choose_page(index); });
    auto* value_row = new QHBoxLayout;
    value_row->addWidget(group_row(QStringLiteral("ページ"), {page_list_}));
    auto* same_row = new QHBoxLayout;
    for (std::size_t i = 0; i < spec_.values.size(); ++i) {
        const PageValueList& list = spec_.values[i];
        const QStringList items = qt_items(list.items);
        QComboBox* value = bound_combo(
            items, [&list] { return chosen_value(list); },
            [this, i](int index) { choose_value(i, index); });
        // Every pick acts, also of the value the list already shows: the slots may differ from it.
        QComboBox* same = picked_combo(
            items, [&list] { return model().choices.*list.choice; },
            [this, i](int index) { choose_same_for_all(i, index); });
        value_lists_.push_back(value);
        same_lists_.push_back(same);
        value_row->addWidget(group_row(qs(list.caption), {value}));
        same_row->addWidget(group_row(qs(list.same_caption), {same}));
    }
    (spec_.values.empty() ? value_row : same_row)->addWidget(slave_group);
    value_row->addStretch();
    same_row->addStretch();

    set_button_ = new QPushButton(QStringLiteral("設定"));
    set_all_button_ = new QPushButton(QStringLiteral("全設定"));
    for (QPushButton* b : {set_button_, set_all_button_}) b->setAutoDefault(false);
    connect(set_button_, &QPushButton::clicked, this, &PageListDialog::press_set);
    connect(set_all_button_, &QPushButton::clicked, this, &PageListDialog::press_set_all);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view_);
    layout->addLayout(value_row);
    layout->addLayout(same_row);
    extra_ = new QVBoxLayout;
    layout->addLayout(extra_);

    if (spec_.all == nullptr) {
        progress_ = new QProgressBar;
        progress_->setRange(0, k_page_slots);
        progress_->setValue(0);
        progress_->setTextVisible(false);
        percent_ = new QLineEdit;
        percent_->setReadOnly(true);
        percent_->setFocusPolicy(Qt::NoFocus);
        percent_->setFixedWidth(48);
        percent_->setAlignment(Qt::AlignRight);
        auto* progress_row = new QHBoxLayout;
        progress_row->addWidget(progress_, 1);
        progress_row->addWidget(percent_);
        progress_row->addWidget(new QLabel(QStringLiteral("％")));
        progress_row->addWidget(make_stop_button());
        layout->addLayout(progress_row);
        layout->addWidget(make_stop_note());
    }

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(set_button_);
    buttons->addWidget(set_all_button_);
    buttons->addWidget(make_close_button());
    layout->addLayout(buttons);

    view_->request_repaint(PageListView::k_open_delay_ms);
}

PageListDialog::~PageListDialog()
{
    // The run's end handlers reach into this dialog's widgets: end it while they exist.
    run().cancel();
}

void PageListDialog::redraw_list()
{
    view_->draw_now();
}

void PageListDialog::choose_page(int index)
{
    model().choices.current_page = index;
    reselect_values();
    redraw_list();
    page_chosen();
}

void PageListDialog::reselect_values()
{
    for (std::size_t i = 0; i < spec_.values.size(); ++i)
        select_quietly(value_lists_[i], chosen_value(spec_.values[i]));
}

void PageListDialog::choose_value(std::size_t list, int index)
{
    const int slot = current_slot();
    if (!slot_in_range(slot))
        return;
    (model().config.pages.*spec_.values[list].values)[static_cast<std::size_t>(slot)] = index;
    redraw_list();
}

void PageListDialog::choose_same_for_all(std::size_t list, int index)
{
    apply_same_for_all(model(), spec_.values[list], index);
    reselect_values();
    redraw_list();
}

void PageListDialog::press_set()
{
    if (run_active())
        return;
    send_built(program_context(), spec_.one(model().config, model().choices.current_page));
}

void PageListDialog::press_set_all()
{
    if (spec_.all != nullptr) {
        if (!run_active())
            send_command(program_context(), spec_.all(model().config));
        return;
    }
    start_title_run();
}

void PageListDialog::start_title_run()
{
    if (!confirm_run())
        return;
    RunSteps steps;
    steps.last = k_page_slots;
    steps.perform = [](int step) {
        if (send_built(program_context(), page_title_command(model().config, step - 1)))
            return StepResult::sent;
        link_status().reply_error = 1;
        return StepResult::end_now;
    };
    steps.progress = [this](int step) { show_run_progress(step); };
    steps.finished = [this](RunEnd end) { end_title_run(end); };
    start_run(std::move(steps), k_title_run_period_ms);
}

void PageListDialog::show_run_progress(int step)
{
    percent_->setText(QString::number(step * 100 / k_page_slots));
    progress_->setValue(step);
}

void PageListDialog::end_title_run(RunEnd end)
{
    // An error answer leaves the progress where it stopped, for the operator to see.
    if (end == RunEnd::completed || end == RunEnd::ended_on_failure) {
        percent_->setText(QStringLiteral("  "));
        progress_->setValue(0);
    }
}

}  // namespace velta
