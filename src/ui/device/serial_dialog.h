#pragma once
// "シリアル通信の設定": the port (COM 1..COM 6) and RS-232C or RS-485.

#include "ui/device/connection_dialog.h"

class QComboBox;
class QLabel;

namespace velta {

class SerialDialog : public ConnectionDialog {
    Q_OBJECT
public:
    explicit SerialDialog(QWidget* parent = nullptr);
    QComboBox* port_list() const { return ports_; }
    QComboBox* control_list() const { return control_; }
    // The device the chosen entry reaches (Linux: the mapped path).
    QLabel* device_label() const { return device_; }

private:
    void show_device();

    QComboBox* ports_ = nullptr;
    QComboBox* control_ = nullptr;
    QLabel* device_ = nullptr;
};

}  // namespace velta
