// Protects the glyph list runs against the device simulator over TCP/IP: every glyph of a
// size registered, the store cleared, then read back gives the same glyphs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <string>

#include "core/common/run_activity.h"
#include "core/glyphs/glyph_state.h"
#include "core/glyphs/glyph_text.h"
#include "core/model/settings_model.h"
#include "core/wire/framing.h"
#include "core/wire/link_status.h"
#include "core/wire/paced_run.h"
#include "link/tcp_link.h"
#include "support/box_recorder.h"
#include "support/devsim_process.h"
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
        all.append(glyph_slot(size, s).data(), static_cast<std::size_t>(info.glyph_digits));
    return all;
}

class GlyphE2E : public ::testing::TestWithParam<GlyphSize> {
protected:
    void SetUp() override
    {
        reset_for_test();
        reset_glyph_state();
        ASSERT_TRUE(sim_.start({QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")}))
            << "velta-devsim did not start: " << VELTA_DEVSIM_PATH;
        ASSERT_TRUE(connect_tcp_client_to(sim_.first_line()));
        set_pace_divisor(200);
    }
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
    const GlyphSizeInfo& info = glyph_size_info(size);
    for (int s = 0; s < info.slot_count; ++s)
        for (int i = 0; i < info.glyph_digits; ++i)
            glyph_slot(size, s)[static_cast<std::size_t>(i)] = pattern_digit(s, i);
    const std::string registered = store_digits(size);

    GlyphListDialog list(size);
    list.button(QStringLiteral("登録"))->click();
    ASSERT_TRUE(glyph_run_active());
    ASSERT_TRUE(QTest::qWaitFor([] { return !glyph_run_active(); }, 60000));
    ASSERT_TRUE(QTest::qWaitFor([] { return !socket_answer_outstanding(); }, 5000));
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

}  // namespace
}  // namespace velta
