#include "ui/device/network_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QVBoxLayout>

#include "core/device/device_items.h"
#include "core/device/dialog_text.h"
#include "core/device/network_commands.h"
#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "core/wire/framing.h"
#include "link/text_cp932.h"
#include "program/program_context.h"
#include "ui/device/device_rows_widgets.h"
#include "ui/widgets/dialog_widgets.h"

namespace velta {

namespace {
DeviceSettings& dev()
{
    return model().config.device;
}

constexpr std::array<NetAddress, 3> k_address_order{NetAddress::ip, NetAddress::gateway,
                                                    NetAddress::active};
}  // namespace

NetworkDialog::NetworkDialog(QWidget* parent)
    : SettingsDialog(QStringLiteral("プロトコルの設定"), "プロトコルの設定 ", parent)
{
    DeviceSettings& d = dev();
    auto* grid = new QGridLayout;

    const std::array<QString, 3> captions{QStringLiteral("IP Address"),
                                          QStringLiteral("Gateway Address"),
                                          QStringLiteral("Active Address")};
    const std::array<QString, 3> names{QStringLiteral("send_net_ip_address"),
                                       QStringLiteral("send_net_gateway"),
                                       QStringLiteral("send_net_eaa")};
    for (std::size_t i = 0; i < addresses_.size(); ++i) {
        addresses_[i] = new IpAddressField;
        IpAddressField* field = addresses_[i];
        const NetAddress which = k_address_order[i];
        // The field is read only when its button is pressed; until then edits stay in it.
        grid->addWidget(
            setting_group(
                captions[i], field, names[i],
                [field, which] {
                    if (const auto address = field->checked_value(net_address_caption(which))) {
                        net_address_field(model().extras, which) = *address;
                        send_command(program_context(), net_address_command(model().extras, which));
                    }
                }),
            static_cast<int>(i), 0);
    }

    mac_ = new QLineEdit;
    mac_->setReadOnly(true);
    progress_ = progress_bar(11);
    auto* mac_group = group_row(QStringLiteral("MAC Address"), {mac_});
    auto* read_row = new QWidget;
    auto* read_layout = new QHBoxLayout(read_row);
    read_layout->setContentsMargins(0, 0, 0, 0);
    read_layout->addWidget(send_button(
        QStringLiteral("read_network"), [this] { start_read(); }, QStringLiteral("読み込み")));
    read_layout->addWidget(progress_);
    read_layout->addWidget(make_stop_button());
    auto* mac_column = new QVBoxLayout;
    mac_column->addWidget(mac_group);
    mac_column->addWidget(read_row);
    grid->addLayout(mac_column, 3, 0);

    subnet_ = field_combo(item_list(k_subnet_items), d.net_subnet_class);
    port_ = byte_limited_edit(model().extras.port_number, k_port_text_max, [](std::string text) {
        model().extras.port_number = std::move(text);
    });
    port_->setMaximumWidth(70);
    ect_ = field_combo(item_list(k_net_off_on_items), d.net_ect);
    keep_alive_ = field_combo(item_list(k_net_off_on_items), d.net_keep_alive);
    etr_ = field_combo(item_list(k_time_register_items), d.net_etr);
    version_ = new QLineEdit;
    version_->setReadOnly(true);

    grid->addWidget(
        setting_group(QStringLiteral("Subnet Mask"), subnet_,
                      QStringLiteral("send_net_subnet_class"), sends(net_subnet_class_command)),
        0, 1);
    grid->addWidget(
        setting_group(
            QStringLiteral("Port Number"), port_, QStringLiteral("send_port_number"),
            [] { send_built(program_context(), port_number_command(model().extras.port_number)); }),
        1, 1);
    grid->addWidget(setting_group(QStringLiteral("Connection Try"), ect_,
                                  QStringLiteral("send_net_ect"), sends(net_ect_command)),
                    2, 1);
    grid->addWidget(
        setting_group(QStringLiteral("Keep Alive"), keep_alive_,
                      QStringLiteral("send_net_keep_alive"), sends(net_keep_alive_command)),
        3, 1);
    grid->addWidget(setting_group(QStringLiteral("Time Register"), etr_,
                                  QStringLiteral("send_net_etr"), sends(net_etr_command)),
                    4, 1);
    grid->addWidget(group_row(QStringLiteral("Version Number"), {version_}), 4, 0);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(make_stop_note(), 1);
    bottom->addWidget(make_close_button());
    layout->addLayout(bottom);
    refresh();
}

void NetworkDialog::refresh()
{
    const DeviceSettings& d = dev();
    for (std::size_t i = 0; i < addresses_.size(); ++i)
        addresses_[i]->set_value(net_address_field(model().extras, k_address_order[i]));
    select_quietly(subnet_, d.net_subnet_class);
    {
        const QSignalBlocker block(port_);
        port_->setText(from_cp932(model().extras.port_number));
    }
    select_quietly(ect_, d.net_ect);
    select_quietly(keep_alive_, d.net_keep_alive);
    select_quietly(etr_, d.net_etr);
    mac_->setText(from_cp932(model().extras.net_mac_address));
    version_->setText(from_cp932(model().extras.firmware_version));
}

void NetworkDialog::start_read()
{
    RunSteps steps;
    // One tick after the last query sends nothing: it lets the last answer come in, so that an
    // error answer to it ends the run like any other, without the refresh.
    steps.last = k_network_read_queries + 1;
    steps.perform = [](int step) {
        if (step <= k_network_read_queries)
            send_command(program_context(),
                         k_network_read_order[static_cast<std::size_t>(step - 1)]);
        return StepResult::sent;
    };
    steps.progress = [this](int step) {
        if (step <= k_network_read_queries)
            progress_->setValue(progress_->value() + 1);
    };
    steps.finished = [this](RunEnd end) {
        if (end != RunEnd::completed)
            return;  // an error answer: what was read stays, the controls are not refreshed
        progress_->setValue(0);
        refresh();
    };
    if (start_run(std::move(steps), k_network_read_period_ms))
        progress_->setValue(0);
}

}  // namespace velta
