#include "backup_stage.h"

#include <chrono>

#include "answer_judge.h"
#include "core/device/batch_steps.h"
#include "core/device/device_compare.h"
#include "core/model/settings_backup.h"
#include "core/wire/device_context.h"

namespace veltactl {

Operation BackupStage::read()
{
    config_ = velta::DeviceConfig{};
    extras_ = context_.model.extras;
    decode_ = std::make_unique<velta::DecodeInto>(context_, config_, extras_);
    const std::vector<std::string> queries = velta::compare_read_queries();
    Operation op;
    op.name = "backup";
    op.steps = static_cast<int>(queries.size());
    op.period_ms = velta::paced_period(velta::k_read_all_period_ms);
    op.step = [queries](int n) {
        const std::string& query = queries[static_cast<std::size_t>(n - 1)];
        return Step{[query](velta::DeviceContext& c) {
                        velta::send_command(c, query);
                        return velta::StepResult::sent;
                    },
                    expect_reply_to(query)};
    };
    return op;
}

Outcome BackupStage::save(const std::string& folder, const std::string& device,
                          const RunReport& report)
{
    decode_.reset();
    Outcome out;
    if (!report.all_ok()) {
        out.exit_code = k_exit_failed;
        out.error = device + ": nothing sent: the device could not be read for its backup";
        return out;
    }
    std::string why;
    const std::string path =
        velta::save_backup(folder, device, config_, std::chrono::system_clock::now(), &why);
    if (path.empty()) {
        out.exit_code = k_exit_file;
        out.error =
            device + ": nothing sent: the backup could not be written in " + folder + ": " + why;
        return out;
    }
    out.report = device + ": backup " + path;
    return out;
}

}  // namespace veltactl
