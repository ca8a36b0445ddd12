// Protects the display page and date and time dialogs: lists preset from the model and from
// the computer's clock, and what each "設定" sends.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include "core/model/settings_model.h"
#include "program/program_context.h"
#include "support/wire_capture.h"
#include "ui/pages/date_time_dialog.h"
#include "ui/pages/display_page_dialog.h"

namespace velta {
namespace {

void click(QPushButton* b)
{
    QTest::mouseClick(b, Qt::LeftButton);
}

LocalTime fifth_of_march()
{
    return {2026, 3, 5, 9, 7, 30};
}

TEST(DateTimeDialog, ListsShowTheClockAndEachSetSendsItsField)
{
    WireCapture wire;
    DateTimeDialog d(nullptr, fifth_of_march);
    const ClockField date_fields[] = {ClockField::year, ClockField::month,  ClockField::day,
                                      ClockField::hour, ClockField::minute, ClockField::second};
    QStringList shown;
    for (ClockField f : date_fields) shown << d.list(f)->currentText();
    EXPECT_EQ(shown, (QStringList{"2026", "3", "5", "9", "7", "30"}));
    EXPECT_EQ(d.list(ClockField::year)->count(), 100);
    EXPECT_EQ(d.list(ClockField::day)->count(), 31);

    for (ClockField f : date_fields) click(d.set_button(f));
    EXPECT_EQ(wire.sent(), (std::vector<std::string>{"DSY26\r\n", "DSM03\r\n", "DSD05\r\n",
                                                     "TSH09\r\n", "TSM07\r\n", "TSS30\r\n"}));

    // A choice in a date list is only sent by its "設定".
    wire.clear();
    d.list(ClockField::month)->setCurrentIndex(4);
    EXPECT_TRUE(wire.sent().empty());
    click(d.set_button(ClockField::month));
    click(d.adjust_button());
    EXPECT_EQ(wire.sent(), (std::vector<std::string>{"DSM05\r\n", "TSA\r\n"}));
}

TEST(DateTimeDialog, DisplaySettingsAreStoredAtOnceAndSentFromTheModel)
{
    WireCapture wire;
    DateTimeDialog d(nullptr, fifth_of_march);
    EXPECT_EQ(d.list(ClockField::range)->currentText(), QStringLiteral("年月日時分秒"));
    EXPECT_EQ(d.list(ClockField::display)->currentText(), QStringLiteral("OFF"));
    EXPECT_EQ(d.list(ClockField::size)->currentText(), QStringLiteral("SMALL "));
    click(d.set_button(ClockField::display));
    click(d.set_button(ClockField::range));
    click(d.set_button(ClockField::size));
    EXPECT_EQ(wire.sent(), (std::vector<std::string>{"TSDOF\r\n", "TSDR1\r\n", "TSDSS\r\n"}));

    wire.clear();
    d.list(ClockField::range)->setCurrentIndex(4);
    d.list(ClockField::display)->setCurrentIndex(1);
    d.list(ClockField::size)->setCurrentIndex(1);
    EXPECT_EQ(model().config.device.clock_display_range, 4);
    EXPECT_EQ(model().config.device.clock_display, 1);
    EXPECT_EQ(model().config.device.clock_display_size, 1);
    EXPECT_TRUE(wire.sent().empty());
    click(d.set_button(ClockField::range));
    click(d.set_button(ClockField::display));
    click(d.set_button(ClockField::size));
    EXPECT_EQ(wire.sent(), (std::vector<std::string>{"TSDR5\r\n", "TSDON\r\n", "TSDSN\r\n"}));
}

TEST(DateTimeDialog, YearOutsideTheListSelectsAndSendsNothing)
{
    WireCapture wire;
    DateTimeDialog d(nullptr, [] { return LocalTime{1999, 12, 31, 23, 59, 60}; });
    EXPECT_EQ(d.list(ClockField::year)->currentIndex(), -1);
    EXPECT_EQ(d.list(ClockField::second)->currentIndex(), -1);
    EXPECT_EQ(d.list(ClockField::minute)->currentText(), QStringLiteral("59"));
    click(d.set_button(ClockField::year));
    click(d.set_button(ClockField::second));
    click(d.set_button(ClockField::day));
    EXPECT_EQ(wire.sent(), (std::vector<std::string>{"DSD31\r\n"}));
}

TEST(DisplayPageDialog, DefaultsSendPageOneAndOn)
{
    WireCapture wire;
    DisplayPageDialog d;
    ASSERT_EQ(d.page_list()->count(), 257);
    EXPECT_EQ(d.page_list()->itemText(256), QStringLiteral("PAS "));
    EXPECT_EQ(d.on_off_list()->currentText(), QStringLiteral("ON "));
    click(d.page_set_button());
    click(d.on_off_set_button());
    EXPECT_EQ(wire.sent(), (std::vector<std::string>{"P001\r\n", "IDON\r\n"}));
    d.on_off_list()->setCurrentIndex(0);
    EXPECT_EQ(model().choices.display_on, 0);
    click(d.on_off_set_button());
    EXPECT_EQ(wire.last(), "IDOF\r\n");
}

TEST(DisplayPageDialog, TwoLineModeOffersPasAfterPage128)
{
    WireCapture wire;
    model().config.device.page_mode = 1;
    DisplayPageDialog d;
    ASSERT_EQ(d.page_list()->count(), 129);
    EXPECT_EQ(d.page_list()->itemText(128), QStringLiteral("PAS "));
    d.page_list()->setCurrentIndex(128);
    EXPECT_EQ(model().extras.display_page, k_page_pas);
    click(d.page_set_button());
    d.page_list()->setCurrentIndex(127);
    click(d.page_set_button());
    EXPECT_EQ(wire.sent(), (std::vector<std::string>{"PAS\r\n", "P128\r\n"}));
}

TEST(DisplayPageDialog, PageKeptFromTheOtherModeShowsNoSelectionAndIsSentAsItIs)
{
    WireCapture wire;
    model().config.device.page_mode = 1;
    model().extras.display_page = 200;
    DisplayPageDialog d;
    EXPECT_EQ(d.page_list()->currentIndex(), -1);
    click(d.page_set_button());
    EXPECT_EQ(wire.last(), "P201\r\n");
}

}  // namespace
}  // namespace velta
