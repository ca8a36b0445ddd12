#pragma once
// Bringing a device to a wanted configuration with only the commands that change something,
// and reading back only what was sent.
//
// A send plan is built from diff(device, wanted): each step is one of the routines the
// dialogs and the set-all run send with, in set-all order, followed by the device network
// options that set-all leaves alone. A per-page setting goes either as the one-page commands
// of the pages that differ or as its all-pages command, whichever is shorter on the wire. The
// steps are built from `wanted` itself; the configuration being edited is not touched.

#include <optional>
#include <string>
#include <vector>

#include "core/device/batch_steps.h"
#include "core/model/settings_model.h"
#include "core/wire/paced_run.h"

namespace velta {

enum class PlanSend {
    set_all_step,  // the routine of set-all step `step` (a title, a schedule day, a device step)
    one_page,      // the one-page command of the setting of set-all step `step`, page `slot`
    network,       // the network dialog's routine of option `step` (k_plan_network_options)
};

// The network options in the order of the differences: subnet class, connection try, keep
// alive, time register.
inline constexpr int k_plan_network_options = 4;

struct PlanStep {
    PlanSend send = PlanSend::set_all_step;
    int step = 0;
    int slot = -1;                  // the page of a one_page step
    std::string label;              // what the step sets, as the dialogs name it
    std::vector<std::string> keys;  // the differences (ConfigDifference::key) it covers

    bool operator==(const PlanStep&) const = default;
};

std::vector<PlanStep> send_plan(const DeviceConfig& device, const DeviceConfig& wanted);

// The command of a step built from wanted (without the RS-485 address), or its refusal.
BuiltCommand plan_step_command(const DeviceConfig& wanted, const PlanStep& step);
// Sends a step built from wanted, as perform_set_all_step does for a set-all step.
StepResult perform_plan_step(DeviceContext& context, const DeviceConfig& wanted,
                             const PlanStep& step);
// The bytes of plan_step_command, for showing a plan without sending it; empty when the step
// cannot be built (a title that cannot be encoded).
std::string plan_command(const DeviceConfig& wanted, const PlanStep& step);

// The first step that cannot be built from wanted, as set_all_refusal names it.
std::optional<SetAllRefusal> plan_refusal(const DeviceConfig& wanted,
                                          const std::vector<PlanStep>& plan);

// The read queries ("RCA003\r\n", "RSD05\r\n", "RPAST\r\n", ... "RESM\r\n") that read back the
// items of these difference keys: read-all queries in read-all order, then the network
// dialog's queries in its order, each once. Unknown keys are passed over.
std::vector<std::string> read_plan(const std::vector<std::string>& keys);

}  // namespace velta
