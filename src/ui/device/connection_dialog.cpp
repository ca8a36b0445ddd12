#include "ui/device/connection_dialog.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include "core/common/message_boxes.h"
#include "core/device/host_list.h"
#include "core/model/settings_model.h"
#include "link/configuration_file.h"
#include "link/tcp_link.h"
#include "program/program_context.h"
#include "ui/widgets/dialog_widgets.h"

namespace velta {

ConnectionDialog::ConnectionDialog(const QString& caption, QWidget* parent)
    : SettingsDialog(caption, caption.toStdString(), parent)
{
    // These dialogs keep their own captions whatever peer is selected.
    setWindowTitle(caption);
}

QPushButton* ConnectionDialog::make_set_button()
{
    auto* button = new QPushButton(QStringLiteral("設定"));
    button->setDefault(true);
    connect(button, &QPushButton::clicked, this, &QDialog::accept);
    return button;
}

QLineEdit* ConnectionDialog::make_port_edit()
{
    port_ = new QLineEdit(qs(model().extras.port_number));
    port_->setMaxLength(k_port_text_max);
    port_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), port_));
    connect(port_, &QLineEdit::textChanged, this, [](const QString& text) {
        if (parse_port_text(text.toStdString()))
            model().extras.port_number = text.toStdString();
    });
    return port_;
}

bool ConnectionDialog::port_acceptable() const
{
    if (port_ == nullptr || parse_port_text(port_->text().toStdString()))
        return true;
    warning_box(k_text_bad_port);
    return false;
}

void ConnectionDialog::done(int result)
{
    if (port_ != nullptr) {
        if (!port_acceptable())
            return;
        write_configuration_text("p_port_number", model().extras.port_number);
    }
    SettingsDialog::done(result);
}

void ConnectionDialog::follow_link()
{
    TcpLink& link = TcpLink::instance();
    for (auto notice :
         {&TcpLink::connectedChanged, &TcpLink::peersChanged, &TcpLink::listeningChanged})
        connect(&link, notice, this, [this] { refresh(); });
}

}  // namespace velta
