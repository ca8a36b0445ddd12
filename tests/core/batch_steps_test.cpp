// Protects the order of the whole-configuration runs: which query or command each step sends,
// and the percent shown after it, and the refusal of a run whose command cannot be built.
#include "core/device/batch_steps.h"

#include <gtest/gtest.h>

#include "core/device/alarm_commands.h"
#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "core/wire/link_status.h"
#include "program/program_context.h"
#include "support/box_recorder.h"
#include "support/wire_capture.h"

namespace velta {
namespace {

TEST(ReadAllSteps, QueryOrder)
{
    WireCapture wire;
    for (int step = 1; step <= k_read_all_steps; ++step)
        EXPECT_EQ(perform_read_all_step(program_context(), step), StepResult::sent);
    const auto& q = wire.sent();
    ASSERT_EQ(q.size(), 311u);  // the completion step sends nothing
    EXPECT_EQ(q[0], "RCA001\r\n");
    EXPECT_EQ(q[9], "RCA010\r\n");
    EXPECT_EQ(q[255], "RCA256\r\n");
    EXPECT_EQ(q[256], "RSD01\r\n");
    EXPECT_EQ(q[286], "RSD31\r\n");
    const std::vector<std::string> device_queries(q.begin() + 287, q.end());
    EXPECT_EQ(device_queries,
              (std::vector<std::string>{
                  "RACA\r\n",  "RAD\r\n",   "RADT\r\n",  "RAM\r\n",   "RAP\r\n",   "RAR\r\n",
                  "RCBC\r\n",  "RCC\r\n",   "RCFST\r\n", "RCFSB\r\n", "RCI\r\n",   "RCWL\r\n",
                  "RFB\r\n",   "RIDOB\r\n", "RIDOT\r\n", "RIDP\r\n",  "RIDPM\r\n", "RPAST\r\n",
                  "RPOSP\r\n", "RRM\r\n",   "RTSD\r\n",  "RTSDR\r\n", "RTSDS\r\n", "RVLBC\r\n"}));
    EXPECT_EQ(read_all_query(0), "");
    EXPECT_EQ(read_all_query(313), "");
}

TEST(ReadAllSteps, TwoLineModeStillReadsEveryPageAndRs485AddressesEachQuery)
{
    WireCapture wire;
    model().config.device.page_mode = 1;
    link_settings().rs485 = true;
    link_settings().slave_address = 7;
    perform_read_all_step(program_context(), 200);
    EXPECT_EQ(wire.last(), "07RCA200\r\n");
    link_settings().slave_address = 32;
    perform_read_all_step(program_context(), 311);
    EXPECT_EQ(wire.last(), "FFRVLBC\r\n");
}

TEST(BatchPercent, IntegerShareOfTheSteps)
{
    EXPECT_EQ(batch_percent(1, 310), 0);
    EXPECT_EQ(batch_percent(155, 310), 50);
    EXPECT_EQ(batch_percent(309, 310), 99);
    EXPECT_EQ(batch_percent(310, 310), 100);
    EXPECT_EQ(batch_percent(1, 312), 0);
    EXPECT_EQ(batch_percent(156, 312), 50);
    EXPECT_EQ(batch_percent(311, 312), 99);
    EXPECT_EQ(batch_percent(1, 32), 3);
    EXPECT_EQ(batch_percent(31, 32), 96);
}

}  // namespace
}  // namespace velta

namespace velta {
namespace {

TEST(SetAllSteps, EveryStepSendsItsOwnRoutinesCommand)
{
    WireCapture wire;
    BoxRecorder boxes;
    for (int step = 1; step <= k_set_all_steps; ++step)
        ASSERT_EQ(perform_set_all_step(program_context(), model().config, step), StepResult::sent)
            << step;
    const auto& sent = wire.sent();
    ASSERT_EQ(sent.size(), 310u);
    EXPECT_TRUE(boxes.boxes().empty());

    const std::vector<std::string> device_heads{
        "AM",  "ADT", "AP",   "ADO",  "ARO",  "ACA",  "PAST", "TSDO", "TSDR", "TSDS", "FB", "CABC",
        "CWL", "CI",  "POSP", "IDPM", "CFST", "CFSB", "IDOT", "IDOB", "VLBC", "RM",   "IDP"};
    for (int step = 1; step <= k_set_all_steps; ++step) {
        const std::string& c = sent[static_cast<std::size_t>(step - 1)];
        std::string expected = step <= 256   ? "CA"
                               : step <= 287 ? "SD"
                                             : device_heads[static_cast<std::size_t>(step - 288)];
        // The letters after the head belong to the layout ("AMI", "ADON", "IDPM1").
        EXPECT_TRUE(c.starts_with(expected)) << step << " " << c;
        EXPECT_EQ(set_all_head(step), expected) << step;
        EXPECT_TRUE(c.ends_with("\r\n")) << step;
    }
    EXPECT_TRUE(sent[0].starts_with("CA001"));
    EXPECT_TRUE(sent[255].starts_with("CA256"));
    EXPECT_EQ(sent[256].substr(0, 4), "SD01");
    EXPECT_EQ(sent[286].substr(0, 4), "SD31");
    EXPECT_EQ(sent[287], "AMI\r\n");
    EXPECT_EQ(sent[288], "ADT010\r\n");
    EXPECT_EQ(sent[292], "ACA001002003004005006007008\r\n");
    EXPECT_EQ(sent[308], "RMBIN\r\n");
    EXPECT_EQ(sent[309].size(), 3u + 256u + 2u);  // "IDP" and one letter per slot
    EXPECT_EQ(set_all_head(0), "");
    EXPECT_EQ(set_all_head(311), "");
}

TEST(SetAllSteps, ATitleThatCannotBeSentEndsTheRunWithItsWarning)
{
    WireCapture wire;
    BoxRecorder boxes;
    model().config.pages.page_title[16] =
        "\x82\xa0"
        "a";                              // odd byte length
    model().config.device.page_mode = 1;  // all 256 slots go in either mode
    for (int step = 1; step <= 16; ++step)
        EXPECT_EQ(perform_set_all_step(program_context(), model().config, step), StepResult::sent);
    EXPECT_EQ(perform_set_all_step(program_context(), model().config, 17), StepResult::end_now);
    EXPECT_EQ(wire.sent().size(), 16u);
    EXPECT_EQ(link_status().reply_error, 1);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.last_text(), "ＪＩＳ第１水準,第２水準以外の字が選択されてます");
    EXPECT_EQ(boxes.boxes().back().kind, BoxKind::warning);
    EXPECT_EQ(perform_set_all_step(program_context(), model().config, 200),
              StepResult::sent);  // slot 199 exists in two-line mode
    EXPECT_TRUE(wire.last().starts_with("CA200"));
}

TEST(SetAllSteps, ARefusedHoldTimeShowsItsMessageAndTheRunGoesOn)
{
    WireCapture wire;
    BoxRecorder boxes;
    model().config.device.alarm_hold_time = "2";
    EXPECT_EQ(perform_set_all_step(program_context(), model().config, 289), StepResult::sent);
    EXPECT_TRUE(wire.sent().empty());
    EXPECT_EQ(boxes.last_text(), "3秒以上を設定してください。");
    EXPECT_EQ(link_status().reply_error, 0);
}

TEST(SetAllSteps, ARunWithACommandThatCannotBeBuiltIsRefusedBeforeItStartsNamingTheItem)
{
    struct Case {
        void (*spoil)();
        int step;
        std::string text;
        std::string_view detail;
    };
    const Case cases[] = {
        {[] { model().config.device.alarm_hold_time = "abc"; }, 289,
         "全項目の設定を開始できません（アラームの保持時間「abc」）", k_text_hold_time_too_short},
        {[] { model().config.device.alarm_hold_time = "2"; }, 289,
         "全項目の設定を開始できません（アラームの保持時間「2」）", k_text_hold_time_too_short},
        {[] {
             model().config.device.page_mode = 1;
             model().config.pages.page_title[16] =
                 "\x82\xa0"
                 "a";
         },
         17, "全項目の設定を開始できません（ページ 009T のタイトル）", k_text_title_unencodable},
        {[] { model().config.pages.page_title[255] = "AB"; }, 256,
         "全項目の設定を開始できません（ページ 256 のタイトル）", k_text_title_unencodable},
    };
    for (const Case& c : cases) {
        reset_settings_model();
        WireCapture wire;
        BoxRecorder boxes;
        EXPECT_TRUE(set_all_may_start(model().config));
        c.spoil();
        const std::optional<SetAllRefusal> refusal = set_all_refusal(model().config);
        ASSERT_TRUE(refusal) << c.text;
        EXPECT_EQ(refusal->step, c.step);
        EXPECT_FALSE(set_all_may_start(model().config));
        ASSERT_EQ(boxes.boxes().size(), 1u);
        EXPECT_EQ(boxes.last_text(), c.text);
        EXPECT_EQ(boxes.boxes().back().detail, c.detail);
        EXPECT_TRUE(wire.sent().empty());
    }
    reset_settings_model();
}

}  // namespace
}  // namespace velta
