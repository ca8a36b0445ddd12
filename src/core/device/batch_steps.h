#pragma once
// The orders of the two whole-configuration runs, held once as data: "set all" sends every
// setting with the routine its own dialog uses, "read all" sends one read query per step.
// The dialogs and the command-line tool run these steps; the pacing is theirs.

#include <optional>
#include <string>
#include <string_view>

#include "core/common/built_command.h"
#include "core/model/settings_model.h"
#include "core/wire/paced_run.h"

namespace velta {

inline constexpr int k_set_all_steps = 310;
inline constexpr int k_read_all_steps = 312;  // the last step sends nothing and ends the run
inline constexpr int k_set_all_period_ms = 400;
inline constexpr int k_read_all_period_ms = 300;

// What the progress field shows after a step.
int batch_percent(int step, int steps);

// The query of a read-all step (1..311); empty for the completion step and outside the run.
std::string read_all_query(int step);
StepResult perform_read_all_step(DeviceContext& context, int step);

// The command head a set-all step sends ("CA", "SD", "AM", ... "IDP"); empty outside the run.
std::string_view set_all_head(int step);
// The command of a set-all step (a title, a schedule day, a device-wide or all-pages setting),
// or its refusal; empty outside the run.
BuiltCommand set_all_step_command(const DeviceConfig& config, int step);
// Sends a set-all step built from config. A title that cannot be encoded shows its warning,
// is not sent and ends the run; a hold time that is refused shows its message and the run goes
// on.
StepResult perform_set_all_step(DeviceContext& context, const DeviceConfig& config, int step);

// A set-all step whose command cannot be built from the configuration. The run is refused
// before its first command rather than leaving the device half-configured at that step.
struct SetAllRefusal {
    int step = 0;
    std::string item;    // which setting, as the operator knows it
    std::string reason;  // the message the step itself would show
};
std::optional<SetAllRefusal> set_all_refusal(const DeviceConfig& config);
// The refusal of one step, or nothing when it can be built.
std::optional<SetAllRefusal> set_all_step_refusal(const DeviceConfig& config, int step);
inline constexpr std::string_view k_text_set_all_refused = "全項目の設定を開始できません";
// "全項目の設定を開始できません（ページ 017 のタイトル）"
std::string set_all_refusal_text(const SetAllRefusal& refusal);
// Shows the refusal as a warning and returns false when the run must not start.
bool set_all_may_start(const DeviceConfig& config);

}  // namespace velta
