#include "ui/pages/page_overview_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <set>

#include "core/common/file_io.h"
#include "core/common/message_boxes.h"
#include "core/model/document.h"
#include "core/pages/page_csv.h"
#include "core/pages/page_table.h"
#include "core/wire/framing.h"
#include "core/wire/link_status.h"
#include "core/wire/peer_table.h"
#include "link/text_cp932.h"
#include "program/program_context.h"
#include "ui/pages/page_cell_delegate.h"
#include "ui/pages/page_preview.h"
#include "ui/pages/page_preview_strip.h"
#include "ui/pages/page_table_clipboard.h"
#include "ui/pages/page_table_model.h"
#include "ui/widgets/config_edits.h"
#include "ui/widgets/dialog_widgets.h"

namespace velta {
namespace {

constexpr std::uintmax_t k_csv_max_bytes = 1u << 20;

QString ask_csv_file(bool save, QWidget* owner)
{
    QFileDialog dialog(owner, save ? QStringLiteral("CSV書き出し") : QStringLiteral("CSV読み込み"));
    dialog.setNameFilters({QStringLiteral("CSV(*.csv)"), QStringLiteral("すべて(*.*)")});
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (save)
        dialog.setDefaultSuffix(QStringLiteral("csv"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QPushButton* button(const QString& text, const char* name)
{
    auto* b = new QPushButton(text);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

}  // namespace

PageOverviewDialog::PageOverviewDialog(QWidget* parent)
    : SettingsDialog(QStringLiteral("全ページ一覧"), "全ページ一覧 ", parent),
      chooser_([this](bool save) { return ask_csv_file(save, this); })
{
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setWindowFlag(Qt::WindowMinimizeButtonHint, true);

    model_ = new PageTableModel(this);
    rows_ = new PageRowFilter(this);
    rows_->setSourceModel(model_);

    table_ = new QTableView;
    table_->setObjectName(QStringLiteral("page_table"));
    table_->setModel(rows_);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setSelectionBehavior(QAbstractItemView::SelectItems);
    table_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed);
    table_->setItemDelegate(
        new PageCellDelegate([this](const QString& t) { note_->setText(t); }, table_));
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    table_->horizontalHeader()->setStretchLastSection(false);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    // Room for twenty full-width characters; longer titles show when the column is widened.
    table_->setColumnWidth(0, table_->fontMetrics().horizontalAdvance(QString(20, QChar(0x3000))));
    for (int c = 1; c < k_page_columns; ++c) table_->resizeColumnToContents(c);
    table_->installEventFilter(this);
    installEventFilter(this);

    auto* splitter = new QSplitter;
    splitter->addWidget(table_);
    splitter->addWidget(make_preview_area());
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    splitter->setSizes({760, 580});

    note_ = new QLabel;
    note_->setObjectName(QStringLiteral("overview_note"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(make_filter_row());
    layout->addWidget(splitter, 1);
    layout->addWidget(make_bulk_row());
    layout->addWidget(note_);
    layout->addWidget(make_button_row());

    previewed_device_ = model().config.device;
    ConfigEdits& edits = ConfigEdits::instance();
    connect(&edits, &ConfigEdits::changed, this, &PageOverviewDialog::configuration_changed);
    connect(&edits, &ConfigEdits::history_changed, this, &PageOverviewDialog::history_changed);
    connect(table_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &PageOverviewDialog::selection_moved);
    // Undo and redo here as in the main window; an open cell editor keeps its own.
    auto* undo_keys = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), this);
    connect(undo_keys, &QShortcut::activated, this, [] { ConfigEdits::instance().undo(); });
    auto* redo_keys = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y), this);
    connect(redo_keys, &QShortcut::activated, this, [] { ConfigEdits::instance().redo(); });

    resize(1340, 760);
    table_->setCurrentIndex(rows_->index(0, 0));
    history_changed();
    update_caption();
}

PageOverviewDialog::~PageOverviewDialog() = default;

QWidget* PageOverviewDialog::make_filter_row()
{
    filter_ = new QLineEdit;
    filter_->setObjectName(QStringLiteral("title_filter"));
    filter_->setPlaceholderText(QStringLiteral("タイトルに含む文字"));
    filter_->setClearButtonEnabled(true);
    connect(filter_, &QLineEdit::textChanged, rows_, &PageRowFilter::set_title_text);

    show_ = new QComboBox;
    show_->setObjectName(QStringLiteral("row_show"));
    show_->addItems({QStringLiteral("すべてのページ"),
                     QStringLiteral("保存したファイルと違うページ"),
                     QStringLiteral("デバイスと違うページ")});
    connect(show_, &QComboBox::currentIndexChanged, this, [this](int i) {
        rows_->set_show(static_cast<RowShow>(i));
        if (rows_->show() == RowShow::unlike_device && !device_reading())
            note_->setText(
                QStringLiteral("デバイスの値がまだありません。「デバイスと比較…」で読み込むと違うペ"
                               "ージを表示します。"));
    });

    auto* select_all = button(QStringLiteral("表示中をすべて選択"), "select_shown");
    connect(select_all, &QPushButton::clicked, table_, &QTableView::selectAll);

    auto* row = new QWidget;
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    h->addWidget(new QLabel(QStringLiteral("絞り込み")));
    h->addWidget(filter_, 1);
    h->addWidget(show_);
    h->addWidget(select_all);
    return row;
}

QWidget* PageOverviewDialog::make_bulk_row()
{
    bulk_column_ = new QComboBox;
    bulk_column_->setObjectName(QStringLiteral("bulk_column"));
    for (int c = 0; c < k_page_columns; ++c)
        bulk_column_->addItem(qs(page_column_name(static_cast<PageColumn>(c))));
    bulk_value_ = new QComboBox;
    bulk_value_->setObjectName(QStringLiteral("bulk_value"));
    bulk_title_ = new QLineEdit;
    bulk_title_->setObjectName(QStringLiteral("bulk_title"));
    bulk_values_ = new QStackedWidget;
    bulk_values_->addWidget(bulk_title_);
    bulk_values_->addWidget(bulk_value_);
    connect(bulk_column_, &QComboBox::currentIndexChanged, this,
            &PageOverviewDialog::fill_bulk_values);
    bulk_column_->setCurrentIndex(static_cast<int>(PageColumn::border_color));
    fill_bulk_values();

    bulk_set_ = button(QStringLiteral("選択したページに設定"), "bulk_set");
    connect(bulk_set_, &QPushButton::clicked, this, &PageOverviewDialog::set_column_for_selection);

    auto* row = new QWidget;
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    h->addWidget(new QLabel(QStringLiteral("選択したページの")));
    h->addWidget(bulk_column_);
    h->addWidget(new QLabel(QStringLiteral("を")));
    h->addWidget(bulk_values_, 1);
    h->addWidget(bulk_set_);
    return row;
}

QWidget* PageOverviewDialog::make_button_row()
{
    undo_ = button(QStringLiteral("元に戻す"), "undo");
    redo_ = button(QStringLiteral("やり直し"), "redo");
    connect(undo_, &QPushButton::clicked, this, [] { ConfigEdits::instance().undo(); });
    connect(redo_, &QPushButton::clicked, this, [] { ConfigEdits::instance().redo(); });
    auto* export_button = button(QStringLiteral("CSV書き出し…"), "csv_export");
    auto* import_button = button(QStringLiteral("CSV読み込み…"), "csv_import");
    connect(export_button, &QPushButton::clicked, this, &PageOverviewDialog::export_csv);
    connect(import_button, &QPushButton::clicked, this, &PageOverviewDialog::import_csv);

    send_ = button(QStringLiteral("選択ページを送信"), "send_selected");
    connect(send_, &QPushButton::clicked, this, &PageOverviewDialog::send_selected);
    progress_ = new QProgressBar;
    progress_->setObjectName(QStringLiteral("send_progress"));
    progress_->setRange(0, 1);
    progress_->setValue(0);

    auto* row = new QWidget;
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    h->addWidget(undo_);
    h->addWidget(redo_);
    h->addSpacing(12);
    h->addWidget(export_button);
    h->addWidget(import_button);
    h->addSpacing(12);
    h->addWidget(send_);
    h->addWidget(progress_, 1);
    h->addWidget(make_stop_button());
    h->addWidget(make_stop_note());
    h->addWidget(make_close_button());
    return row;
}

QWidget* PageOverviewDialog::make_preview_area()
{
    auto* area = new QWidget;
    auto* v = new QVBoxLayout(area);
    v->setContentsMargins(0, 0, 0, 0);
    preview_ = new PagePreview;
    strip_ = new PagePreviewStrip;
    connect(strip_, &PagePreviewStrip::slot_chosen, this, [this](int slot) {
        const QModelIndex at = rows_->mapFromSource(model_->index(slot, 0));
        if (at.isValid())
            table_->setCurrentIndex(at);
    });
    connect(preview_, &PagePreview::background_changed, strip_, &PagePreviewStrip::set_background);
    v->addWidget(preview_, 1);
    v->addWidget(strip_);
    return area;
}

void PageOverviewDialog::fill_bulk_values()
{
    const auto column = static_cast<PageColumn>(bulk_column_->currentIndex());
    if (column == PageColumn::title) {
        bulk_values_->setCurrentWidget(bulk_title_);
        return;
    }
    bulk_value_->clear();
    for (const std::string& item : column_items(column)) bulk_value_->addItem(qs(item));
    bulk_values_->setCurrentWidget(bulk_value_);
}

std::vector<int> PageOverviewDialog::selected_slots() const
{
    std::set<int> chosen;
    for (const QModelIndex& i : table_->selectionModel()->selectedIndexes())
        chosen.insert(rows_->mapToSource(i).row());
    return {chosen.begin(), chosen.end()};
}

void PageOverviewDialog::set_column_for_selection()
{
    const auto column = static_cast<PageColumn>(bulk_column_->currentIndex());
    const std::string value =
        (column == PageColumn::title ? bulk_title_->text() : bulk_value_->currentText())
            .toUtf8()
            .toStdString();
    std::vector<CellEdit> edits;
    for (const int slot : selected_slots())
        if (cell_index(model().config, slot, column) >= 0)
            edits.push_back({slot, column, value});
    if (edits.empty()) {
        note_->setText(QStringLiteral("ページが選ばれていません。"));
        return;
    }
    if (const auto fault = model_->set_cells(edits)) {
        error_box(fault->toStdString());
        return;
    }
    note_->setText(QStringLiteral("%1 ページの%2を設定しました。")
                       .arg(edits.size())
                       .arg(qs(page_column_name(column))));
}

void PageOverviewDialog::export_csv()
{
    const QString path = chooser_(true);
    if (path.isEmpty())
        return;
    std::string why;
    if (!write_file_atomically(path.toStdString(), pages_to_csv(model().config, cp932_title_text()),
                               &why)) {
        error_box(k_text_file_error, why);
        return;
    }
    note_->setText(QStringLiteral("%1 に書き出しました。").arg(QFileInfo(path).fileName()));
}

void PageOverviewDialog::import_csv()
{
    if (run_active())
        return;
    const QString path = chooser_(false);
    if (path.isEmpty())
        return;
    std::string why;
    const auto bytes = read_file_bytes(path.toStdString(), k_csv_max_bytes, &why);
    if (!bytes) {
        error_box(k_text_file_error, why);
        return;
    }
    const PagesImport read = pages_from_csv(model().config, *bytes, cp932_title_text());
    if (!read.config) {
        error_box(read.error);
        return;
    }
    ConfigEdits::instance().replace(*read.config);  // the whole import is one step
    note_->setText(QStringLiteral("%1 から %2 セルを読み込みました。")
                       .arg(QFileInfo(path).fileName())
                       .arg(read.changed_cells));
}

void PageOverviewDialog::send_selected()
{
    if (run_active())
        return;
    sends_ = page_sends(model().config, selected_slots());
    if (sends_.empty()) {
        note_->setText(QStringLiteral("ページが選ばれていません。"));
        return;
    }
    if (!confirm_run())
        return;
    RunSteps steps;
    steps.last = static_cast<int>(sends_.size());
    steps.perform = [this](int step) {
        const PageSend& s = sends_[static_cast<std::size_t>(step - 1)];
        if (send_built(program_context(), page_send_command(model().config, s)))
            return StepResult::sent;
        link_status().reply_error = 1;
        return StepResult::end_now;
    };
    steps.progress = [this](int step) { progress_->setValue(step); };
    steps.finished = [this](RunEnd end) { end_send(end); };
    progress_->setRange(0, steps.last);
    progress_->setValue(0);
    if (!start_run(std::move(steps), 0, Pace::answered))
        return;
    model_->set_read_only(true);
    send_->setEnabled(false);
    note_->setText(QStringLiteral("%1 件のコマンドを送信しています…").arg(sends_.size()));
}

void PageOverviewDialog::end_send(RunEnd end)
{
    model_->set_read_only(false);
    send_->setEnabled(true);
    if (end == RunEnd::completed)
        note_->setText(QStringLiteral("%1 件のコマンドを送信しました。").arg(sends_.size()));
}

void PageOverviewDialog::copy_selection()
{
    QApplication::clipboard()->setText(copied_cells(*table_, *rows_));
}

void PageOverviewDialog::paste_clipboard()
{
    QString why;
    const auto edits = pasted_cells(*table_, *rows_, QApplication::clipboard()->text(), &why);
    if (!edits) {
        error_box(why.toStdString());
        return;
    }
    if (const auto fault = model_->set_cells(*edits))
        error_box(fault->toStdString());
}

bool PageOverviewDialog::eventFilter(QObject* watched, QEvent* event)
{
    // A modal dialog that closes may have read the device ("デバイスと比較…": the rows that
    // differ from it are chosen again) or changed a custom character (a glyph dialog).
    if (watched == this && event->type() == QEvent::WindowUnblocked) {
        rows_->refresh();
        refresh_pictures();
    }
    // Keys reach the table itself only while no cell editor is open.
    if (watched == table_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Copy)) {
            copy_selection();
            return true;
        }
        if (key->matches(QKeySequence::Paste)) {
            paste_clipboard();
            return true;
        }
    }
    return SettingsDialog::eventFilter(watched, event);
}

void PageOverviewDialog::configuration_changed()
{
    const DeviceSettings device_before = previewed_device_;
    previewed_device_ = model().config.device;
    if (model_->refresh())
        rows_->refresh();
    // The pictures draw again only when what they show changed: their pages, or the device's
    // page mode and font sizes.
    const int shown = preview_->slot();
    const bool near = model_->last_changed() >= shown - k_strip_reach &&
                      model_->first_changed() <= shown + k_strip_reach;
    if (near || !(device_before == previewed_device_))
        refresh_pictures();
    update_caption();
}

void PageOverviewDialog::refresh_pictures()
{
    preview_->refresh();
    strip_->refresh();
}

void PageOverviewDialog::history_changed()
{
    undo_->setEnabled(ConfigEdits::instance().can_undo());
    redo_->setEnabled(ConfigEdits::instance().can_redo());
    update_caption();
}

void PageOverviewDialog::selection_moved()
{
    const QModelIndex at = rows_->mapToSource(table_->currentIndex());
    if (!at.isValid())
        return;
    preview_->show_slot(at.row());
    strip_->show_slot(at.row());
}

void PageOverviewDialog::update_caption()
{
    const std::string& file = document().file_name;
    const std::string address = selected_peer_address(link_settings());
    QString title = qs("全ページ一覧" + (address.empty() ? std::string() : " " + address));
    if (!file.empty())
        title += QStringLiteral(" - ") + QFileInfo(QString::fromStdString(file)).fileName();
    setWindowTitle(title + QStringLiteral("[*]"));
    setWindowModified(has_unsaved_changes(model().config));
}

}  // namespace velta
