#include "ui/device/device_rows_widgets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include "core/device/batch_steps.h"

namespace velta {

QComboBox* field_combo(const QStringList& items, int& field, std::function<void()> after)
{
    int* f = &field;  // a field of the process-wide model: lives as long as the program
    return bound_combo(
        items, [f] { return *f; }, [f](int index) { *f = index; }, std::move(after));
}

QPushButton* send_button(const QString& name, std::function<void()> send, const QString& text)
{
    auto* button = new QPushButton(text);
    button->setObjectName(name);
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, button, [send = std::move(send)] { send(); });
    return button;
}

QGroupBox* setting_group(const QString& caption, QWidget* control, const QString& name,
                         std::function<void()> send)
{
    return group_row(caption, {control, send_button(name, std::move(send))});
}

QWidget* percent_row(QLineEdit*& field)
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    field = new QLineEdit;
    field->setReadOnly(true);
    field->setMaximumWidth(48);
    field->setAlignment(Qt::AlignRight);
    layout->addWidget(field);
    layout->addWidget(new QLabel(QStringLiteral("％")));
    layout->addStretch();
    return row;
}

QProgressBar* progress_bar(int maximum)
{
    auto* bar = new QProgressBar;
    bar->setRange(0, maximum);
    bar->setValue(0);
    bar->setTextVisible(false);
    return bar;
}

void show_progress(RunSteps& run, QProgressBar* bar, QLineEdit* percent, int steps,
                   std::function<void()> completed)
{
    run.progress = [bar, percent, steps](int step) {
        percent->setText(QString::number(batch_percent(step, steps)));
        bar->setValue(bar->value() + 1);
    };
    run.finished = [bar, percent, completed = std::move(completed)](RunEnd end) {
        if (end != RunEnd::completed)
            return;
        percent->setText(QStringLiteral("   "));
        bar->setValue(0);
        completed();
    };
}

}  // namespace velta
