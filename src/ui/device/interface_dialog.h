#pragma once
// "インターフェイスの設定": serial (RS-232C/485) or TCP/IP.

#include "ui/device/connection_dialog.h"

class QComboBox;

namespace velta {

class InterfaceDialog : public ConnectionDialog {
    Q_OBJECT
public:
    explicit InterfaceDialog(QWidget* parent = nullptr);
    QComboBox* interface_list() const { return list_; }

private:
    QComboBox* list_ = nullptr;
};

}  // namespace velta
