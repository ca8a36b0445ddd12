#pragma once
// One page dialog, configured by its entry of the page dialog table: the drawn list of the
// block around current_page, the "ページ" list, the value lists with their same-for-all
// partners, the slave address, "設定", "全設定" and "Close". The title dialog's "全設定" is a
// paced run with a progress bar and a percent field.

#include <QBoxLayout>
#include <vector>

#include "core/pages/page_dialog_table.h"
#include "ui/widgets/settings_dialog.h"

class QComboBox;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace velta {

class PageListView;

class PageListDialog : public SettingsDialog {
    Q_OBJECT
public:
    explicit PageListDialog(PageDialogKind kind, QWidget* parent = nullptr);
    ~PageListDialog() override;

    static constexpr int k_title_run_period_ms = 600;

    const PageDialogSpec& spec() const { return spec_; }
    PageListView* list_view() const { return view_; }
    QComboBox* page_list() const { return page_list_; }
    QComboBox* value_list(int i) const { return value_lists_.at(static_cast<std::size_t>(i)); }
    QComboBox* same_list(int i) const { return same_lists_.at(static_cast<std::size_t>(i)); }
    QPushButton* set_button() const { return set_button_; }
    QPushButton* set_all_button() const { return set_all_button_; }
    QProgressBar* progress_bar() const { return progress_; }  // title only
    QLineEdit* percent_field() const { return percent_; }     // title only

protected:
    // Where a dialog puts controls of its own, between the lists and the buttons.
    QBoxLayout* extra_area() const { return extra_; }
    // Called after the operator chose another page.
    virtual void page_chosen() {}
    void redraw_list();

private:
    void choose_page(int index);
    void choose_value(std::size_t list, int index);
    void choose_same_for_all(std::size_t list, int index);
    void reselect_values();
    void press_set();
    void press_set_all();
    void start_title_run();
    void show_run_progress(int step);
    void end_title_run(RunEnd end);

    const PageDialogSpec& spec_;
    PageListView* view_ = nullptr;
    QComboBox* page_list_ = nullptr;
    std::vector<QComboBox*> value_lists_;
    std::vector<QComboBox*> same_lists_;
    QPushButton* set_button_ = nullptr;
    QPushButton* set_all_button_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLineEdit* percent_ = nullptr;
    QBoxLayout* extra_ = nullptr;
};

}  // namespace velta
