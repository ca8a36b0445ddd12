#include "backup_stage.h"

#include <chrono>

#include "compare_run.h"
#include "core/model/settings_backup.h"
#include "core/wire/device_context.h"

namespace veltactl {

Operation BackupStage::read()
{
    job_ = std::make_unique<velta::DeviceJob>(context_, velta::JobSpec{}, context_.model.config);
    return job_operation(*job_->begin(), "backup");
}

Outcome BackupStage::save(const std::string& folder, const std::string& device,
                          const RunReport& report)
{
    job_->next(phase_end(report), report.steps_done);
    Outcome out;
    if (job_->result() != velta::JobResult::done) {
        out.exit_code = k_exit_failed;
        out.error = device + ": nothing sent: the device could not be read for its backup";
        return out;
    }
    std::string why;
    const std::string path =
        velta::save_backup(folder, device, job_->reading(), std::chrono::system_clock::now(), &why);
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
