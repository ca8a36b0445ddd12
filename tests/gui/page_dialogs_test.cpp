// Protects the page dialogs' shared pattern as the operator uses it: the "ページ" list by page
// mode, the drawn list and its deferred drawing, value and same-for-all lists, the slave
// address rule, and what "設定" and "全設定" put on the wire.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "core/model/settings_model.h"
#include "core/wire/link_status.h"
#include "program/program_context.h"
#include "support/box_recorder.h"
#include "support/user_input.h"
#include "support/wire_capture.h"
#include "ui/pages/page_list_dialog.h"
#include "ui/pages/page_list_view.h"
#include "ui/shell/command_table.h"
#include "ui/shell/dialog_table.h"

namespace velta {
namespace {

bool wait_until(const std::function<bool()>& done, int timeout_ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeout_ms)
            return false;
        QTest::qWait(5);
    }
    return true;
}

void click(QPushButton* b)
{
    QTest::mouseClick(b, Qt::LeftButton);
}

TEST(PageDialogs, ListIsDrawnFromTheTimerAfterOpeningThenAtOnceOnEveryChoice)
{
    WireCapture wire;
    PageListDialog d(PageDialogKind::title_position);
    PageListView* view = d.list_view();
    EXPECT_TRUE(view->repaint_timer().isActive());
    EXPECT_EQ(view->repaint_timer().interval(), PageListView::k_open_delay_ms);
    EXPECT_EQ(model().choices.list_repaint_pending, 1);
    EXPECT_TRUE(view->drawn().empty());

    ASSERT_TRUE(wait_until([&] { return view->draw_count() == 1; }, 2000));
    EXPECT_FALSE(view->repaint_timer().isActive());
    EXPECT_EQ(model().choices.list_repaint_pending, 0);
    ASSERT_EQ(view->drawn().size(), 32u);
    EXPECT_EQ(view->drawn_texts().front(), QStringLiteral("P001 = 下"));
    EXPECT_EQ(view->drawn()[31].at, QPoint(410, 171));

    d.value_list(0)->setCurrentIndex(0);
    EXPECT_EQ(view->draw_count(), 2);
    EXPECT_EQ(view->drawn_texts().front(), QStringLiteral("P001 = 上"));
    EXPECT_EQ(model().config.pages.page_title_position[0], 0);
    // The canvas really is black on white at the line's place.
    const QImage& canvas = view->canvas();
    EXPECT_EQ(canvas.pixelColor(5, 5), QColor(Qt::white));
    bool ink = false;
    for (int x = 20; x < 100 && !ink; ++x)
        for (int y = 10; y < 30 && !ink; ++y) ink = canvas.pixelColor(x, y) == QColor(Qt::black);
    EXPECT_TRUE(ink);
}

TEST(PageDialogs, ChoosingAPageShowsItsBlockAndItsValues)
{
    WireCapture wire;
    model().config.pages.page_char_color[37] = 2;
    model().config.pages.page_border_color[37] = 5;
    PageListDialog d(PageDialogKind::colours);
    d.page_list()->setCurrentIndex(37);
    EXPECT_EQ(model().choices.current_page, 37);
    EXPECT_EQ(d.value_list(0)->currentText(), QStringLiteral("緑"));
    EXPECT_EQ(d.value_list(1)->currentText(), QStringLiteral("マゼンタ"));
    const QStringList lines = d.list_view()->drawn_texts();
    ASSERT_EQ(lines.size(), 17);  // heading and 16 slots
    EXPECT_EQ(lines[0], QStringLiteral("文字色　　縁取り色　　　　　　　 文字色　　縁取り色"));
    EXPECT_EQ(lines[1], QStringLiteral("P033 白　　　　黒　　　　"));
    EXPECT_EQ(lines[6], QStringLiteral("P038 緑　　　　マゼンタ　"));
    EXPECT_EQ(lines[16], QStringLiteral("P048 白　　　　黒　　　　"));

    click(d.set_button());
    EXPECT_EQ(wire.last(), "CABC03825\r\n");
}

TEST(PageDialogs, TwoLineModeLabelsSlotsAndSendsTheSlotNumber)
{
    WireCapture wire;
    model().config.device.page_mode = 1;
    PageListDialog d(PageDialogKind::background_fill);
    ASSERT_EQ(d.page_list()->count(), 256);
    EXPECT_EQ(d.page_list()->itemText(3), QStringLiteral("002B"));
    d.page_list()->setCurrentIndex(5);
    d.value_list(0)->setCurrentIndex(1);
    EXPECT_EQ(d.list_view()->drawn_texts()[5], QStringLiteral("P003B = ON "));
    click(d.set_button());
    EXPECT_EQ(wire.last(), "FB006ON\r\n");

    PageListDialog level(PageDialogKind::char_level);
    EXPECT_EQ(level.page_list()->count(), 128);
    PageListDialog position(PageDialogKind::title_position);
    EXPECT_EQ(position.page_list()->count(), 256);
    EXPECT_EQ(position.page_list()->itemText(3), QStringLiteral("004"));
}

TEST(PageDialogs, SameForAllChangesAll256SlotsWhereOnly128AreListed)
{
    WireCapture wire;
    model().config.device.page_mode = 1;
    model().choices.current_page = 40;
    PageListDialog d(PageDialogKind::auto_switch);
    ASSERT_EQ(d.page_list()->count(), 128);
    EXPECT_EQ(d.same_list(0)->currentText(), QStringLiteral("3"));
    pick_item(d.same_list(0), 10);
    for (int s = 0; s < k_page_slots; ++s)
        ASSERT_EQ(model().config.pages.page_auto_switch_time[s], 10) << "slot " << s;
    EXPECT_EQ(d.value_list(0)->currentText(), QStringLiteral("10"));
    const QStringList lines = d.list_view()->drawn_texts();
    EXPECT_EQ(lines.front(), QStringLiteral("P033 = 10 秒"));
    EXPECT_EQ(lines.back(), QStringLiteral("P064 = 10 秒"));

    click(d.set_all_button());
    std::string expected = "PAST";
    for (int i = 0; i < 128; ++i) expected += "10";
    EXPECT_EQ(wire.last(), expected + "\r\n");
}

TEST(PageDialogs, SameForAllBorderLeavesTheCharacterColours)
{
    WireCapture wire;
    PageListDialog d(PageDialogKind::colours);
    pick_item(d.same_list(1), 1);  // 赤
    for (int s = 0; s < k_page_slots; ++s) {
        ASSERT_EQ(model().config.pages.page_border_color[s], 1);
        ASSERT_EQ(model().config.pages.page_char_color[s], 7);
    }
    EXPECT_EQ(d.value_list(1)->currentText(), QStringLiteral("赤"));
    EXPECT_EQ(d.value_list(0)->currentText(), QStringLiteral("白"));
    EXPECT_EQ(model().choices.border_color_choice, 1);
}

TEST(PageDialogs, SameForAllActsOnEveryPickAndNeverOnTheProgramsChanges)
{
    WireCapture wire;
    PageListDialog d(PageDialogKind::background_fill);
    model().config.pages.page_background_fill[9] = 1;
    // The program selecting an item writes nothing.
    d.same_list(0)->setCurrentIndex(1);
    EXPECT_EQ(model().config.pages.page_background_fill[0], 0);
    d.same_list(0)->setCurrentIndex(0);
    // Picking the item the list already shows still sets every slot.
    pick_item(d.same_list(0), 0);
    EXPECT_EQ(model().config.pages.page_background_fill[9], 0);
    EXPECT_TRUE(wire.sent().empty());
}

TEST(PageDialogs, SetAllWithTheDefaultsOfEachDialog)
{
    WireCapture wire;
    const struct {
        PageDialogKind kind;
        std::string head;
        std::size_t size;
    } cases[] = {
        {PageDialogKind::title_position, "IDPBB", 261},
        {PageDialogKind::auto_switch, "PAST0303", 518},
        {PageDialogKind::colours, "CABC7070", 518},
        {PageDialogKind::background_fill, "FBFF", 260},
        {PageDialogKind::char_level, "CWLHH", 261},
    };
    for (const auto& c : cases) {
        wire.clear();
        PageListDialog d(c.kind);
        click(d.set_all_button());
        ASSERT_EQ(wire.sent().size(), 1u);
        EXPECT_EQ(wire.last().substr(0, c.head.size()), c.head);
        EXPECT_EQ(wire.last().size(), c.size);
    }
}

TEST(PageDialogs, ValuesNoListOffersShowNoSelection)
{
    WireCapture wire;
    model().config.pages.page_char_color[0] = 9;
    model().config.pages.page_border_color[0] = -1;
    model().config.device.page_mode = 1;
    model().choices.current_page = 200;  // chosen in a 256-slot list
    PageListDialog level(PageDialogKind::char_level);
    EXPECT_EQ(level.page_list()->currentIndex(), -1);
    level.list_view()->draw_now();
    EXPECT_EQ(level.list_view()->drawn_texts().front(), QStringLiteral("P193 = HIGH "));

    model().choices.current_page = 0;
    PageListDialog colours(PageDialogKind::colours);
    EXPECT_EQ(colours.value_list(0)->currentIndex(), -1);
    EXPECT_EQ(colours.value_list(1)->currentIndex(), -1);
    colours.list_view()->draw_now();
    EXPECT_EQ(colours.list_view()->drawn_texts()[1], QStringLiteral("P001T？　　　　？　　　　"));
}

TEST(PageDialogs, SlaveAddressListOnlyForRs485)
{
    WireCapture wire;
    {
        PageListDialog d(PageDialogKind::char_level);
        EXPECT_FALSE(d.slave_address_list()->isEnabled());
        EXPECT_EQ(d.slave_address_list()->currentIndex(), -1);
    }
    link_settings().rs485 = true;
    link_settings().slave_address = 32;
    {
        PageListDialog d(PageDialogKind::char_level);
        EXPECT_TRUE(d.slave_address_list()->isEnabled());
        EXPECT_EQ(d.slave_address_list()->currentText(), QStringLiteral("Bloadcast"));
        d.slave_address_list()->setCurrentIndex(7);
        click(d.set_button());
        EXPECT_EQ(wire.last(), "07CWL001H\r\n");
    }
    link_settings().interface = Interface::tcp;
    {
        PageListDialog d(PageDialogKind::char_level);
        EXPECT_FALSE(d.slave_address_list()->isEnabled());
    }
}

TEST(PageDialogs, OpenersOpenEachDialogModallyByMenuAndToolbarId)
{
    WireCapture wire;
    const struct {
        int menu;
        int toolbar;
        QString title;
    } cases[] = {
        {32780, 501, QStringLiteral("日付＆時刻の設定")},
        {32781, 502, QStringLiteral("タイトルの設定")},
        {32782, 503, QStringLiteral("タイトル表示位置")},
        {32783, 504, QStringLiteral("自動切換えの設定")},
        {32784, 505, QStringLiteral("文字色の設定")},
        {32785, 506, QStringLiteral("背景色ベタ塗りの設定")},
        {32786, 507, QStringLiteral("文字レベルの設定")},
        {32802, 512, QStringLiteral("表示ページ")},
    };
    for (const auto& c : cases) {
        for (int id : {c.menu, c.toolbar}) {
            QString seen;
            bool modal = false;
            QTimer::singleShot(0, [&] {
                QWidget* w = QApplication::activeModalWidget();
                if (w == nullptr)
                    return;
                seen = w->windowTitle();
                modal = w->isModal();
                w->close();
            });
            EXPECT_TRUE(open_command_dialog(menu_command_of(id), nullptr)) << id;
            EXPECT_EQ(seen, c.title) << id;
            EXPECT_TRUE(modal) << id;
        }
    }
    // Toolbar ids reach the table as their menu items only.
    EXPECT_FALSE(open_command_dialog(508, nullptr));
}

}  // namespace
}  // namespace velta
