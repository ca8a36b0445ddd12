#pragma once
// The set-all run alone, without the read that first keeps the device's configuration as a
// backup: for tests of the run's own steps and pace.

#include "ui/device/batch_run_dialog.h"

namespace velta {

inline BatchRunConfig set_all_without_backup()
{
    BatchRunConfig c = set_all_config();
    c.backup_first = false;
    return c;
}

}  // namespace velta
