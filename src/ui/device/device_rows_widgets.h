#pragma once
// The building blocks of the device-wide dialogs: an item table turned into list items, a
// drop-down list bound to an int of the model, and a captioned group with the control and its
// own "設定" button. Each button is named after what it sends, so tests can find it.

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>
#include <array>
#include <functional>
#include <string_view>

#include "core/wire/paced_run.h"
#include "ui/widgets/dialog_widgets.h"

namespace velta {

template <std::size_t N>
QStringList item_list(const std::array<std::string_view, N>& items)
{
    QStringList out;
    for (std::string_view item : items) out << qs(item);
    return out;
}

// A list showing `field` and writing the chosen index into it; `after` runs after each choice.
QComboBox* field_combo(const QStringList& items, int& field, std::function<void()> after = {});

QPushButton* send_button(const QString& name, std::function<void()> send,
                         const QString& text = QStringLiteral("設定"));

// caption: the control and a "設定" button named `name` that calls send.
QGroupBox* setting_group(const QString& caption, QWidget* control, const QString& name,
                         std::function<void()> send);

// A read-only percent field followed by "％".
QWidget* percent_row(QLineEdit*& field);

// A run's progress bar, range 0..maximum, without text of its own.
QProgressBar* progress_bar(int maximum);

// Shows a run's progress: after each step the percent of `steps` and one more on the bar; at a
// completed run the percent is blanked, the bar goes back to 0 and `completed` runs. A stopped
// run leaves both where they were.
void show_progress(RunSteps& run, QProgressBar* bar, QLineEdit* percent, int steps,
                   std::function<void()> completed);

}  // namespace velta
