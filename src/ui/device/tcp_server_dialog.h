#pragma once
// "TCP/IPの設定(Server)": listening for devices, the list of connected devices and the choice
// of the one commands go to, and a run on all of them at once.

#include <vector>

#include "ui/device/connection_dialog.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace velta {

class TcpServerDialog : public ConnectionDialog {
    Q_OBJECT
public:
    explicit TcpServerDialog(QWidget* parent = nullptr);

    QLineEdit* place_field() const { return place_; }
    // The local address to listen on; empty: every IPv4 address.
    QLineEdit* address_field() const { return address_; }
    // What the link last had to say: a device refused because every slot was taken.
    QLabel* note_label() const { return note_; }
    QListWidget* client_list() const { return clients_; }
    QPushButton* connect_button() const { return connect_; }
    QPushButton* disconnect_button() const { return disconnect_; }
    QPushButton* fleet_button() const { return fleet_; }

    void start_listening();
    void stop_all();
    void choose_entry(int row);
    // "全デバイスで実行…": one run on every connected device.
    void open_fleet_run();

protected:
    void refresh() override;

private:
    QLineEdit* place_ = nullptr;
    QLineEdit* address_ = nullptr;
    QLabel* note_ = nullptr;
    QListWidget* clients_ = nullptr;
    QPushButton* connect_ = nullptr;
    QPushButton* disconnect_ = nullptr;
    QPushButton* fleet_ = nullptr;
    std::vector<int> shown_slots_;  // the peer slot behind each list entry
};

}  // namespace velta
