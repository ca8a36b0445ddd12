// Sending only what differs: the plan's commands are the set-all and dialog commands of the
// changed items, a same-for-all command goes when it is shorter, a simulated device given the
// plan ends up as if it had been given the wanted configuration whole, and the read plan reads
// back each changed item once.
#include "core/device/send_plan.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/device/config_diff.h"
#include "core/device/network_commands.h"
#include "core/pages/page_commands.h"
#include "core/wire/device_context.h"
#include "core/wire/framing.h"
#include "core/wire/link_status.h"
#include "device_protocol.h"
#include "program/program_context.h"
#include "support/wire_capture.h"

namespace velta {
namespace {

constexpr const char* k_a_title = "\x82\xa0\x82\xa2";  // two full-width kana

// What the routines send from config.
std::vector<std::string> sends(const DeviceConfig& config, const std::function<void()>& routines)
{
    WireCapture wire;
    model().config = config;
    routines();
    return wire.sent();
}

// What the plan sends: built from wanted alone, whatever the configuration being edited holds.
std::vector<std::string> plan_sends(const std::vector<PlanStep>& plan, const DeviceConfig& wanted)
{
    return sends(DeviceConfig{}, [&] {
        for (const PlanStep& s : plan)
            EXPECT_EQ(perform_plan_step(program_context(), wanted, s), StepResult::sent) << s.label;
    });
}

// Gives a simulated device the commands, each of which it must take.
void deliver(devsim::DeviceState& device, const std::vector<std::string>& commands)
{
    for (std::string cmd : commands) {
        cmd.resize(cmd.size() - 2);  // CR LF
        ASSERT_EQ(devsim::execute_command(device, cmd), "GO") << cmd;
    }
}

// Everything the tool can set of a configuration: set-all, the network options, and the
// automatic switching times of the pages a two-line all-pages command does not carry.
void send_whole()
{
    for (int step = 1; step <= k_set_all_steps; ++step)
        perform_set_all_step(program_context(), model().config, step);
    for (auto build :
         {net_subnet_class_command, net_ect_command, net_keep_alive_command, net_etr_command})
        send_command(program_context(), build(model().config));
    for (int slot = 0; slot < k_page_slots; ++slot)
        send_command(program_context(), auto_switch_time_command(model().config, slot));
}

// A simulated device given `device` whole and then the plan ends as one given `wanted` whole.
void expect_plan_reaches_wanted(const DeviceConfig& device, const DeviceConfig& wanted,
                                const std::vector<PlanStep>& plan)
{
    devsim::DeviceState sent = devsim::factory_state();
    deliver(sent, sends(device, send_whole));
    devsim::DeviceState whole = sent;
    deliver(sent, plan_sends(plan, wanted));
    deliver(whole, sends(wanted, send_whole));
    EXPECT_TRUE(sent == whole);
}

TEST(SendPlan, SendsTheSetAllAndDialogBytesOfWhatDiffersOnce)
{
    DeviceConfig wanted;
    wanted.pages.page_title[2] = k_a_title;
    wanted.device.schedule_minute[4][2] = 5;
    wanted.device.schedule_page[4][3] = k_page_pas;
    wanted.device.alarm_hold_time = "045";
    wanted.device.connector_assignment[0] = 5;
    wanted.device.connector_assignment[7] = 9;
    wanted.pages.page_char_color[4] = 1;
    wanted.pages.page_border_color[4] = 2;
    wanted.device.net_keep_alive = 1;
    EXPECT_TRUE(send_plan(wanted, wanted).empty());

    const std::vector<PlanStep> plan = send_plan(DeviceConfig{}, wanted);
    std::vector<std::string> expected;
    {
        WireCapture wire;
        model().config = wanted;
        for (int step : {3, 261}) perform_set_all_step(program_context(), model().config, step);
        for (int step = 288; step <= k_set_all_steps; ++step)
            if (set_all_head(step) == "ADT" || set_all_head(step) == "ACA")
                perform_set_all_step(program_context(), model().config, step);
        send_command(program_context(), colours_command(wanted, 4));
        send_command(program_context(), net_keep_alive_command(wanted));
        expected = wire.sent();
    }
    EXPECT_EQ(plan_sends(plan, wanted), expected);

    // Every difference is covered by exactly one step.
    std::vector<std::string> covered;
    for (const PlanStep& s : plan) covered.insert(covered.end(), s.keys.begin(), s.keys.end());
    std::vector<std::string> keys;
    for (const ConfigDifference& d : diff(DeviceConfig{}, wanted)) keys.push_back(d.key);
    EXPECT_EQ(covered, keys);

    // The shown command is the one sent.
    for (std::size_t i = 0; i < plan.size(); ++i)
        EXPECT_EQ(plan_command(wanted, plan[i]), expected[i]) << plan[i].label;
}

TEST(SendPlan, AnAllPagesCommandGoesOnlyWhenShorterThanItsOnePageCommands)
{
    using Change = void (*)(DeviceConfig&, int);
    const Change position = [](DeviceConfig& c, int s) { c.pages.page_title_position[s] = 0; };
    const Change colour = [](DeviceConfig& c, int s) { c.pages.page_border_color[s] = 3; };
    const Change seconds = [](DeviceConfig& c, int s) { c.pages.page_auto_switch_time[s] = 9; };
    struct Case {
        Change change;
        int page_mode;
        int pages;       // 0 .. pages-1 change
        int extra_page;  // and this one, unless -1
        std::size_t steps;
    };
    // One page: 9 bytes ("IDP001T"), 11 ("CABC00170", "PAST00103"); all pages: 261 ("IDP"),
    // 518 ("CABC"), 262 ("PAST" in two-line mode, 128 pages).
    for (const Case& c :
         {Case{position, 0, 29, -1, 29}, Case{position, 0, 30, -1, 1}, Case{colour, 0, 47, -1, 47},
          Case{colour, 0, 48, -1, 1}, Case{seconds, 1, 23, -1, 23}, Case{seconds, 1, 24, -1, 1},
          Case{seconds, 1, 24, 200, 2}, Case{seconds, 0, 24, 200, 25}}) {
        DeviceConfig device;
        device.device.page_mode = c.page_mode;
        DeviceConfig wanted = device;
        for (int s = 0; s < c.pages; ++s) c.change(wanted, s);
        if (c.extra_page >= 0)
            c.change(wanted, c.extra_page);
        const std::vector<PlanStep> plan = send_plan(device, wanted);
        ASSERT_EQ(plan.size(), c.steps) << c.pages << " pages, mode " << c.page_mode;
        SCOPED_TRACE(c.pages);
        expect_plan_reaches_wanted(device, wanted, plan);
    }
}

TEST(SendPlan, BringsADeviceToTheWantedConfigurationAndReadsItBack)
{
    DeviceConfig device;
    device.pages.page_title[0] = k_a_title;
    device.pages.page_char_level[9] = 0;
    device.device.schedule_page[0][0] = 4;
    device.device.clock_display = 1;
    device.device.net_subnet_class = 0;
    DeviceConfig wanted = device;
    wanted.pages.page_title[0].clear();
    wanted.pages.page_title[255] = k_a_title;
    for (int s = 0; s < k_page_slots; ++s) wanted.pages.page_background_fill[s] = s % 2;
    wanted.pages.page_char_level[9] = 1;
    wanted.device.page_mode = 1;
    wanted.device.power_on_page = k_page_pas;
    wanted.device.schedule_page[0][0] = 100;
    wanted.device.schedule_hour[30][23] = 7;
    wanted.device.alarm_mode = 1;
    wanted.device.upper_display_offset = 99;
    wanted.device.remote_mode = 2;
    wanted.device.net_subnet_class = 2;
    wanted.device.net_etr = 3;

    expect_plan_reaches_wanted(device, wanted, send_plan(device, wanted));

    // Each changed item is read back by one query; the read plan is in read-all order.
    for (const ConfigDifference& d : diff(device, wanted))
        EXPECT_EQ(read_plan({d.key}).size(), 1u) << d.key;
    EXPECT_EQ(read_plan({"network.keep_alive", "border_color.005", "schedule.05.03",
                         "char_color.009", "title.003", "schedule.05.04", "alarm.connector.2",
                         "alarm.connector.7", "network.subnet_class", "title.003", "no.such.key"}),
              (std::vector<std::string>{"RCA003\r\n", "RSD05\r\n", "RACA\r\n", "RCBC\r\n",
                                        "RCC\r\n", "REKA\r\n", "RESM\r\n"}));
}

}  // namespace
}  // namespace velta
