#pragma once
// The title dialog: the page dialog of titles with an edit for the title of the chosen slot,
// held to what the device takes (56 bytes of code page 932, a full-width character counting
// two, half-width input made full-width as it comes), a note saying what the edit changed, and
// Japanese input switched on while it is open.

#include "ui/pages/page_list_dialog.h"

class QLabel;
class QLineEdit;

namespace velta {

class TitleInput;

class TitleDialog : public PageListDialog {
    Q_OBJECT
public:
    explicit TitleDialog(QWidget* parent = nullptr);

    QLineEdit* title_edit() const { return edit_; }
    QLabel* title_note() const { return note_; }

    void done(int result) override;

protected:
    void page_chosen() override;

private:
    void load_title();
    void title_edited(const QString& text);

    QLineEdit* edit_ = nullptr;
    QLabel* note_ = nullptr;
    TitleInput* input_ = nullptr;
    bool said_converted_ = false;
    bool loading_ = false;
    bool input_panel_was_visible_ = false;
};

}  // namespace velta
