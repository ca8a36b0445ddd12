// Protects the page overview as the operator uses it: cells edited in place show in the page
// dialogs and the saved file, a filter and a selection take one value in one step, undo and
// redo reach across a dialog's edit and the table's, a refused CSV changes nothing, and cells
// pasted from a spreadsheet land where they belong.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <fstream>

#include "core/device/file_menu.h"
#include "core/model/document.h"
#include "core/model/settings_file.h"
#include "link/text_cp932.h"
#include "program/program_context.h"
#include "support/box_recorder.h"
#include "support/temp_folder.h"
#include "support/user_input.h"
#include "support/wire_capture.h"
#include "ui/pages/page_list_dialog.h"
#include "ui/pages/page_overview_dialog.h"
#include "ui/pages/page_table_model.h"
#include "ui/pages/title_dialog.h"
#include "ui/widgets/config_edits.h"

namespace velta {
namespace {

constexpr int k_border = static_cast<int>(PageColumn::border_color);
constexpr int k_char = static_cast<int>(PageColumn::char_color);
constexpr int k_fill = static_cast<int>(PageColumn::background_fill);
constexpr int k_red = 1;
constexpr int k_green = 2;

void commit_text(QWidget* w, const QString& text)
{
    QInputMethodEvent e;
    e.setCommitString(text);
    QCoreApplication::sendEvent(w, &e);
}

void click(QPushButton* b)
{
    QTest::mouseClick(b, Qt::LeftButton);
}

// The edits' look comes on the loop's next turn, as after any key or click.
void settle()
{
    QCoreApplication::processEvents();
}

class PageOverview : public ::testing::Test {
protected:
    void SetUp() override
    {
        ConfigEdits::instance().restart();
        overview_ = std::make_unique<PageOverviewDialog>();
        ASSERT_TRUE(show_active(overview_.get()));
    }
    void TearDown() override { overview_.reset(); }

    QTableView* table() { return overview_->table(); }
    // The cell of a slot in the view, with the focus on the table.
    void go_to(int slot, int column)
    {
        PageRowFilter* rows = overview_->rows();
        // A list's popup that closed may have taken the window's activation with it.
        ASSERT_TRUE(show_active(overview_.get()));
        table()->setFocus();
        // The cell alone is chosen, whatever modifier a key before left behind.
        table()->selectionModel()->setCurrentIndex(
            rows->mapFromSource(overview_->table_model()->index(slot, column)),
            QItemSelectionModel::ClearAndSelect);
    }
    // F2 opens the cell's list; the operator picks an item from it.
    void pick_in_cell(int slot, int column, int item)
    {
        go_to(slot, column);
        press_key(Qt::Key_F2);
        auto* combo = qobject_cast<QComboBox*>(QApplication::focusWidget());
        ASSERT_NE(combo, nullptr);
        pick_item(combo, item);
        settle();
    }

    WireCapture wire_;
    BoxRecorder boxes_;
    std::unique_ptr<PageOverviewDialog> overview_;
};

TEST_F(PageOverview, CellsEditedInTheTableShowInTheDialogsAndTheSavedFile)
{
    go_to(2, 0);
    press_key(Qt::Key_F2);
    type_keys(QStringLiteral("AB"));
    commit_text(QApplication::focusWidget(), QStringLiteral("特売"));
    press_key(Qt::Key_Return);
    settle();
    pick_in_cell(2, k_char, k_green);
    EXPECT_EQ(from_cp932(model().config.pages.page_title[2]), QStringLiteral("ＡＢ特売"));
    EXPECT_EQ(model().config.pages.page_char_color[2], k_green);

    model().choices.current_page = 2;
    TitleDialog title;
    EXPECT_EQ(title.title_edit()->text(), QStringLiteral("ＡＢ特売"));
    PageListDialog colours(PageDialogKind::colours);
    EXPECT_EQ(colours.value_list(0)->currentIndex(), k_green);

    TempFolder folder;
    const std::string path = folder.path("pages.dat");
    ASSERT_TRUE(file_save_as(program_context(), [&](FileDialogMode) { return path; }));
    const FileResult saved = load_settings_file(path);
    EXPECT_EQ(saved.config.pages.page_title[2], model().config.pages.page_title[2]);
    EXPECT_EQ(saved.config.pages.page_char_color[2], k_green);
}

TEST_F(PageOverview, ATitleKeepsItsCustomCharacterWhichTakesTwoBytesOfItsRoom)
{
    std::string title("\x10\x20", 2);                  // the first custom character
    for (int i = 0; i < 26; ++i) title += "\x88\x9F";  // 亜: 54 bytes in all
    model().config.pages.page_title[5] = title;
    ConfigEdits::instance().restart();

    go_to(5, 0);
    press_key(Qt::Key_F2);
    auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(edit->text().startsWith(QStringLiteral("{外字001}亜")));
    press_key(Qt::Key_End);
    commit_text(edit, QStringLiteral("あ"));  // 56 bytes: taken
    commit_text(edit, QStringLiteral("い"));  // 58 bytes: refused
    press_key(Qt::Key_Return);
    settle();
    EXPECT_EQ(model().config.pages.page_title[5], title + "\x82\xA0");
}

TEST_F(PageOverview, AFilterAndItsSelectionTakeOneValueInOneUndoStep)
{
    for (const int s : {1, 5, 9})
        model().config.pages.page_title[static_cast<std::size_t>(s)] =
            to_cp932(QStringLiteral("週末特売"));
    model().config.pages.page_title[6] = to_cp932(QStringLiteral("特価"));
    ConfigEdits::instance().restart();
    const DeviceConfig before = model().config;

    overview_->filter_edit()->setFocus();
    commit_text(overview_->filter_edit(), QStringLiteral("特売"));
    ASSERT_EQ(overview_->rows()->rowCount(), 3);
    click(overview_->findChild<QPushButton*>(QStringLiteral("select_shown")));
    EXPECT_EQ(overview_->selected_slots(), (std::vector<int>{1, 5, 9}));

    pick_item(overview_->bulk_column(), k_border);
    pick_item(overview_->bulk_value(), k_red);
    click(overview_->bulk_button());
    settle();
    for (int s = 0; s < 12; ++s)
        EXPECT_EQ(model().config.pages.page_border_color[static_cast<std::size_t>(s)],
                  s == 1 || s == 5 || s == 9 ? k_red : 0)
            << s;

    click(overview_->undo_button());
    EXPECT_EQ(model().config, before);
    EXPECT_FALSE(overview_->undo_button()->isEnabled());
    click(overview_->redo_button());
    EXPECT_EQ(model().config.pages.page_border_color[9], k_red);
}

TEST_F(PageOverview, UndoAndRedoReachAcrossADialogEditAndATableEdit)
{
    {
        model().choices.current_page = 3;
        PageListDialog colours(PageDialogKind::colours);
        ASSERT_TRUE(show_active(&colours));
        pick_item(colours.value_list(1), k_red);
        settle();
    }
    EXPECT_EQ(model().config.pages.page_border_color[3], k_red);
    ASSERT_TRUE(show_active(overview_.get()));
    // The dialog's edit shows in the table at once.
    EXPECT_EQ(overview_->table_model()->index(3, k_border).data().toString(), QStringLiteral("赤"));
    pick_in_cell(7, k_fill, 1);

    EXPECT_EQ(model().config.pages.page_background_fill[7], 1);
    EXPECT_TRUE(overview_->isWindowModified());

    go_to(0, 0);
    press_key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(model().config.pages.page_background_fill[7], 0);
    EXPECT_EQ(model().config.pages.page_border_color[3], k_red);
    press_key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(model().config.pages.page_border_color[3], 0);
    // Back at the saved state: nothing is unsaved any more.
    EXPECT_FALSE(has_unsaved_changes(model().config));
    EXPECT_FALSE(overview_->isWindowModified());

    press_key(Qt::Key_Y, Qt::ControlModifier);
    press_key(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(model().config.pages.page_border_color[3], k_red);
    EXPECT_EQ(model().config.pages.page_background_fill[7], 1);
    EXPECT_EQ(overview_->table_model()->index(7, k_fill).data().toString(), QStringLiteral("ON"));
}

TEST_F(PageOverview, ARefusedCsvChangesNothingAndAnImportIsOneStep)
{
    TempFolder folder;
    const std::string path = folder.path("pages.csv");
    overview_->set_file_chooser([&](bool) { return QString::fromStdString(path); });
    auto write = [&](const std::string& rows) {
        std::ofstream(path, std::ios::binary) << "\xEF\xBB\xBF"
                                                 "ページ,文字色\r\n"
                                              << rows;
    };
    write("002,赤\r\n300,白\r\n");
    click(overview_->findChild<QPushButton*>(QStringLiteral("csv_import")));
    EXPECT_EQ(boxes_.last_text(), "3 行目 ページ: 300 はありません");
    EXPECT_EQ(model().config, document().baseline);
    EXPECT_FALSE(overview_->undo_button()->isEnabled());

    write("002,赤\r\n3,緑\r\n");
    click(overview_->findChild<QPushButton*>(QStringLiteral("csv_import")));
    EXPECT_EQ(model().config.pages.page_char_color[1], k_red);
    EXPECT_EQ(model().config.pages.page_char_color[2], k_green);
    click(overview_->undo_button());
    EXPECT_EQ(model().config, document().baseline);
}

TEST_F(PageOverview, PastedSpreadsheetCellsLandInTheRowsShownAndCopyGivesThemBack)
{
    for (const int s : {4, 10})
        model().config.pages.page_title[static_cast<std::size_t>(s)] =
            to_cp932(QStringLiteral("特売"));
    ConfigEdits::instance().restart();
    overview_->filter_edit()->setFocus();
    commit_text(overview_->filter_edit(), QStringLiteral("特売"));
    ASSERT_EQ(overview_->rows()->rowCount(), 2);

    // Two rows of two cells, as a spreadsheet copies them, onto the two rows shown.
    QApplication::clipboard()->setText(QStringLiteral("赤\t緑\n白\t青\n"));
    go_to(4, k_char);
    press_key(Qt::Key_V, Qt::ControlModifier);
    settle();
    const PageSettings& p = model().config.pages;
    EXPECT_EQ(p.page_char_color[4], k_red);
    EXPECT_EQ(p.page_border_color[4], k_green);
    EXPECT_EQ(p.page_char_color[10], 7);
    EXPECT_EQ(p.page_border_color[10], 4);
    EXPECT_EQ(p.page_char_color[5], 7) << "a row the filter hides takes nothing";

    table()->selectAll();
    press_key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(
        QApplication::clipboard()->text(),
        QStringLiteral("特売\t下\t3\t赤\t緑\tOFF\tHIGH\r\n特売\t下\t3\t白\t青\tOFF\tHIGH\r\n"));

    // A value no list has refuses the whole paste.
    QApplication::clipboard()->setText(QStringLiteral("紫\t黒"));
    go_to(4, k_char);
    press_key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(p.page_char_color[4], k_red);
    EXPECT_EQ(p.page_border_color[4], k_green);
    EXPECT_NE(boxes_.last_text().find("ページ 005 文字色"), std::string::npos)
        << boxes_.last_text();
}

}  // namespace
}  // namespace velta
