#pragma once
// "TCP/IPの設定(Client)": the list of device hosts, the port, and connecting to the chosen
// host.

#include "ui/device/connection_dialog.h"

class QListWidget;
class QPushButton;

namespace velta {

class IpAddressField;

class TcpClientDialog : public ConnectionDialog {
    Q_OBJECT
public:
    explicit TcpClientDialog(QWidget* parent = nullptr);

    IpAddressField* address_field() const { return address_; }
    QListWidget* host_list() const { return hosts_; }
    QPushButton* add_button() const { return add_; }
    QPushButton* delete_button() const { return delete_; }
    QPushButton* connect_button() const { return connect_; }
    QPushButton* disconnect_button() const { return disconnect_; }

    void add_address();
    void delete_selected();
    void choose_host(int index);
    void connect_host();
    void disconnect_host();

protected:
    void refresh() override;

private:
    void show_buttons();
    void write_selection();

    IpAddressField* address_ = nullptr;
    QListWidget* hosts_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* connect_ = nullptr;
    QPushButton* disconnect_ = nullptr;
};

}  // namespace velta
