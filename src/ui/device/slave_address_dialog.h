#pragma once
// "機器のスレーブアドレス": the RS-485 address commands go to, "Bloadcast" for all.

#include "ui/widgets/settings_dialog.h"

class QComboBox;

namespace velta {

class SlaveAddressDialog : public SettingsDialog {
    Q_OBJECT
public:
    explicit SlaveAddressDialog(QWidget* parent = nullptr);
    QComboBox* address_list() const { return list_; }

private:
    QComboBox* list_ = nullptr;
};

}  // namespace velta
