#pragma once
// "外字挿入": puts a registered glyph into a page title at a chosen position.

#include "ui/widgets/settings_dialog.h"

class QComboBox;

namespace velta {

class GlyphInsertDialog : public SettingsDialog {
    Q_OBJECT
public:
    explicit GlyphInsertDialog(QWidget* parent = nullptr);

    QComboBox* page_list() const { return page_list_; }
    QComboBox* size_list() const { return size_list_; }
    QComboBox* number_list() const { return number_list_; }
    QComboBox* position_list() const { return position_list_; }

private:
    void size_changed();

    QComboBox* page_list_ = nullptr;
    QComboBox* size_list_ = nullptr;
    QComboBox* number_list_ = nullptr;
    QComboBox* position_list_ = nullptr;
};

}  // namespace velta
