#pragma once
// "アラームの設定": alarm mode, hold time, polarity, display, return and the connector table,
// each with its own "設定".

#include "ui/widgets/settings_dialog.h"

class QLineEdit;

namespace velta {

class ConnectorTable;

class AlarmDialog : public SettingsDialog {
    Q_OBJECT
public:
    explicit AlarmDialog(QWidget* parent = nullptr);

    QLineEdit* hold_time_edit() const { return hold_time_; }
    ConnectorTable* connectors() const { return connectors_; }

private:
    QLineEdit* hold_time_ = nullptr;
    ConnectorTable* connectors_ = nullptr;
};

}  // namespace velta
