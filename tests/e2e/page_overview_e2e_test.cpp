// The page overview against a simulated device over TCP/IP: "選択ページを送信" sends the chosen
// row's pages alone, answer-paced, and once "デバイスと比較" has read the device the overview's
// "デバイスと違うページ" lists what the device still lacks.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "core/pages/page_sends.h"
#include "core/wire/framing.h"
#include "core/wire/paced_run.h"
#include "link/tcp_link.h"
#include "link/text_cp932.h"
#include "program/program_context.h"
#include "support/box_recorder.h"
#include "support/config_sandbox.h"
#include "support/devsim_process.h"
#include "support/event_wait.h"
#include "support/user_input.h"
#include "support/wire_capture.h"
#include "ui/device/compare_dialog.h"
#include "ui/pages/page_overview_dialog.h"
#include "ui/pages/page_table_model.h"
#include "ui/widgets/config_edits.h"

namespace velta {
namespace {

constexpr int k_run_wait_ms = 120000;
constexpr int k_sent_slot = 3;    // page 004: title, character colour, fill
constexpr int k_other_slot = 10;  // page 011: border colour only
constexpr int k_green = 2;
constexpr int k_red = 1;
constexpr int k_show_unlike_device = static_cast<int>(RowShow::unlike_device);

class PageOverviewE2e : public ::testing::Test {
protected:
    void SetUp() override
    {
        reset_for_test();
        set_pace_divisor(20);
        ASSERT_TRUE(sim_.start({"--listen", "127.0.0.1:0"}));
        ASSERT_TRUE(connect_tcp_client_to(sim_.first_line()));

        PageSettings& p = model().config.pages;
        p.page_title[k_sent_slot] = to_cp932(QStringLiteral("特売"));
        p.page_char_color[k_sent_slot] = k_green;
        p.page_background_fill[k_sent_slot] = 1;
        p.page_border_color[k_other_slot] = k_red;
        ConfigEdits::instance().restart();
        overview_ = std::make_unique<PageOverviewDialog>();
        ASSERT_TRUE(show_active(overview_.get()));
        boxes_.clear();
    }

    void TearDown() override
    {
        overview_.reset();
        disconnect_all();
        velta::program_context().hooks = {};
        set_pace_divisor(1);
        reset_for_test();
    }

    // A click on the slot's title cell: that row alone is chosen.
    void click_row(int slot)
    {
        QTableView* table = overview_->table();
        const QModelIndex at =
            overview_->rows()->mapFromSource(overview_->table_model()->index(slot, 0));
        ASSERT_TRUE(at.isValid());
        table->scrollTo(at);
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(at).center());
    }

    // The slots of the rows the overview shows, top to bottom.
    std::vector<int> shown_slots() const
    {
        std::vector<int> out;
        PageRowFilter* rows = overview_->rows();
        for (int r = 0; r < rows->rowCount(); ++r)
            out.push_back(rows->mapToSource(rows->index(r, 0)).row());
        return out;
    }

    // "デバイスと比較" with "高速", shown as the program shows it: modal over everything.
    // The keys of the differences it found.
    static std::vector<std::string> compare_keys()
    {
        CompareDialog dialog;
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.show();
        if (!dialog.fast_box()->isChecked())
            QTest::mouseClick(dialog.fast_box(), Qt::LeftButton, {}, QPoint(4, 4));
        dialog.start_compare();
        EXPECT_TRUE(dialog.run_active());
        EXPECT_TRUE(
            wait_in_event_loop([&] { return dialog.compare_button()->isEnabled(); }, k_run_wait_ms))
            << dialog.status_label()->text().toStdString();
        std::vector<std::string> keys;
        for (int r = 0; r < dialog.table()->rowCount(); ++r)
            keys.push_back(dialog.table()->item(r, 0)->data(Qt::UserRole).toString().toStdString());
        return keys;
    }

    ConfigSandbox sandbox_;  // "高速" of the compare is remembered here
    DevSimProcess sim_;
    BoxRecorder boxes_;
    std::unique_ptr<PageOverviewDialog> overview_;
};

TEST_F(PageOverviewE2e, SendsOnlyTheSelectedRowAndTheDeviceFilterShowsTheRowLeft)
{
    click_row(k_sent_slot);
    ASSERT_EQ(overview_->selected_slots(), std::vector<int>{k_sent_slot});

    QTest::mouseClick(overview_->send_button(), Qt::LeftButton);
    ASSERT_TRUE(overview_->run_active()) << overview_->note()->text().toStdString();
    EXPECT_FALSE(overview_->send_button()->isEnabled());
    ASSERT_TRUE(
        wait_in_event_loop([&] { return overview_->send_button()->isEnabled(); }, k_run_wait_ms));
    EXPECT_FALSE(overview_->run_active());
    EXPECT_FALSE(answer_outstanding(program_context())) << "the run ends with its last answer";

    // Title, position, switching time, colours, fill and level of page 004.
    const QProgressBar* progress = overview_->send_progress();
    EXPECT_EQ(progress->maximum(), 6);
    EXPECT_EQ(progress->value(), progress->maximum());
    EXPECT_EQ(overview_->note()->text(), QStringLiteral("6 件のコマンドを送信しました。"));
    ASSERT_EQ(boxes_.boxes().size(), 1u) << boxes_.last_text();
    EXPECT_EQ(boxes_.boxes()[0].kind, BoxKind::confirm_not_auto_switching);

    // On the wire: those six commands, once each, in order, and nothing of page 011.
    QStringList sent;
    for (const PageSend& s : page_sends(model().config, {k_sent_slot})) {
        const std::string bytes = page_send_command(model().config, s).bytes;
        sent << QString::fromLatin1(bytes.substr(0, bytes.size() - 2));
    }
    EXPECT_EQ(sim_.commands(), sent);

    EXPECT_EQ(compare_keys(), std::vector<std::string>{"border_color.011"});
    ASSERT_TRUE(device_reading());
    EXPECT_EQ(device_reading()->pages.page_title[k_sent_slot],
              model().config.pages.page_title[k_sent_slot]);

    ASSERT_TRUE(show_active(overview_.get()));
    pick_item(overview_->show_list(), k_show_unlike_device);
    EXPECT_EQ(shown_slots(), std::vector<int>{k_other_slot});
}

TEST_F(PageOverviewE2e, TheDeviceFilterFollowsACompareMadeWhileItShows)
{
    pick_item(overview_->show_list(), k_show_unlike_device);
    EXPECT_TRUE(shown_slots().empty()) << "nothing was read from the device yet";

    EXPECT_EQ(compare_keys().size(), 4u);
    EXPECT_EQ(shown_slots(), (std::vector<int>{k_sent_slot, k_other_slot}));

    click_row(k_sent_slot);
    QTest::mouseClick(overview_->send_button(), Qt::LeftButton);
    ASSERT_TRUE(
        wait_in_event_loop([&] { return overview_->send_button()->isEnabled(); }, k_run_wait_ms));
    EXPECT_EQ(compare_keys(), std::vector<std::string>{"border_color.011"});
    EXPECT_EQ(shown_slots(), std::vector<int>{k_other_slot});
}

}  // namespace
}  // namespace velta
