// Protects the glyph dialogs as an operator drives them: painting on the editor grid, its
// buttons and sample read, the list pages, double clicks, bitmap export and the paced runs, the
// insertion lists, and the menu openers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <optional>

#include "core/common/file_io.h"
#include "core/common/run_activity.h"
#include "core/common/save_target.h"
#include "core/glyphs/glyph_layout.h"
#include "core/glyphs/glyph_state.h"
#include "core/glyphs/glyph_text.h"
#include "core/glyphs/glyph_transfer.h"
#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "core/wire/link_status.h"
#include "core/wire/paced_run.h"
#include "core/wire/reply_dispatcher.h"
#include "program/program_context.h"
#include "support/box_recorder.h"
#include "support/config_sandbox.h"
#include "support/wire_capture.h"
#include "ui/glyphs/glyph_editor_dialog.h"
#include "ui/glyphs/glyph_insert_dialog.h"
#include "ui/glyphs/glyph_list_dialog.h"
#include "ui/glyphs/glyph_paint_widgets.h"
#include "ui/shell/dialog_table.h"

namespace velta {
namespace {

void mouse(QWidget* w, QEvent::Type type, Qt::MouseButton button, QPoint at)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// A move with the given buttons held.
void drag(QWidget* w, Qt::MouseButtons held, QPoint at)
{
    QMouseEvent e(QEvent::MouseMove, QPointF(at), w->mapToGlobal(QPointF(at)), Qt::NoButton, held,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// Centre of the large editor's cell for glyph pixel (column, row), in dialog pixels.
QPoint large_cell(int column, int row)
{
    return {k_grid_origin + column * 10 + 5, k_grid_origin + row * 8 + 4};
}

bool cell_lit(const GlyphEditorDialog& editor, int column, int row)
{
    const GlyphEditorLayout& e = editor_layout(editor.size());
    // The cell's inside shows the brush: white when lit, blue when not.
    return editor.grid()->image().pixel(column * e.cell_width + e.cell_width / 2,
                                        row * e.cell_height + e.cell_height / 2) == k_lit_rgb;
}

std::string slot_digits(GlyphSize size, int slot)
{
    auto s = glyph_slot(model().glyphs, size, slot);
    return {s.data(), static_cast<std::size_t>(glyph_size_info(size).glyph_digits)};
}

class GlyphDialogs : public ::testing::Test {
protected:
    void SetUp() override { reset_glyph_state(); }
    void TearDown() override
    {
        reset_glyph_state();
        set_glyph_file_dialog({});
        set_glyph_editor_opener({});
    }
    WireCapture wire_;
    ConfigSandbox config_;  // the platform dialogs remember their folders in velta.ini
    BoxRecorder boxes_;
};

TEST_F(GlyphDialogs, EditorPaintsDragsAndClearsWithTheMouse)
{
    model().glyphs.glyph_transfer_index = 3;
    GlyphEditorDialog editor(GlyphSize::large);
    editor.redraw_tick();
    EXPECT_FALSE(cell_lit(editor, 1, 1));

    mouse(&editor, QEvent::MouseButtonPress, Qt::LeftButton, {22, 20});
    EXPECT_EQ(model().glyphs.glyph_work[12], '4');
    EXPECT_EQ(glyph_slot(model().glyphs, GlyphSize::large, 3)[12], '4');
    EXPECT_TRUE(cell_lit(editor, 1, 1));
    EXPECT_EQ(glyph_state().glyph_edited, 1);
    // Drag along row 5 to the far edge: every pixel passed is set, the margin never.
    for (int col = 1; col <= 47; ++col) drag(&editor, Qt::LeftButton, large_cell(col, 5));
    mouse(&editor, QEvent::MouseButtonRelease, Qt::LeftButton, large_cell(47, 5));
    EXPECT_EQ(slot_digits(GlyphSize::large, 3).substr(5 * 12, 12), "7FFFFFFFFFFE");
    EXPECT_TRUE(cell_lit(editor, 46, 5));
    EXPECT_FALSE(cell_lit(editor, 47, 5));
    // After the release a move paints nothing.
    drag(&editor, Qt::LeftButton, large_cell(4, 9));
    EXPECT_FALSE(cell_lit(editor, 4, 9));

    // Left held, then right as well: the pixels passed end cleared.
    mouse(&editor, QEvent::MouseButtonPress, Qt::LeftButton, large_cell(3, 5));
    mouse(&editor, QEvent::MouseButtonPress, Qt::RightButton, large_cell(3, 5));
    for (int col = 3; col <= 10; ++col)
        drag(&editor, Qt::LeftButton | Qt::RightButton, large_cell(col, 5));
    mouse(&editor, QEvent::MouseButtonRelease, Qt::RightButton, large_cell(10, 5));
    mouse(&editor, QEvent::MouseButtonRelease, Qt::LeftButton, large_cell(10, 5));
    EXPECT_EQ(slot_digits(GlyphSize::large, 3).substr(5 * 12, 12), "601FFFFFFFFE");
    EXPECT_FALSE(cell_lit(editor, 3, 5));
    EXPECT_TRUE(cell_lit(editor, 2, 5));

    // A press outside the grid edits nothing but still counts as an edit.
    glyph_state().glyph_edited = 0;
    const std::string before = slot_digits(GlyphSize::large, 3);
    mouse(&editor, QEvent::MouseButtonPress, Qt::LeftButton, {21, 20});
    mouse(&editor, QEvent::MouseButtonRelease, Qt::LeftButton, {21, 20});
    EXPECT_EQ(slot_digits(GlyphSize::large, 3), before);
    EXPECT_EQ(glyph_state().glyph_edited, 1);
}

TEST_F(GlyphDialogs, EditorNumberListRetargetsWithoutReloading)
{
    glyph_slot(model().glyphs, GlyphSize::small, 0)[0] = '8';
    glyph_slot(model().glyphs, GlyphSize::small, 40)[0] = '1';
    GlyphEditorDialog editor(GlyphSize::small);
    editor.redraw_tick();
    EXPECT_EQ(editor.windowTitle(), "外字登録（小文字）の設定");
    EXPECT_EQ(editor.number_list()->count(), 256);
    EXPECT_EQ(editor.number_list()->itemText(255), "256");
    EXPECT_TRUE(cell_lit(editor, 0, 0));
    editor.number_list()->setCurrentIndex(40);
    EXPECT_EQ(model().glyphs.glyph_transfer_index, 40);
    EXPECT_TRUE(cell_lit(editor, 0, 0));  // the grid keeps the glyph it had
    mouse(&editor, QEvent::MouseButtonPress, Qt::LeftButton, {32 + 20, 28});  // pixel (2, 1)
    EXPECT_EQ(slot_digits(GlyphSize::small, 40).substr(0, 7), "8000002");
}

TEST_F(GlyphDialogs, EditorButtonsAskFirstAndSendTheSlot)
{
    model().glyphs.glyph_transfer_index = 6;
    GlyphEditorDialog editor(GlyphSize::medium);
    mouse(&editor, QEvent::MouseButtonPress, Qt::LeftButton, {27, 24});
    mouse(&editor, QEvent::MouseButtonRelease, Qt::LeftButton, {27, 24});

    boxes_.answer_next(BoxAnswer::no);
    editor.button("登録")->click();
    EXPECT_TRUE(wire_.sent().empty());
    editor.button("登録")->click();
    ASSERT_EQ(wire_.sent().size(), 1u);
    EXPECT_EQ(wire_.last().substr(0, 15), "GRM007000000004");
    EXPECT_EQ(boxes_.count("本機が自動切換えでない事を確認してください"), 2);

    boxes_.answer_next(BoxAnswer::no);
    editor.button("他のサイズ作成")->click();
    EXPECT_EQ(slot_digits(GlyphSize::small, 6)[6], '0');
    editor.button("他のサイズ作成")->click();
    EXPECT_EQ(boxes_.count("この外字をベースに他のサイズを作成しますか？"), 2);
    EXPECT_EQ(boxes_.boxes().back().caption, "他サイズ作成");
    EXPECT_EQ(slot_digits(GlyphSize::small, 6).substr(0, 12),
              "000000"
              "400000");
    EXPECT_EQ(wire_.sent().size(), 1u);  // deriving sends nothing

    boxes_.answer_next(BoxAnswer::no);
    editor.button("バッファクリア")->click();
    EXPECT_EQ(model().glyphs.glyph_work[8], '4');
    editor.button("バッファクリア")->click();
    EXPECT_EQ(slot_digits(GlyphSize::medium, 6), std::string(256, '0'));
    EXPECT_EQ(model().glyphs.glyph_work[256], '\0');
    EXPECT_EQ(glyph_state().glyph_edited, 0);
    EXPECT_EQ(boxes_.count("データを保存せずに新規作成しますか？"), 2);

    editor.button("リード")->click();
    EXPECT_EQ(wire_.last(), "RFBMMA36B\r\n");
    // While that read is outstanding, clearing is ignored.
    model().glyphs.glyph_work[0] = 'F';
    editor.button("バッファクリア")->click();
    EXPECT_EQ(model().glyphs.glyph_work[0], 'F');
}

TEST_F(GlyphDialogs, EditorSampleReadAndReplyRedraw)
{
    GlyphEditorDialog editor(GlyphSize::large);
    editor.redraw_tick();
    editor.sample_field()->setText(QStringLiteral("アイ"));
    EXPECT_EQ(editor.sample_field()->text(), QStringLiteral("ア"));  // two bytes only
    EXPECT_EQ(editor.sample_text(), "\x83\x41");
    editor.sample_read_button()->click();
    EXPECT_EQ(wire_.last(), "RFBML2522\r\n");

    EXPECT_FALSE(editor.redraw_pending());
    serial_dispatch(program_context(), "FBML2522" + std::string(576, 'F') + "\r\n");
    EXPECT_TRUE(editor.redraw_pending());
    EXPECT_FALSE(cell_lit(editor, 10, 10));
    editor.redraw_tick();
    EXPECT_TRUE(cell_lit(editor, 10, 10));
    EXPECT_EQ(slot_digits(GlyphSize::large, 0), std::string(576, 'F'));

    editor.sample_field()->setText(QStringLiteral("a"));
    EXPECT_EQ(editor.sample_text(), "");
    editor.sample_read_button()->click();
    EXPECT_EQ(wire_.last(), "RFBML2121\r\n");

    editor.close_button()->click();
    EXPECT_EQ(link_status().read_pending, 0);
}

TEST_F(GlyphDialogs, ListPagesNumbersAndDoubleClicks)
{
    glyph_state().glyph_list_page = 11;  // left there by the small list
    GlyphListDialog list(GlyphSize::large);
    EXPECT_EQ(glyph_state().glyph_list_page, 0);
    ASSERT_EQ(list.page_list()->count(), 5);
    EXPECT_EQ(list.page_list()->itemText(0), "No. 1～14");
    EXPECT_EQ(list.page_list()->itemText(4), "No.57～70");
    EXPECT_EQ(list.progress_bar()->maximum(), 72);

    glyph_slot(model().glyphs, GlyphSize::large, 37)[0] = '8';
    list.page_list()->setCurrentIndex(2);
    EXPECT_EQ(list.number_field(9)->text(), "No.38");
    EXPECT_EQ(list.box(9)->image().pixel(0, 0), k_lit_rgb);
    EXPECT_EQ(list.box(9)->image().pixel(2, 0), k_unlit_pen_rgb);

    std::vector<int> opened;
    set_glyph_editor_opener([&](GlyphSize size, QWidget*) {
        EXPECT_EQ(size, GlyphSize::large);
        opened.push_back(model().glyphs.glyph_transfer_index);
    });
    mouse(&list, QEvent::MouseButtonDblClick, Qt::LeftButton, {110, 50});
    EXPECT_TRUE(opened.empty());
    mouse(&list, QEvent::MouseButtonDblClick, Qt::LeftButton, {240, 160});
    EXPECT_EQ(opened, std::vector<int>{37});
    EXPECT_TRUE(list.repaint_pending());  // the boxes follow the edit when the editor closes
}

TEST_F(GlyphDialogs, ListRightDoubleClickExportsTheBoxPicture)
{
    GlyphListDialog list(GlyphSize::medium);
    list.page_list()->setCurrentIndex(1);
    GlyphFileRequest asked;
    const std::string path = (std::filesystem::path(::testing::TempDir()) / "velta_box").string();
    set_glyph_file_dialog([&](QWidget*, const GlyphFileRequest& r) {
        asked = r;
        return std::optional<std::string>(path);
    });
    mouse(&list, QEvent::MouseButtonDblClick, Qt::RightButton, {12 + 114 * 3 + 5, 20});
    EXPECT_TRUE(asked.save);
    EXPECT_EQ(asked.title, "中文字外字登録番号020をbmpファイルで保存");
    EXPECT_EQ(asked.default_name, "gm020.bmp");
    EXPECT_EQ(asked.filter, "データ(*.bmp);;すべて(*.*)");
    EXPECT_EQ(asked.default_suffix, "bmp");
    EXPECT_EQ(glyph_state().glyph_bmp_file_name, path + ".bmp");
    const std::optional<std::string> bytes = read_file_bytes(path + ".bmp");
    ASSERT_TRUE(bytes.has_value());
    const QImage shot = list.box(3)->grab().toImage();
    const auto stride = static_cast<std::size_t>((3 * shot.width() + 3) / 4 * 4);
    EXPECT_EQ(bytes->size(), 54 + stride * static_cast<std::size_t>(shot.height()));
    EXPECT_EQ(*bytes, list.box_bmp_bytes(3));
    std::filesystem::remove(path + ".bmp");
}

TEST_F(GlyphDialogs, ListFileButtonsUseTheSizesFilter)
{
    GlyphListDialog list(GlyphSize::small);
    std::vector<GlyphFileRequest> asked;
    const std::string path = (std::filesystem::path(::testing::TempDir()) / "velta_s").string();
    set_glyph_file_dialog([&](QWidget*, const GlyphFileRequest& r) {
        asked.push_back(r);
        return std::optional<std::string>(path);
    });
    list.button("名前をつけて保存")->click();
    list.button("開く")->click();
    // The save appended the extension, so the name given to the open dialog is no file.
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(boxes_.last_text(), "Can't file open");
    EXPECT_EQ(asked[0].title, "ファイルの保存");
    EXPECT_EQ(asked[1].title, "ファイルのオープン");
    EXPECT_FALSE(asked[1].save);
    EXPECT_EQ(asked[0].filter, "データ(*.tls);;すべて(*.*)");
    EXPECT_EQ(asked[0].default_suffix, "tls");
    EXPECT_EQ(glyph_list_file_name(GlyphSize::small), path + ".tls");
    std::filesystem::remove(path + ".tls");
}

TEST_F(GlyphDialogs, SaveAsOfABareNameAsksBeforeOverwritingTheFileWithItsExtension)
{
    const std::filesystem::path dir = std::filesystem::path(::testing::TempDir()) / "velta_victim";
    std::filesystem::create_directories(dir);
    const std::string victim = (dir / "victim.tll").string();
    ASSERT_TRUE(write_file_atomically(victim, "keep"));
    GlyphListDialog list(GlyphSize::large);
    // The platform's own save dialog: type the bare name and accept; the question about the
    // completed name is answered No.
    QTimer::singleShot(0, [&] {
        auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (files == nullptr)
            return;
        files->setDirectory(QString::fromStdString(dir.string()));
        files->selectFile(QStringLiteral("victim"));
        QMetaObject::invokeMethod(files, "accept");
    });
    boxes_.answer_next(BoxAnswer::no);
    list.button("名前をつけて保存")->click();
    EXPECT_EQ(boxes_.last_text(), "victim.tll" + std::string(k_text_overwrite_suffix));
    EXPECT_EQ(read_file_bytes(victim), std::optional<std::string>("keep"));
    std::filesystem::remove_all(dir);
}

TEST_F(GlyphDialogs, ListReadRunTickByTick)
{
    GlyphListDialog list(GlyphSize::large);
    list.button("リード")->click();
    EXPECT_TRUE(glyph_run_active());
    EXPECT_EQ(list.list_timer().interval(), 400);
    EXPECT_TRUE(list.list_timer().isActive());
    list.list_timer().stop();  // driven by hand from here

    // During the run the other buttons do nothing.
    list.button("登録")->click();
    list.button("バッファクリア")->click();
    EXPECT_TRUE(boxes_.boxes().empty());

    list.glyph_list_tick();
    EXPECT_EQ(wire_.last(), "RFBMLA365\r\n");
    EXPECT_EQ(list.percent_field()->text(), " 00.0");
    // A double click on a box while slot 0's reply is awaited neither opens the editor nor
    // moves the slot the reply goes to.
    bool opened = false;
    set_glyph_editor_opener([&](GlyphSize, QWidget*) { opened = true; });
    mouse(&list, QEvent::MouseButtonDblClick, Qt::LeftButton, {240, 160});
    EXPECT_FALSE(opened);
    EXPECT_EQ(model().glyphs.glyph_transfer_index, 0);
    list.glyph_list_tick();  // no answer yet: nothing sent, the bar still steps
    EXPECT_EQ(wire_.sent().size(), 1u);
    EXPECT_EQ(list.progress_bar()->value(), 2);
    for (int s = 0; s < 70; ++s) {
        // Each reply names the code its query asked for.
        const std::string code = glyph_read_query(GlyphSize::large, glyph_code(s)).substr(5, 4);
        serial_dispatch(program_context(),
                        "FBML" + code + std::string(576, s == 13 ? 'F' : '0') + "\r\n");
        list.glyph_list_tick();
        if (s == 0) {
            EXPECT_EQ(list.percent_field()->text(), " 01.4");
        }
    }
    EXPECT_EQ(wire_.sent().size(), 70u);
    EXPECT_FALSE(glyph_run_active());
    EXPECT_EQ(list.percent_field()->text(), "   ");
    EXPECT_EQ(list.progress_bar()->value(), 0);
    EXPECT_EQ(list.box(13)->image().pixel(10, 10), k_lit_rgb);  // shown at the end
    EXPECT_FALSE(list.list_timer().isActive());
}

TEST_F(GlyphDialogs, ListRegisterRunPacedAndRepaintKeepsThePace)
{
    GlyphListDialog list(GlyphSize::large);
    list.button("登録")->click();
    EXPECT_EQ(boxes_.count("本機が自動切換えでない事を確認してください"), 1);
    EXPECT_EQ(list.list_timer().interval(), 2000);
    list.request_repaint();
    EXPECT_EQ(list.list_timer().interval(), 2000);
    list.list_timer().stop();
    for (int i = 0; i < 70; ++i) list.glyph_list_tick();
    ASSERT_EQ(wire_.sent().size(), 70u);
    EXPECT_EQ(wire_.sent()[0].substr(0, 6), "GRL001");
    EXPECT_EQ(wire_.sent()[69].substr(0, 6), "GRL070");
    EXPECT_FALSE(glyph_run_active());
    EXPECT_EQ(list.percent_field()->text(), "   ");

    // Close ends a run in progress.
    list.button("リード")->click();
    list.glyph_list_tick();
    list.close_button()->click();
    EXPECT_FALSE(glyph_run_active());
    EXPECT_EQ(link_status().read_pending, 0);
}

TEST_F(GlyphDialogs, InsertionListsFollowTheFontSize)
{
    glyph_state().insert_font_size = 2;
    GlyphInsertDialog dialog;
    EXPECT_EQ(dialog.position_list()->count(), 14);
    EXPECT_EQ(dialog.number_list()->count(), 70);
    EXPECT_EQ(dialog.number_list()->itemText(69), "070");
    dialog.size_list()->setCurrentIndex(0);
    ASSERT_EQ(dialog.position_list()->count(), 28);
    ASSERT_EQ(dialog.number_list()->count(), 256);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(dialog.number_list()->itemText(i), QString::asprintf("%03d", i + 1));
    EXPECT_EQ(dialog.position_list()->itemText(27), "28");

    dialog.position_list()->setCurrentIndex(19);
    dialog.number_list()->setCurrentIndex(200);
    dialog.size_list()->setCurrentIndex(2);
    EXPECT_EQ(dialog.position_list()->currentText(), "01");
    EXPECT_EQ(dialog.number_list()->currentText(), "001");
    EXPECT_EQ(dialog.number_list()->count(), 70);

    dialog.size_list()->setCurrentIndex(0);
    dialog.number_list()->setCurrentIndex(11);
    dialog.position_list()->setCurrentIndex(4);
    dialog.page_list()->setCurrentIndex(2);
    dialog.findChildren<QPushButton*>().front()->click();
    EXPECT_EQ(wire_.last(), "G012P003I05\r\n");
}

TEST_F(GlyphDialogs, MenuOpenersOpenEachDialog)
{
    EXPECT_FALSE(open_command_dialog(12345, nullptr));
    const std::pair<int, QString> cases[] = {
        {32794, "外字挿入"},           {32805, "外字一覧（小文字）"}, {32806, "外字一覧（中文字）"},
        {32807, "外字一覧（大文字）"}, {32808, "外字について"},
    };
    for (const auto& [id, title] : cases) {
        QString seen;
        QTimer::singleShot(0, [&seen] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                seen = w->windowTitle();
                w->close();
            }
        });
        EXPECT_TRUE(open_command_dialog(id, nullptr));
        EXPECT_EQ(seen, title) << id;
    }
}

}  // namespace
}  // namespace velta
