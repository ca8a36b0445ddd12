#pragma once
// "リモートの設定": the connector table (sent with the remote head) and the remote mode.

#include "ui/widgets/settings_dialog.h"

namespace velta {

class ConnectorTable;

class RemoteDialog : public SettingsDialog {
    Q_OBJECT
public:
    explicit RemoteDialog(QWidget* parent = nullptr);

    ConnectorTable* connectors() const { return connectors_; }

private:
    ConnectorTable* connectors_ = nullptr;
};

}  // namespace velta
