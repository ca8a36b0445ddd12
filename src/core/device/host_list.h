#pragma once
// The TCP/IP client's list of device hosts: its texts, adding and deleting with the selection
// kept on the same host, and the port text check of the connection dialogs.

#include <optional>
#include <string>
#include <string_view>

#include "core/device/dialog_text.h"
#include "core/model/settings_model.h"
#include "core/wire/link_status.h"

namespace velta {

inline constexpr std::string_view k_text_host_list_full =
    "登録できるホストは100件までです。不要なホストを削除してから追加してください。";
inline constexpr std::string_view k_text_bad_port =
    "ポート番号は 1～65535 の数字で入力してください。";

// "192 .168 .001 .003 ": each byte as three digits, the first three followed by " .".
std::string host_text(const IpAddress& address);

// Appends a host; false (and nothing changed) when the list already holds k_max_hosts.
bool add_host(LinkSettings& link, const IpAddress& address);
// Removes host index; the hosts after it move down. selected_host stays on the same host, or
// becomes -1 when that host was the one deleted. False when index names no host.
bool delete_host(LinkSettings& link, int index);

}  // namespace velta
