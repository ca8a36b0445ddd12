#pragma once
// The words of the run on every device: what a row's device is called, what its read file is
// named, and how a failure reads ("全項目の設定 手順 12 / 310（CA）: デバイスが E3 を返しました").

#include <string>
#include <string_view>

#include "core/wire/outcome.h"

namespace velta {

// The failure of one step: the phase, the step of the phase's steps and what it sends.
struct FleetStep {
    std::string phase;  // "読み込み", "全項目の設定", "差分の送信", "確認の読み込み"
    int step = 0;
    int steps = 0;
    std::string item;  // the query, the command head, or the item of the difference
};

// Why a command failed, in the operator's words; empty for an outcome that is no failure.
std::string fleet_failure_reason(const Outcome& outcome);
// "<phase> 手順 <step> / <steps>（<item>）: <reason>".
std::string fleet_failure_text(const FleetStep& at, std::string_view reason);
// The read file of a device at endpoint ("192.168.1.10:50123" -> "192.168.1.10-50123.dat",
// "[fe80::1]:9004" -> "fe80__1-9004.dat"): a name every platform takes, one per connection.
std::string fleet_file_name(std::string_view endpoint);

}  // namespace velta
