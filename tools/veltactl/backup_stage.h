#pragma once
// set-all --backup: before anything is sent, the device is read into a configuration of its
// own (the file loaded into the model is never touched) and kept in the backup folder.

#include <memory>
#include <string>

#include "core/device/device_job.h"
#include "core/model/settings_model.h"
#include "core/wire/reply_dispatcher.h"
#include "operations.h"
#include "step_driver.h"

namespace veltactl {

class BackupStage {
public:
    // The stage reads through context, the device's.
    explicit BackupStage(velta::DeviceContext& context) : context_(context) {}
    // The whole-device read, decoded into the stage's own configuration.
    Operation read();
    // After the read: saves the backup. An error (exit 4, nothing sent) when the device could
    // not be read or the file not written; otherwise the report names the file.
    Outcome save(const std::string& folder, const std::string& device, const RunReport& report);

private:
    velta::DeviceContext& context_;
    std::unique_ptr<velta::DeviceJob> job_;  // a read of the whole device
};

}  // namespace veltactl
