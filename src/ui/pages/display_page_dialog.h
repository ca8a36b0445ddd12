#pragma once
// The display page dialog: which page the device shows now ("PAS " for automatic switching)
// and whether the title display is on, each with its own "設定".

#include "ui/widgets/settings_dialog.h"

class QComboBox;
class QPushButton;

namespace velta {

class DisplayPageDialog : public SettingsDialog {
    Q_OBJECT
public:
    explicit DisplayPageDialog(QWidget* parent = nullptr);

    QComboBox* page_list() const { return page_list_; }
    QComboBox* on_off_list() const { return on_off_list_; }
    QPushButton* page_set_button() const { return page_set_; }
    QPushButton* on_off_set_button() const { return on_off_set_; }

private:
    QComboBox* page_list_ = nullptr;
    QComboBox* on_off_list_ = nullptr;
    QPushButton* page_set_ = nullptr;
    QPushButton* on_off_set_ = nullptr;
};

}  // namespace velta
