#pragma once
// Inside "全デバイスで実行": one row's device, shared by the dialog's table (fleet_run_dialog.cpp)
// and each device's run (fleet_device_run.cpp).

#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "core/device/device_job.h"
#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "core/wire/link_status.h"
#include "core/wire/paced_run.h"
#include "core/wire/peer_table.h"
#include "link/tcp_link.h"
#include "ui/device/fleet_run_dialog.h"

namespace velta {

// One row: a connected device, its context and its run.
struct FleetRunDialog::Device {
    Device()
        : run(
              context, [this](int period) { timer.start(period); }, [this] { timer.stop(); })
    {
    }

    int slot = 0;
    std::string address;
    std::string endpoint;  // host:port: devices behind one address are told apart
    std::string mac;       // once read
    bool checked = true;
    bool connected = true;  // false: it has left; its row shows how its last run ended
    QString file_name;      // read-all: the file in the chosen folder
    QString file_path;      // the backup or the file read into, once written
    QString result;
    int bar_max = 1;  // what the bar is to show; the bars follow on the dialog's timer
    int bar_value = 0;
    int shown_max = 1;  // what it shows
    int shown_value = 0;
    std::string phase;  // the phase going now, its steps and what each of them sends
    int phase_steps = 0;
    std::function<std::string(int step)> item;
    std::string item_at(int step) const { return item ? item(step) : std::string(); }

    DeviceContext context;
    ContextLease lease;                   // the peer is the row's while it lasts
    std::unique_ptr<DeviceJob> job;       // goes before the context it decodes into
    RunEnd last_end = RunEnd::completed;  // how the last phase's run ended
    bool active = false;
    std::string failure;  // the first box raised on the device's behalf
    int offset = 0;       // progress of the phases before the running one
    QTimer timer;
    PacedRun run;
};

namespace fleet_rows {

enum Column { device_column, progress_column, result_column, file_column };

inline const PeerSlot& peer(int slot)
{
    return peer_table()[static_cast<std::size_t>(slot)];
}

inline std::string without_line_end(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

}  // namespace fleet_rows

}  // namespace velta
