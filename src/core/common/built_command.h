#pragma once
// A command built from the values it needs: its exact bytes, or why it cannot be sent. The
// builders show nothing; whoever sends turns a refusal into its message (show_refusal).

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "core/common/message_boxes.h"

namespace velta {

enum class RefusalKind {
    title_unencodable,  // a title the device's character set cannot carry, or too long
    hold_time_too_short,
    bad_port,
};

struct Refusal {
    RefusalKind kind = RefusalKind::title_unencodable;
    std::string detail;  // the line beneath the message (a title's fault), or empty

    bool operator==(const Refusal&) const = default;
};

struct BuiltCommand {
    std::string bytes;               // empty when refused, or when there is nothing to send
    std::optional<Refusal> refusal;  // set when the value cannot be sent

    BuiltCommand() = default;
    BuiltCommand(std::string command) : bytes(std::move(command)) {}  // NOLINT: a built command
    static BuiltCommand refused(RefusalKind kind, std::string detail = {})
    {
        BuiltCommand b;
        b.refusal = Refusal{kind, std::move(detail)};
        return b;
    }
    bool ok() const { return !refusal; }
};

inline constexpr std::string_view k_text_hold_time_too_short = "3秒以上を設定してください。";
inline constexpr std::string_view k_text_bad_device_port =
    "ポート番号は 1～65535 の数を入力してください。";

// The message a refusal is shown with.
std::string_view refusal_message(RefusalKind kind);

// Shows the refusal as its dialog does: a warning for a title, an error for the others.
void show_refusal(const Refusal& refusal, const BoxRoute& boxes = {});

}  // namespace velta
