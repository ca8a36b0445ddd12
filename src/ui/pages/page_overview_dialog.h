#pragma once
// "全ページ一覧": every page slot in one table beside the page dialogs, which stay as they are.
// Cells are edited in place, many rows take one value in one step, rows are filtered by their
// title or by what differs from the saved file or the device, cells are copied and pasted as a
// spreadsheet's, the table goes to and comes from a CSV file, and the chosen pages are sent
// with the commands of the dialogs' "設定", answer-paced. A preview shows the chosen page on
// the picture. Every change is one undo step; the dialogs and the table show the same values.

#include <QString>
#include <functional>
#include <vector>

#include "core/pages/page_sends.h"
#include "ui/widgets/settings_dialog.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QTableView;

namespace velta {

class PageRowFilter;
class PageTableModel;
class PagePreview;
class PagePreviewStrip;

class PageOverviewDialog : public SettingsDialog {
    Q_OBJECT
public:
    explicit PageOverviewDialog(QWidget* parent = nullptr);
    ~PageOverviewDialog() override;

    // Where the CSV buttons read and write; a test names the file instead of asking.
    using FileChooser = std::function<QString(bool save)>;
    void set_file_chooser(FileChooser chooser) { chooser_ = std::move(chooser); }

    QTableView* table() const { return table_; }
    PageTableModel* table_model() const { return model_; }
    PageRowFilter* rows() const { return rows_; }
    QLineEdit* filter_edit() const { return filter_; }
    QComboBox* show_list() const { return show_; }
    QComboBox* bulk_column() const { return bulk_column_; }
    QComboBox* bulk_value() const { return bulk_value_; }
    QLineEdit* bulk_title() const { return bulk_title_; }
    QPushButton* bulk_button() const { return bulk_set_; }
    QPushButton* undo_button() const { return undo_; }
    QPushButton* redo_button() const { return redo_; }
    QPushButton* send_button() const { return send_; }
    QProgressBar* send_progress() const { return progress_; }
    QLabel* note() const { return note_; }
    PagePreview* preview() const { return preview_; }

    // The slots of the selected rows, in slot order.
    std::vector<int> selected_slots() const;
    // The buttons' actions.
    void set_column_for_selection();
    void export_csv();
    void import_csv();
    void send_selected();
    void copy_selection();
    void paste_clipboard();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* make_filter_row();
    QWidget* make_bulk_row();
    QWidget* make_button_row();
    QWidget* make_preview_area();
    void fill_bulk_values();
    void configuration_changed();
    void refresh_pictures();
    void history_changed();
    void selection_moved();
    void end_send(RunEnd end);
    void update_caption();

    PageTableModel* model_ = nullptr;
    PageRowFilter* rows_ = nullptr;
    QTableView* table_ = nullptr;
    QLineEdit* filter_ = nullptr;
    QComboBox* show_ = nullptr;
    QComboBox* bulk_column_ = nullptr;
    QStackedWidget* bulk_values_ = nullptr;
    QComboBox* bulk_value_ = nullptr;
    QLineEdit* bulk_title_ = nullptr;
    QPushButton* bulk_set_ = nullptr;
    QPushButton* undo_ = nullptr;
    QPushButton* redo_ = nullptr;
    QPushButton* send_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* note_ = nullptr;
    PagePreview* preview_ = nullptr;
    PagePreviewStrip* strip_ = nullptr;
    FileChooser chooser_;
    std::vector<PageSend> sends_;
    DeviceSettings previewed_device_;
    // The strip shows two pages either side: in two-line mode five slots either side.
    static constexpr int k_strip_reach = 5;
};

}  // namespace velta
