#include "ui/device/connector_table_widgets.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "core/model/settings_model.h"
#include "program/program_context.h"
#include "ui/widgets/dialog_widgets.h"

namespace velta {

ConnectorTable::ConnectorTable(std::function<void()> send, QWidget* parent)
    : QGroupBox(QStringLiteral("コネクター番号割り付け"), parent)
{
    // The page count is that of the page mode at opening; a stored page beyond it selects
    // nothing and is still sent as stored.
    const QStringList pages = number_items(1, page_count(), 3);
    auto* grid = new QGridLayout(this);
    for (int i = 0; i < 8; ++i) {
        const auto n = static_cast<std::size_t>(i);
        lists_[n] = bound_combo(
            pages, [n] { return model().config.device.connector_assignment[n]; },
            [n](int index) { model().config.device.connector_assignment[n] = index; });
        grid->addWidget(new QLabel(QStringLiteral("No.%1").arg(i + 1)), i % 4, (i / 4) * 2);
        grid->addWidget(lists_[n], i % 4, (i / 4) * 2 + 1);
    }
    send_button_ = new QPushButton(QStringLiteral("設定"));
    send_button_->setAutoDefault(false);
    connect(send_button_, &QPushButton::clicked, this, [send = std::move(send)] { send(); });
    grid->addWidget(send_button_, 4, 3, Qt::AlignRight);
}

}  // namespace velta
