#pragma once
// "その他の設定": connector input, power-on page, page mode, font sizes, video-loss background
// and display offsets, each with its own "設定".

#include "ui/widgets/settings_dialog.h"

class QComboBox;

namespace velta {

class OtherSettingsDialog : public SettingsDialog {
    Q_OBJECT
public:
    explicit OtherSettingsDialog(QWidget* parent = nullptr);

    QComboBox* power_on_list() const { return power_on_; }
    QComboBox* page_mode_list() const { return page_mode_; }

private:
    void refill_power_on_list();

    QComboBox* power_on_ = nullptr;
    QComboBox* page_mode_ = nullptr;
};

}  // namespace velta
