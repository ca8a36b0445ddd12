#include "device/batch_steps.h"

#include <array>

#include "device/device_fields.h"
#include "link/framing.h"

namespace velta {
namespace {

constexpr int k_title_steps = 256;
constexpr int k_first_schedule_step = k_title_steps + 1;
constexpr int k_last_schedule_step = k_title_steps + 31;

// The device-wide and all-pages queries after the titles and the schedule days.
constexpr std::array<std::string_view, 24> k_read_device_queries{
    "RACA\r\n",  "RAD\r\n",   "RADT\r\n",  "RAM\r\n",   "RAP\r\n",   "RAR\r\n",
    "RCBC\r\n",  "RCC\r\n",   "RCFST\r\n", "RCFSB\r\n", "RCI\r\n",   "RCWL\r\n",
    "RFB\r\n",   "RIDOB\r\n", "RIDOT\r\n", "RIDP\r\n",  "RIDPM\r\n", "RPAST\r\n",
    "RPOSP\r\n", "RRM\r\n",   "RTSD\r\n",  "RTSDR\r\n", "RTSDS\r\n", "RVLBC\r\n"};
static_assert(k_last_schedule_step + static_cast<int>(k_read_device_queries.size()) + 1 ==
              k_read_all_steps);

}  // namespace

int batch_percent(int step, int steps)
{
    return steps > 0 ? step * 100 / steps : 0;
}

std::string read_all_query(int step)
{
    if (step >= 1 && step <= k_title_steps) {
        std::string q = "RCA000\r\n";
        put_dec3(q, 3, step);
        return q;
    }
    if (step >= k_first_schedule_step && step <= k_last_schedule_step) {
        std::string q = "RSD00\r\n";
        put_dec2(q, 3, step - k_title_steps);
        return q;
    }
    const int i = step - k_last_schedule_step - 1;
    if (i >= 0 && i < static_cast<int>(k_read_device_queries.size()))
        return std::string(k_read_device_queries[static_cast<std::size_t>(i)]);
    return {};
}

StepResult perform_read_all_step(int step)
{
    const std::string q = read_all_query(step);
    if (!q.empty())
        send_command(q);
    return StepResult::sent;
}

}  // namespace velta
