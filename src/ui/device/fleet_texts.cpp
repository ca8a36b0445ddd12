#include "ui/device/fleet_texts.h"

#include "core/model/settings_file.h"

namespace velta {

std::string fleet_failure_reason(const Outcome& outcome)
{
    if (!outcome.failed())
        return {};
    switch (outcome.kind) {
        case OutcomeKind::error_answer:
            return "デバイスが E" + std::to_string(outcome.error) + " を返しました";
        case OutcomeKind::mode_error:
            return "デバイスが GN を返しました（モードが違います）";
        case OutcomeKind::menu:
            return "デバイスがメニューを表示しています（MENU）";
        case OutcomeKind::damaged_reply:
            return "応答データが正しくありません" +
                   (outcome.item.empty() ? std::string() : "（" + outcome.item + "）");
        case OutcomeKind::timed_out:
            // A device that left takes its command with it; the detail says so.
            return outcome.detail.ends_with("接続が切れました") ? "接続が切れました"
                                                                : "応答がありません";
        case OutcomeKind::send_failed:
            return "送信できませんでした";
        case OutcomeKind::not_connected:
            return "接続されていません";
        case OutcomeKind::no_answer:
            return "応答がありません";
        case OutcomeKind::go:
        case OutcomeKind::data_reply:
            break;
    }
    return "失敗しました";
}

std::string fleet_failure_text(const FleetStep& at, std::string_view reason)
{
    std::string text =
        at.phase + " 手順 " + std::to_string(at.step) + " / " + std::to_string(at.steps);
    if (!at.item.empty())
        text += "（" + at.item + "）";
    return text + ": " + std::string(reason);
}

std::string fleet_file_name(std::string_view endpoint)
{
    const std::size_t colon = endpoint.rfind(':');
    std::string_view host = endpoint.substr(0, colon);
    const std::string_view port =
        colon == std::string_view::npos ? std::string_view() : endpoint.substr(colon + 1);
    if (host.starts_with('[') && host.ends_with(']'))
        host = host.substr(1, host.size() - 2);
    std::string name;
    for (const char c : host) {
        const bool plain = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
                           (c >= 'A' && c <= 'Z') || c == '.' || c == '-';
        name += plain ? c : '_';
    }
    if (!port.empty())
        name += "-" + std::string(port);
    return name + std::string(k_settings_extension);
}

}  // namespace velta
