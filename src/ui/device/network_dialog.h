#pragma once
// "プロトコルの設定": the device's own IP, gateway and active address, subnet, port and
// options, each with its own "設定", and "読み込み", which reads them all back in a short run.

#include <QWidget>
#include <array>

#include "ui/widgets/ip_address_widgets.h"
#include "ui/widgets/settings_dialog.h"

class QComboBox;
class QLineEdit;
class QProgressBar;

namespace velta {

class NetworkDialog : public SettingsDialog {
    Q_OBJECT
public:
    explicit NetworkDialog(QWidget* parent = nullptr);

    IpAddressField* address_field(int which) const
    {
        return addresses_.at(static_cast<std::size_t>(which));
    }
    QLineEdit* port_edit() const { return port_; }
    QLineEdit* mac_edit() const { return mac_; }
    QLineEdit* version_edit() const { return version_; }
    QComboBox* subnet_list() const { return subnet_; }
    QProgressBar* progress() const { return progress_; }

    void start_read();

private:
    void refresh();

    std::array<IpAddressField*, 3> addresses_{};
    QLineEdit* port_ = nullptr;
    QLineEdit* mac_ = nullptr;
    QLineEdit* version_ = nullptr;
    QComboBox* subnet_ = nullptr;
    QComboBox* ect_ = nullptr;
    QComboBox* keep_alive_ = nullptr;
    QComboBox* etr_ = nullptr;
    QProgressBar* progress_ = nullptr;
};

}  // namespace velta
