// Protects the glyph exchanges with the device: slot codes, register and read commands, how a
// bitmap reply is stored (and when it is not), and the list runs.
#include "core/glyphs/glyph_transfer.h"

#include <gtest/gtest.h>

#include <string>

#include "core/common/run_activity.h"
#include "core/glyphs/glyph_run.h"
#include "core/glyphs/glyph_state.h"
#include "core/glyphs/glyph_text.h"
#include "core/model/settings_model.h"
#include "core/wire/codecs.h"
#include "core/wire/device_context.h"
#include "core/wire/link_status.h"
#include "core/wire/reply_dispatcher.h"
#include "program/program_context.h"
#include "support/box_recorder.h"
#include "support/wire_capture.h"

namespace velta {
namespace {

std::string slot_text(GlyphSize size, int slot)
{
    auto s = glyph_slot(model().glyphs, size, slot);
    return {s.data(), s.size()};
}

// The bitmap reply to the query of `code`.
std::string reply(std::string_view prefix, std::string digits, unsigned code = 0xA621)
{
    char hex[4];
    format_hex4(code, hex);
    return std::string(prefix) + std::string(hex, 4) + digits + "\r\n";
}

TEST(GlyphCode, RangeEdges)
{
    EXPECT_EQ(glyph_code(0), 0xA365u);
    EXPECT_EQ(glyph_code(25), 0xA37Eu);
    EXPECT_EQ(glyph_code(26), 0xA421u);
    EXPECT_EQ(glyph_code(119), 0xA47Eu);
    EXPECT_EQ(glyph_code(120), 0xA521u);
    EXPECT_EQ(glyph_code(213), 0xA57Eu);
    EXPECT_EQ(glyph_code(214), 0xA621u);
    EXPECT_EQ(glyph_code(255), 0xA64Au);
}

TEST(GlyphText, DigitRulesBothWays)
{
    for (int v = 0; v < 16; ++v) EXPECT_EQ(glyph_digit_value(glyph_value_digit(v)), v);
    EXPECT_EQ(glyph_value_digit(10), 'A');
    EXPECT_EQ(glyph_value_digit(9), '9');
    // Pixel 0 of a digit is its value 8, pixel 3 its value 1.
    const std::string row = "8100000000000000000000000";
    EXPECT_TRUE(glyph_pixel(GlyphSize::small, row, 0, 0));
    EXPECT_FALSE(glyph_pixel(GlyphSize::small, row, 1, 0));
    EXPECT_TRUE(glyph_pixel(GlyphSize::small, row, 7, 0));
}

TEST(GlyphRegister, LargeLastSlotIsGlyphSeventyAnd584Characters)
{
    WireCapture wire;
    std::string digits(576, '0');
    digits[0] = 'F';
    digits[575] = '1';
    send_glyph_register(program_context(), GlyphSize::large, 69, digits);
    ASSERT_EQ(wire.sent().size(), 1u);
    const std::string& cmd = wire.last();
    EXPECT_EQ(cmd.size(), 584u);
    EXPECT_EQ(cmd.substr(0, 7), "GRL070F");
    EXPECT_EQ(cmd.substr(cmd.size() - 3), "1\r\n");

    send_glyph_register(program_context(), GlyphSize::medium, 4, std::string(256, 'A'));
    EXPECT_EQ(wire.last().substr(0, 6), "GRM005");
    EXPECT_EQ(wire.last().size(), 264u);
    send_glyph_register(program_context(), GlyphSize::small, 255, std::string(144, '1'));
    EXPECT_EQ(wire.last().substr(0, 6), "GRS256");
    EXPECT_EQ(wire.last().size(), 152u);
}

TEST(GlyphRead, QueryOfSmallSlot214AndTheOutstandingRule)
{
    WireCapture wire;
    BoxRecorder boxes;
    send_glyph_read(program_context(), GlyphSize::small, glyph_code(214));
    EXPECT_EQ(wire.last(), "RFBMSA621\r\n");
    EXPECT_EQ(link_status().read_pending, 1);
    // A second read while the first is outstanding is dropped without a message.
    send_glyph_read(program_context(), GlyphSize::large, glyph_code(0));
    EXPECT_EQ(wire.sent().size(), 1u);
    EXPECT_TRUE(boxes.boxes().empty());
    // Any reply line frees the next read.
    serial_dispatch(program_context(), "GO\r\n");
    EXPECT_EQ(link_status().read_pending, 0);
    send_glyph_read(program_context(), GlyphSize::large, 0);
    EXPECT_EQ(wire.last(), "RFBML2121\r\n");
}

TEST(GlyphRead, LinkDownShowsTheErrorAndKeepsReadPending)
{
    WireCapture wire;
    BoxRecorder boxes;
    link_settings().interface = Interface::tcp;
    link_status().socket_connected = 0;
    send_glyph_read(program_context(), GlyphSize::medium, glyph_code(3));
    EXPECT_TRUE(wire.sent().empty());
    EXPECT_EQ(link_status().read_pending, 0);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].kind, BoxKind::error);
    EXPECT_EQ(boxes.last_text(), "Socket が接続されていません");
}

TEST(GlyphReply, StoredWithNulAndSpareBytesUntouched)
{
    WireCapture wire;
    int redraws = 0;
    set_glyph_redraw_hook([&](GlyphSize) { ++redraws; });
    model().glyphs.glyph_transfer_index = 7;
    send_glyph_read(program_context(), GlyphSize::small, 0xA621);
    std::string digits(144, '0');
    digits[0] = 'F';
    digits[143] = 'C';
    serial_dispatch(program_context(), reply("FBMS", digits));
    const std::string slot = slot_text(GlyphSize::small, 7);
    EXPECT_EQ(slot.substr(0, 144), digits);
    EXPECT_EQ(slot[144], '\0');
    EXPECT_EQ(slot.substr(145), "00000");
    EXPECT_EQ(std::string(glyph_work_text(model().glyphs, GlyphSize::small)), digits);
    EXPECT_EQ(model().glyphs.glyph_work[144], '\0');
    EXPECT_EQ(link_status().read_pending, 0);
    EXPECT_EQ(redraws, 1);  // the single read redraws the open editor
    EXPECT_EQ(model().glyphs.glyph_transfer_index, 7);
    set_glyph_redraw_hook({});
}

TEST(GlyphReply, ShortOrGarbledOrOutOfRangeRepliesAreNotStored)
{
    WireCapture wire;
    model().glyphs.glyph_transfer_index = 2;
    send_glyph_read(program_context(), GlyphSize::medium, 0xA621);
    serial_dispatch(program_context(), reply("FBMM", std::string(200, 'F')));  // too short
    EXPECT_EQ(slot_text(GlyphSize::medium, 2), std::string(260, '0'));
    EXPECT_EQ(link_status().read_pending, 0);

    std::string bad(256, 'F');
    bad[100] = 'f';
    serial_dispatch(program_context(), reply("FBMM", bad));
    EXPECT_EQ(slot_text(GlyphSize::medium, 2), std::string(260, '0'));

    // The index is shared with insertion, which can leave it beyond the large slots.
    model().glyphs.glyph_transfer_index = 255;
    send_glyph_read(program_context(), GlyphSize::large, 0xA621);
    serial_dispatch(program_context(), reply("FBML", std::string(576, 'F')));
    for (int s = 0; s < 70; ++s)
        EXPECT_EQ(slot_text(GlyphSize::large, s), std::string(580, '0')) << s;
    EXPECT_EQ(glyph_work_text(model().glyphs, GlyphSize::large), std::string(576, 'F'));
}

TEST(GlyphReply, DuringARunAdvancesTheIndexWithoutRedraw)
{
    WireCapture wire;
    int redraws = 0;
    set_glyph_redraw_hook([&](GlyphSize) { ++redraws; });
    run_activity().glyph_run = true;
    model().glyphs.glyph_transfer_index = 3;
    send_glyph_query(program_context(), GlyphSize::large, 0xA621);
    serial_dispatch(program_context(), reply("FBML", std::string(576, 'A')));
    EXPECT_EQ(model().glyphs.glyph_transfer_index, 4);
    EXPECT_EQ(slot_text(GlyphSize::large, 3).substr(0, 576), std::string(576, 'A'));
    // A garbled reply during a run still counts as answered.
    serial_dispatch(program_context(), reply("FBML", "XYZ"));
    EXPECT_EQ(model().glyphs.glyph_transfer_index, 5);
    EXPECT_EQ(slot_text(GlyphSize::large, 4), std::string(580, '0'));
    EXPECT_EQ(redraws, 0);
    set_glyph_redraw_hook({});
}

TEST(GlyphSample, TextAndCodeRules)
{
    EXPECT_EQ(glyph_sample_text("\x83"), "");
    EXPECT_EQ(glyph_sample_text("\x83\x41"), "\x83\x41");
    EXPECT_EQ(glyph_sample_text("abcd"), "abc");
    EXPECT_EQ(glyph_sample_code(""), 0x2121u);
    EXPECT_EQ(glyph_sample_code("\x83\x41"), 0x2522u);  // katakana a
    EXPECT_EQ(glyph_sample_code("ab"), 0x2121u);        // not a double-byte character
    // An IBM extension kanji is first moved to its NEC place (FA5C -> ED40).
    EXPECT_EQ(glyph_sample_code("\xFA\x5C"), 0x7921u);
}

// A periodic list run on a PacedRun whose timer the test ticks by hand.
struct ListRun {
    bool armed = false;
    std::vector<RunEnd> ends;
    PacedRun run{program_context(), [this](int) { armed = true; }, [this] { armed = false; }};

    bool start(bool register_all, GlyphSize size)
    {
        if (!prepare_glyph_run(program_context(), register_all, nullptr))
            return false;
        RunSteps steps = glyph_run_steps(program_context(), size, Pace::periodic);
        steps.progress = [this, size](int step) {
            percent = glyph_run_percent(program_context(), size, Pace::periodic, step);
        };
        steps.finished = [this, finished = std::move(steps.finished)](RunEnd end) {
            finished(end);
            ends.push_back(end);
        };
        return run.start(std::move(steps), k_glyph_read_period_ms);
    }
    std::string percent;
};

TEST(GlyphRun, RegisterRunSendsEverySlotThenEnds)
{
    WireCapture wire;
    BoxRecorder boxes;
    glyph_slot(model().glyphs, GlyphSize::large, 69)[0] = 'F';
    ListRun r;
    ASSERT_TRUE(r.start(true, GlyphSize::large));
    EXPECT_EQ(boxes.count("本機が自動切換えでない事を確認してください"), 1);
    EXPECT_TRUE(glyph_run_active());
    std::string first_percent;
    int ticks = 0;
    do {
        r.run.tick();
        if (ticks++ == 0)
            first_percent = r.percent;
        if (ticks == 35) {
            EXPECT_EQ(r.percent, " 50.0");
        }
    } while (r.run.running() && ticks < 100);
    EXPECT_EQ(first_percent, " 01.4");
    EXPECT_EQ(ticks, 70);
    EXPECT_EQ(r.ends, std::vector<RunEnd>{RunEnd::completed});
    ASSERT_EQ(wire.sent().size(), 70u);
    EXPECT_EQ(wire.sent()[0].substr(0, 6), "GRL001");
    EXPECT_EQ(wire.sent()[69].substr(0, 7), "GRL070F");
    EXPECT_FALSE(glyph_run_active());
    EXPECT_EQ(model().glyphs.glyph_transfer_index, 0);
    // Success answers stay quiet during a run, and error answers do not stop it.
    EXPECT_EQ(boxes.boxes().size(), 1u);
}

TEST(GlyphRun, RegisterRunAnsweredNoOrLinkDownDoesNotStart)
{
    WireCapture wire;
    BoxRecorder boxes;
    ListRun r;
    boxes.answer_next(BoxAnswer::no);
    EXPECT_FALSE(r.start(true, GlyphSize::large));
    link_settings().interface = Interface::tcp;
    EXPECT_FALSE(r.start(false, GlyphSize::large));
    EXPECT_EQ(boxes.last_text(), "Socket が接続されていません");
    EXPECT_EQ(boxes.boxes().back().kind, BoxKind::warning);
    link_settings().interface = Interface::serial;
    run_activity().settings_run = true;
    EXPECT_FALSE(r.start(false, GlyphSize::large));
    EXPECT_FALSE(glyph_run_active());
    run_activity().settings_run = false;
}

TEST(GlyphRun, ReadRunAsksOneAtATimeStepsOnRepliesAndAsksAgainAfterAnError)
{
    WireCapture wire;
    ListRun r;
    ASSERT_TRUE(r.start(false, GlyphSize::small));
    r.run.tick();
    EXPECT_EQ(wire.last(), "RFBMSA365\r\n");
    // No answer yet: nothing more goes out, the run waits.
    r.run.tick();
    EXPECT_EQ(wire.sent().size(), 1u);
    EXPECT_EQ(r.percent, " 00.0");
    EXPECT_TRUE(r.run.running());
    // An error answer brings no bitmap: the same slot is asked again.
    serial_dispatch(program_context(), "E1\r\n");
    r.run.tick();
    ASSERT_EQ(wire.sent().size(), 2u);
    EXPECT_EQ(wire.last(), "RFBMSA365\r\n");
    for (int s = 0; s < 256; ++s) {
        serial_dispatch(program_context(),
                        reply("FBMS", std::string(144, glyph_value_digit(s % 16)), glyph_code(s)));
        r.run.tick();
    }
    EXPECT_FALSE(glyph_run_active());
    EXPECT_EQ(r.ends, std::vector<RunEnd>{RunEnd::completed});
    EXPECT_EQ(wire.sent().size(), 257u);
    EXPECT_EQ(wire.sent()[256], "RFBMSA64A\r\n");
    EXPECT_EQ(slot_text(GlyphSize::small, 255).substr(0, 144), std::string(144, 'F'));
    EXPECT_EQ(slot_text(GlyphSize::small, 17).substr(0, 144), std::string(144, '1'));
}

TEST(GlyphRun, EndWithTheDialogClearsTheFlags)
{
    WireCapture wire;
    ListRun r;
    ASSERT_TRUE(r.start(false, GlyphSize::medium));
    r.run.tick();
    r.run.cancel();
    end_glyph_run(program_context());
    EXPECT_EQ(link_status().read_pending, 0);
    EXPECT_FALSE(glyph_run_active());
    EXPECT_EQ(r.ends, std::vector<RunEnd>{RunEnd::cancelled});
}

}  // namespace
}  // namespace velta
