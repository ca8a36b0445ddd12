#include "device_session.h"

#include "device_protocol.h"

namespace devsim {

bool valid_forced_status(std::string_view status)
{
    return status == "E0" || status == "E1" || status == "E2" || status == "E3" ||
           status == "MENU" || status == "GN";
}

std::optional<std::string> wrong_value_command(const DeviceState& state, std::string_view command)
{
    DeviceState right = state;
    if (!apply_set_command(right, command))
        return std::nullopt;
    constexpr std::string_view k_candidates = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string changed(command);
    for (std::size_t pos = changed.size(); pos-- > 0;) {
        const char original = changed[pos];
        for (char c : k_candidates) {
            if (c == original)
                continue;
            changed[pos] = c;
            DeviceState wrong = state;
            if (apply_set_command(wrong, changed) && !(wrong == right))
                return changed;
        }
        changed[pos] = original;
    }
    return std::nullopt;
}

DeviceSession::DeviceSession(DeviceState& state, int rs485_address, FaultPlan plan)
    : state_(state), address_(rs485_address), plan_(std::move(plan))
{
}

void DeviceSession::reset_line()
{
    line_.clear();
    overrun_ = false;
}

std::vector<SessionEvent> DeviceSession::receive(std::string_view bytes)
{
    std::vector<SessionEvent> events;
    for (char c : bytes) {
        if (c != '\n') {
            if (line_.size() < k_max_line)
                line_ += c;
            else
                overrun_ = true;
            continue;
        }
        std::string_view line = line_;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        take_line(line, overrun_, events);
        reset_line();
    }
    return events;
}

void DeviceSession::take_line(std::string_view line, bool overrun,
                              std::vector<SessionEvent>& events)
{
    events.push_back({SessionEvent::Kind::received, std::string(line)});

    std::string prefix;
    bool broadcast = false;
    std::string_view command = line;
    if (address_ >= 0) {
        const std::string own{static_cast<char>('0' + address_ / 10),
                              static_cast<char>('0' + address_ % 10)};
        const std::string_view to = line.substr(0, 2);
        broadcast = to == "FF";
        if (!broadcast && to != own)
            return;  // another device's command
        prefix = own;
        command.remove_prefix(2);
    }

    const long n = ++commands_;
    std::optional<std::string> wrong;
    if (plan_.store_wrong_at.count(n) > 0 && !overrun)
        wrong = wrong_value_command(state_, command);
    std::string answer;
    if (auto forced = plan_.error_at.find(n); forced != plan_.error_at.end())
        answer = forced->second;
    else if (overrun)
        answer = "E3";
    else if (wrong)
        answer = execute_command(state_, *wrong);  // "GO", as if the right value was stored
    else
        answer = execute_command(state_, command);

    const bool silent = broadcast || plan_.no_answer || plan_.no_answer_at.count(n) > 0;
    if (!silent) {
        if (plan_.garbage_at.count(n) > 0)
            events.push_back({SessionEvent::Kind::garbage, std::string(k_garbage_line)});
        events.push_back({SessionEvent::Kind::answer, prefix + answer + "\r\n"});
    }
    if (plan_.close_after == n)
        events.push_back({SessionEvent::Kind::close, {}});
}

}  // namespace devsim
