// Protects the order of the whole-configuration runs: which query or command each step sends,
// and the percent shown after it.
#include <gtest/gtest.h>

#include "device/batch_steps.h"
#include "model/settings_model.h"
#include "support/wire_capture.h"

namespace velta {
namespace {

TEST(ReadAllSteps, QueryOrder)
{
    WireCapture wire;
    for (int step = 1; step <= k_read_all_steps; ++step)
        EXPECT_EQ(perform_read_all_step(step), StepResult::sent);
    const auto& q = wire.sent();
    ASSERT_EQ(q.size(), 311u);  // the completion step sends nothing
    EXPECT_EQ(q[0], "RCA001\r\n");
    EXPECT_EQ(q[9], "RCA010\r\n");
    EXPECT_EQ(q[255], "RCA256\r\n");
    EXPECT_EQ(q[256], "RSD01\r\n");
    EXPECT_EQ(q[286], "RSD31\r\n");
    const std::vector<std::string> device_queries(q.begin() + 287, q.end());
    EXPECT_EQ(device_queries,
              (std::vector<std::string>{"RACA\r\n", "RAD\r\n", "RADT\r\n", "RAM\r\n", "RAP\r\n",
                                        "RAR\r\n", "RCBC\r\n", "RCC\r\n", "RCFST\r\n",
                                        "RCFSB\r\n", "RCI\r\n", "RCWL\r\n", "RFB\r\n",
                                        "RIDOB\r\n", "RIDOT\r\n", "RIDP\r\n", "RIDPM\r\n",
                                        "RPAST\r\n", "RPOSP\r\n", "RRM\r\n", "RTSD\r\n",
                                        "RTSDR\r\n", "RTSDS\r\n", "RVLBC\r\n"}));
    EXPECT_EQ(read_all_query(0), "");
    EXPECT_EQ(read_all_query(313), "");
}

TEST(ReadAllSteps, TwoLineModeStillReadsEveryPageAndRs485AddressesEachQuery)
{
    WireCapture wire;
    model().device.page_mode = 1;
    model().link.rs485_mode = 1;
    model().link.slave_address = 7;
    perform_read_all_step(200);
    EXPECT_EQ(wire.last(), "07RCA200\r\n");
    model().link.slave_address = 32;
    perform_read_all_step(311);
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
