#pragma once
// "クライアント/サーバー": whether the tool connects to a device or devices connect to it.

#include "ui/device/connection_dialog.h"

class QComboBox;

namespace velta {

class ClientServerDialog : public ConnectionDialog {
    Q_OBJECT
public:
    explicit ClientServerDialog(QWidget* parent = nullptr);
    QComboBox* role_list() const { return list_; }

private:
    QComboBox* list_ = nullptr;
};

}  // namespace velta
