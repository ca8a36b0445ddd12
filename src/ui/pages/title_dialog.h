#pragma once
// The title dialog: the page dialog of titles with an edit for the title of the chosen slot,
// held to what the device takes (56 bytes of code page 932, a full-width character counting
// two), and Japanese input switched on while it is open.

#include "ui/pages/page_list_dialog.h"

class QLineEdit;

namespace velta {

class TitleDialog : public PageListDialog {
    Q_OBJECT
public:
    explicit TitleDialog(QWidget* parent = nullptr);

    QLineEdit* title_edit() const { return edit_; }

    void done(int result) override;

protected:
    void page_chosen() override;

private:
    void load_title();
    void title_edited(const QString& text);

    QLineEdit* edit_ = nullptr;
    bool loading_ = false;
    bool input_panel_was_visible_ = false;
};

}  // namespace velta
