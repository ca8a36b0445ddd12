// Protects the glyph list runs against the device simulator over TCP/IP: every glyph of a
// size registered, the store cleared, then read back gives the same glyphs, at the runs' periods
// or with "高速" as the answers come; and "中止" stops a run where it is.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <string>

#include "core/common/run_activity.h"
#include "core/glyphs/glyph_state.h"
#include "core/glyphs/glyph_text.h"
#include "core/glyphs/glyph_transfer.h"
#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "core/wire/framing.h"
#include "core/wire/link_status.h"
#include "core/wire/paced_run.h"
#include "link/tcp_link.h"
#include "program/program_context.h"
#include "support/box_recorder.h"
#include "support/devsim_process.h"
#include "support/event_wait.h"
#include "support/user_input.h"
#include "support/wire_capture.h"
#include "ui/glyphs/glyph_list_dialog.h"

namespace velta {
namespace {

// A pattern that differs from slot to slot and from digit to digit.
char pattern_digit(int slot, int i)
{
    return glyph_value_digit((slot * 5 + i * 3 + i / 7) % 16);
}

std::string store_digits(GlyphSize size)
{
    const GlyphSizeInfo& info = glyph_size_info(size);
    std::string all;
    for (int s = 0; s < info.slot_count; ++s)
        all.append(glyph_slot(model().glyphs, size, s).data(),
                   static_cast<std::size_t>(info.glyph_digits));
    return all;
}

// Fills every slot with the pattern and returns the store.
std::string fill_pattern(GlyphSize size)
{
    const GlyphSizeInfo& info = glyph_size_info(size);
    for (int s = 0; s < info.slot_count; ++s)
        for (int i = 0; i < info.glyph_digits; ++i)
            glyph_slot(model().glyphs, size, s)[static_cast<std::size_t>(i)] = pattern_digit(s, i);
    return store_digits(size);
}

class GlyphE2E : public ::testing::TestWithParam<GlyphSize> {
protected:
    void SetUp() override
    {
        reset_for_test();
        reset_glyph_state();
        ASSERT_TRUE(sim_.start(QStringList{"--listen", "127.0.0.1:0"} + faults()))
            << "velta-devsim did not start: " << VELTA_DEVSIM_PATH;
        ASSERT_TRUE(connect_tcp_client_to(sim_.first_line()));
        set_pace_divisor(200);
    }
    virtual QStringList faults() const { return {}; }
    void TearDown() override
    {
        set_pace_divisor(1);
        disconnect_all();
        sim_.stop();
        reset_glyph_state();
        reset_for_test();
    }

    BoxRecorder boxes_;
    DevSimProcess sim_;
};

TEST_P(GlyphE2E, RegisterAllThenReadAllGivesTheSameGlyphs)
{
    const GlyphSize size = GetParam();
    const std::string registered = fill_pattern(size);
    mark_glyph_list_saved(model().glyphs,
                          size);  // as read from its file, so the clear below asks nothing

    GlyphListDialog list(size);
    list.button(QStringLiteral("登録"))->click();
    ASSERT_TRUE(glyph_run_active());
    ASSERT_TRUE(QTest::qWaitFor([] { return !glyph_run_active(); }, 60000));
    ASSERT_TRUE(
        QTest::qWaitFor([] { return !socket_answer_outstanding(program_context()); }, 5000));
    EXPECT_EQ(link_status().reply_error, 0);

    list.button(QStringLiteral("バッファクリア"))->click();
    ASSERT_EQ(store_digits(size), std::string(registered.size(), '0'));

    list.button(QStringLiteral("リード"))->click();
    ASSERT_TRUE(glyph_run_active());
    ASSERT_TRUE(QTest::qWaitFor([] { return !glyph_run_active(); }, 60000));
    EXPECT_EQ(store_digits(size), registered);
    // No box but the question before the register run and the connection notice.
    for (const Box& b : boxes_.boxes())
        EXPECT_TRUE(b.kind == BoxKind::confirm_not_auto_switching || b.kind == BoxKind::info)
            << b.text;
}

INSTANTIATE_TEST_SUITE_P(Sizes, GlyphE2E,
                         ::testing::Values(GlyphSize::large, GlyphSize::medium, GlyphSize::small));

TEST_F(GlyphE2E, FastRunsGoAsTheAnswersComeOneCommandASlotInOrder)
{
    set_pace_divisor(1);  // at their periods the runs would take 140 s and 28 s
    const std::string registered = fill_pattern(GlyphSize::large);
    GlyphListDialog list(GlyphSize::large);
    ASSERT_TRUE(show_active(&list));
    QTest::mouseClick(list.fast_box(), Qt::LeftButton);
    ASSERT_TRUE(list.fast_box()->isChecked());
    auto run = [&](const char* text) {
        list.button(QString::fromUtf8(text))->click();
        EXPECT_FALSE(list.fast_box()->isEnabled());
        return glyph_run_active() && wait_in_event_loop([] { return !glyph_run_active(); }, 20000);
    };
    ASSERT_TRUE(run("登録"));
    list.button(QStringLiteral("バッファクリア"))->click();
    ASSERT_TRUE(run("リード"));
    QStringList expected;
    for (int s = 0; s < 70; ++s) expected << QStringLiteral("GRL%1").arg(s + 1, 3, 10, QChar('0'));
    for (int s = 0; s < 70; ++s)
        expected
            << QString::fromStdString(glyph_read_query(GlyphSize::large, glyph_code(s))).trimmed();
    QStringList got;
    for (const QString& c : sim_.commands()) got << (c.startsWith("GRL") ? c.left(6) : c);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(store_digits(GlyphSize::large), registered);
}

// Each answer a little late, so that a run can be stopped half-way at either pace.
class GlyphStop : public GlyphE2E {
    QStringList faults() const override { return {"--delay", "20"}; }
};

TEST_F(GlyphStop, StopSendsNothingMoreKeepsTheProgressAndLetsTheListClose)
{
    for (const bool fast : {false, true}) {
        const qsizetype before = sim_.commands().size();
        GlyphListDialog list(GlyphSize::large);
        list.show();
        list.fast_box()->setChecked(fast);
        list.button(QStringLiteral("登録"))->click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return list.progress_bar()->value() >= 5; }, 10000));
        list.stop_button()->click();
        EXPECT_FALSE(glyph_run_active());
        const int bar = list.progress_bar()->value();
        const QString note = list.stop_note()->text();
        QTest::qWait(400);  // at its pace the run would have sent a dozen more
        const qsizetype sent = sim_.commands().size() - before;
        EXPECT_TRUE(sent > 0 && sent < 70) << sent;
        EXPECT_EQ(note, QStringLiteral("中止しました（%1 / 70）").arg(sent)) << fast;
        EXPECT_EQ(list.progress_bar()->value(), bar);
        list.close_button()->click();
        EXPECT_FALSE(list.isVisible());
    }
}

}  // namespace
}  // namespace velta
