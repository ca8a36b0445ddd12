#pragma once
// The eight connector lists "No.1".."No.8" with their "設定" button. The alarm and the remote
// dialog show the same table of the model; only the command head of the button differs.

#include <QGroupBox>
#include <array>
#include <functional>

class QComboBox;
class QPushButton;

namespace velta {

class ConnectorTable : public QGroupBox {
    Q_OBJECT
public:
    // send is what the "設定" button does.
    explicit ConnectorTable(std::function<void()> send, QWidget* parent = nullptr);

    QComboBox* list(int connector) const { return lists_.at(static_cast<std::size_t>(connector)); }
    QPushButton* send_button() const { return send_button_; }

private:
    std::array<QComboBox*, 8> lists_{};
    QPushButton* send_button_ = nullptr;
};

}  // namespace velta
