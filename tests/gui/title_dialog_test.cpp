// Protects the title dialog: the 56-byte limit of the edit in code page 932, half-width input
// and pastes made sendable as they come, storing every edit, the title list, and the paced run
// of all titles with its progress, its stops and its hold on "Close".
#include "ui/pages/title_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "core/common/run_activity.h"
#include "core/model/document.h"
#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "core/wire/link_status.h"
#include "core/wire/paced_run.h"
#include "core/wire/reply_dispatcher.h"
#include "core/wire/watchdog.h"
#include "link/text_cp932.h"
#include "program/program_context.h"
#include "support/box_recorder.h"
#include "support/user_input.h"
#include "support/wire_capture.h"
#include "ui/pages/page_list_view.h"

namespace velta {
namespace {

// What an input method hands over when the operator confirms a conversion.
void commit_text(QLineEdit* edit, const QString& text)
{
    QInputMethodEvent e;
    e.setCommitString(text);
    QCoreApplication::sendEvent(edit, &e);
}

void type_latin(QLineEdit* edit, const char* text)
{
    QTest::keyClicks(edit, QString::fromLatin1(text));
}

void click(QPushButton* b)
{
    QTest::mouseClick(b, Qt::LeftButton);
}

const std::string k_a_cp932 = "\x82\xA0";  // あ

TEST(TitleDialog, EditHoldsAtMost56BytesWithFullWidthCountingTwo)
{
    WireCapture wire;
    TitleDialog d;
    QLineEdit* edit = d.title_edit();
    edit->setFocus();
    for (int i = 0; i < 27; ++i) commit_text(edit, QStringLiteral("あ"));
    EXPECT_EQ(model().config.pages.page_title[0].size(), 54u);
    type_latin(edit, "ab");  // typed half-width, taken full-width: "ａ" fits, "ｂ" not
    EXPECT_EQ(model().config.pages.page_title[0].size(), 56u);
    type_latin(edit, "c");                    // 58 bytes: refused
    commit_text(edit, QStringLiteral("い"));  // 58 bytes: refused
    EXPECT_EQ(model().config.pages.page_title[0].size(), 56u);
    EXPECT_EQ(edit->text().size(), 28);

    edit->backspace();
    edit->backspace();
    edit->backspace();  // 50 bytes
    type_latin(edit, "x");
    commit_text(edit, QStringLiteral("う"));  // 54 bytes
    commit_text(edit, QStringLiteral("え"));  // 56 bytes
    type_latin(edit, "y");                    // 58: refused
    std::string expected;
    for (int i = 0; i < 25; ++i) expected += k_a_cp932;
    expected += "\x82\x98\x82\xA4\x82\xA6";  // ｘうえ
    EXPECT_EQ(model().config.pages.page_title[0], expected);
}

TEST(TitleDialog, TitleLongerThanTheLimitCanOnlyBeShortened)
{
    WireCapture wire;
    model().config.pages.page_title[0] = std::string(58, 'x');  // as a file may hold it
    TitleDialog d;
    QLineEdit* edit = d.title_edit();
    edit->setFocus();
    edit->end(false);
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(model().config.pages.page_title[0].size(), 57u);
    type_latin(edit, "y");
    EXPECT_EQ(model().config.pages.page_title[0], std::string(57, 'x'));
    QTest::keyClick(edit, Qt::Key_Backspace);
    type_latin(edit, "y");
    EXPECT_EQ(model().config.pages.page_title[0], std::string(56, 'x'));
    type_latin(edit, "y");
    EXPECT_EQ(model().config.pages.page_title[0], std::string(56, 'x'));
}

TEST(TitleDialog, OpeningChangesNothingAndEveryEditIsStoredAndListed)
{
    WireCapture wire;
    model().config.pages.page_title[9] = std::string("\x10\x21", 2) + k_a_cp932;
    model().choices.current_page = 9;
    mark_config_saved(model().config);
    TitleDialog d;
    EXPECT_FALSE(has_unsaved_changes(model().config));
    // Loading leaves the stored bytes as they were.
    EXPECT_EQ(model().config.pages.page_title[9], std::string("\x10\x21", 2) + k_a_cp932);
    QStringList lines = d.list_view()->drawn_texts();
    ASSERT_EQ(lines.size(), 8);
    EXPECT_EQ(lines[0], QStringLiteral("P009 = ") + QString(28, QChar(0x3000)));
    EXPECT_EQ(lines[1], QStringLiteral("P010 = 　あ") + QString(26, QChar(0x3000)));

    d.page_list()->setCurrentIndex(10);
    EXPECT_EQ(d.title_edit()->text(), QString());
    EXPECT_FALSE(has_unsaved_changes(model().config));
    commit_text(d.title_edit(), QStringLiteral("亜"));
    EXPECT_EQ(model().config.pages.page_title[10], "\x88\x9F");
    EXPECT_TRUE(has_unsaved_changes(model().config));
    EXPECT_EQ(d.list_view()->drawn_texts()[2],
              QStringLiteral("P011 = 亜") + QString(27, QChar(0x3000)));

    // A half-width katakana cannot be sent: the warning, and nothing on the wire.
    BoxRecorder boxes;
    commit_text(d.title_edit(), QStringLiteral("ｱ"));
    click(d.set_button());
    commit_text(d.title_edit(), QStringLiteral("ｲ"));
    click(d.set_button());
    EXPECT_EQ(boxes.count(std::string(k_text_title_unencodable)), 2);
    EXPECT_TRUE(wire.sent().empty());
    // The line beneath names the page and the first character the device cannot take.
    EXPECT_EQ(boxes.boxes().back().detail, "ページ 011: 「ｱ」");
}

// What a person types or pastes is made into what the device takes, and the note says what
// changed: half-width made full-width (once), a character code page 932 lacks left out and
// named, a paste cut to the room left.
TEST(TitleDialog, TypedAndPastedTextIsMadeSendableAndTheNoteSaysHow)
{
    struct Case {
        const char* name;
        QString before;                         // the title when the dialog opens
        int select_from, select_to;             // the selection the input replaces
        std::function<void(QLineEdit*)> input;  // real keys or a real clipboard paste
        QString after;
        QString note;
    };
    auto typed = [](const char* keys) {
        return [keys](QLineEdit*) { type_keys(QString::fromLatin1(keys)); };
    };
    auto pasted = [](const QString& text) {
        return [text](QLineEdit*) {
            QApplication::clipboard()->setText(text);
            press_key(Qt::Key_V, Qt::ControlModifier);
        };
    };
    const QString thirty = QString(30, QChar(u'亜'));
    const std::vector<Case> cases = {
        {"typed letters and digits", "亜", 1, 1, typed("Ab 1!"), "亜Ａｂ　１！",
         "半角の英数字と記号は全角にして入力しました。"},
        {"a long paste keeps what fits", "亜亜", 2, 2, pasted(thirty), QString(28, QChar(u'亜')),
         "貼り付けた 30 文字のうち 4 文字はタイトルに入りきらないため省きました。"},
        {"a paste over a selection", QString(28, QChar(u'あ')), 2, 6, pasted("ABCDEFG"),
         "ああＡＢＣＤ" + QString(22, QChar(u'あ')),
         "貼り付けた 7 文字のうち 3 文字はタイトルに入りきらないため省きました。"},
        {"a character code page 932 lacks", "亜", 1, 1, pasted("é亜"), "亜亜",
         "「é」はコード ページ 932 にない文字のため入力できません。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WireCapture wire;
        BoxRecorder boxes;
        model().config.pages.page_title[0] = to_cp932(c.before);
        TitleDialog d;
        ASSERT_TRUE(show_active(&d));
        QLineEdit* edit = d.title_edit();
        edit->setFocus();
        edit->setSelection(c.select_from, c.select_to - c.select_from);
        c.input(edit);
        EXPECT_EQ(edit->text(), c.after);
        EXPECT_EQ(model().config.pages.page_title[0], to_cp932(c.after));
        EXPECT_EQ(d.title_note()->text(), c.note);
        click(d.set_button());
        EXPECT_TRUE(boxes.boxes().empty()) << boxes.last_text();
        EXPECT_EQ(wire.sent().size(), 1u);
    }

    // The conversion is told once; the note then says what else happens.
    WireCapture wire;
    TitleDialog d;
    ASSERT_TRUE(show_active(&d));
    d.title_edit()->setFocus();
    type_keys("a");
    d.title_note()->clear();
    type_keys("b");
    EXPECT_EQ(d.title_note()->text(), "");
}

TEST(TitleDialog, TwoLineModeListsTopAndBottomLines)
{
    WireCapture wire;
    model().config.device.page_mode = 1;
    model().config.pages.page_title[1] = k_a_cp932;
    TitleDialog d;
    const QStringList lines = d.list_view()->drawn_texts();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("P001T= ")));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("P001B= あ")));
    EXPECT_EQ(d.page_list()->itemText(3), QStringLiteral("002B"));
    d.page_list()->setCurrentIndex(3);
    commit_text(d.title_edit(), QStringLiteral("亜"));
    click(d.set_button());
    EXPECT_EQ(wire.last().substr(0, 9), "CA0043021");
}

class TitleRun : public ::testing::Test {
protected:
    WireCapture wire;
    BoxRecorder boxes;
};

TEST_F(TitleRun, PercentGoesByWholeStepsAndIsClearedAfterTheLastSlot)
{
    TitleDialog d;
    d.show();
    click(d.set_all_button());
    ASSERT_EQ(boxes.count(std::string(k_text_not_auto_switching)), 1);
    ASSERT_TRUE(d.run_active());
    EXPECT_FALSE(d.close_button()->isEnabled());
    EXPECT_TRUE(settings_run_active());

    QStringList percents;
    for (int k = 1; k <= 6; ++k) {
        d.run_tick();
        percents << d.percent_field()->text();
        EXPECT_EQ(d.progress_bar()->value(), k);
    }
    EXPECT_EQ(percents, (QStringList{"0", "0", "1", "1", "1", "2"}));
    ASSERT_EQ(wire.sent().size(), 6u);
    EXPECT_EQ(wire.sent()[5].substr(0, 5), "CA006");

    // "Close" and Esc do nothing, "設定" sends nothing, "全設定" only asks.
    click(d.close_button());
    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_TRUE(d.isVisible());
    click(d.set_button());
    click(d.set_all_button());
    EXPECT_EQ(boxes.count(std::string(k_text_not_auto_switching)), 2);
    EXPECT_EQ(wire.sent().size(), 6u);
    EXPECT_EQ(d.run().step(), 7);

    for (int k = 7; k <= 255; ++k) d.run_tick();
    EXPECT_EQ(d.percent_field()->text(), QStringLiteral("99"));
    d.run_tick();
    EXPECT_FALSE(d.run_active());
    EXPECT_EQ(wire.sent().size(), 256u);
    EXPECT_EQ(wire.last().substr(0, 5), "CA256");
    EXPECT_EQ(d.percent_field()->text(), QStringLiteral("  "));
    EXPECT_EQ(d.progress_bar()->value(), 0);
    EXPECT_FALSE(settings_run_active());
    EXPECT_TRUE(d.close_button()->isEnabled());
    // No "Success" per page while the run went.
    EXPECT_EQ(boxes.boxes().size(), 2u);
    click(d.close_button());
    EXPECT_FALSE(d.isVisible());
}

TEST_F(TitleRun, ErrorAnswerStopsAtTheNextTickLeavingTheBar)
{
    TitleDialog d;
    d.show();
    click(d.set_all_button());
    for (int k = 1; k <= 5; ++k) d.run_tick();
    serial_dispatch(program_context(), "E3\r\n");
    EXPECT_EQ(boxes.last_text(), "Command Error");
    EXPECT_TRUE(d.run_active());
    d.run_tick();
    EXPECT_FALSE(d.run_active());
    EXPECT_EQ(wire.sent().size(), 5u);
    EXPECT_EQ(d.progress_bar()->value(), 5);
    EXPECT_EQ(d.percent_field()->text(), QStringLiteral("1"));
    EXPECT_EQ(link_status().reply_error, 0);
    EXPECT_FALSE(settings_run_active());
    EXPECT_TRUE(d.close_button()->isEnabled());
    d.run_tick();
    EXPECT_EQ(wire.sent().size(), 5u);
}

TEST_F(TitleRun, ADeviceThatStopsAnsweringEndsTheRunAtTheFirstNoConnect)
{
    TitleDialog d;
    d.show();
    click(d.set_all_button());
    // Two watchdog ticks (300 ms) to each step (600 ms); nothing ever answers.
    for (int k = 0; k < k_page_slots && d.run_active(); ++k) {
        d.run_tick();
        watchdog_tick(program_context());
        watchdog_tick(program_context());
    }
    EXPECT_FALSE(d.run_active());
    EXPECT_EQ(boxes.count("No Connect"), 1);
    EXPECT_EQ(wire.sent().size(), 14u) << "the run went on after the device stopped answering";
    EXPECT_EQ(d.progress_bar()->value(), 14) << "the bar stays where the run stopped";
    EXPECT_EQ(d.percent_field()->text(), QStringLiteral("5"));
    EXPECT_EQ(link_status().reply_error, 0);
    EXPECT_TRUE(d.close_button()->isEnabled());
}

TEST_F(TitleRun, UnencodableTitleEndsTheRunWithItsWarning)
{
    model().config.pages.page_title[2] = "AB";
    TitleDialog d;
    d.show();
    click(d.set_all_button());
    d.run_tick();
    d.run_tick();
    d.run_tick();  // slot 2
    EXPECT_FALSE(d.run_active());
    EXPECT_EQ(boxes.last_text(), std::string(k_text_title_unencodable));
    EXPECT_EQ(boxes.boxes().back().kind, BoxKind::warning);
    EXPECT_EQ(boxes.boxes().back().detail, "ページ 003: 「A」");
    EXPECT_EQ(wire.sent().size(), 2u);
    EXPECT_EQ(d.percent_field()->text(), QStringLiteral("  "));
    EXPECT_EQ(d.progress_bar()->value(), 0);
    EXPECT_EQ(link_status().reply_error, 0);
    EXPECT_TRUE(d.close_button()->isEnabled());
}

TEST_F(TitleRun, NoAnswerToTheQuestionOrNoLinkStartsNothing)
{
    TitleDialog d;
    boxes.answer_next(BoxAnswer::no);
    click(d.set_all_button());
    EXPECT_FALSE(d.run_active());
    link_settings().interface = Interface::tcp;  // TCP/IP, not connected
    click(d.set_all_button());
    EXPECT_FALSE(d.run_active());
    EXPECT_EQ(boxes.last_text(), "Socket が接続されていません");
    EXPECT_TRUE(wire.sent().empty());
}

TEST_F(TitleRun, StepsEvery600Milliseconds)
{
    TitleDialog d;
    click(d.set_all_button());
    EXPECT_EQ(d.run_timer().interval(), 600);
    QElapsedTimer clock;
    clock.start();
    while (wire.sent().size() < 2 && clock.elapsed() < 5000) QTest::qWait(5);
    ASSERT_EQ(wire.sent().size(), 2u);
    // Two periods; Qt's coarse timers may fire up to 5 % early, and a loaded machine late.
    EXPECT_GE(clock.elapsed(), 1100);
    EXPECT_LT(clock.elapsed(), 3000);
}

TEST_F(TitleRun, ShortenedPaceRunsTheWholeSequence)
{
    set_pace_divisor(100);
    TitleDialog d;
    click(d.set_all_button());
    QElapsedTimer clock;
    clock.start();
    while (d.run_active() && clock.elapsed() < 20000) QTest::qWait(5);
    set_pace_divisor(1);
    EXPECT_FALSE(d.run_active());
    EXPECT_EQ(wire.sent().size(), 256u);
    EXPECT_EQ(d.progress_bar()->value(), 0);
}

}  // namespace
}  // namespace velta
