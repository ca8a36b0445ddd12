#pragma once
// The date and time dialog: sets the device clock one field at a time from lists preset by the
// computer's clock, triggers its 30-second correction, and sets how the clock is shown.

#include <array>

#include "core/pages/local_clock.h"
#include "ui/widgets/settings_dialog.h"

class QComboBox;
class QPushButton;

namespace velta {

enum class ClockField { year, month, day, hour, minute, second, range, display, size };
inline constexpr std::size_t k_clock_fields = 9;

class DateTimeDialog : public SettingsDialog {
    Q_OBJECT
public:
    explicit DateTimeDialog(QWidget* parent = nullptr, const LocalClock& clock = local_time_now);

    QComboBox* list(ClockField f) const { return lists_[static_cast<std::size_t>(f)]; }
    QPushButton* set_button(ClockField f) const { return sets_[static_cast<std::size_t>(f)]; }
    QPushButton* adjust_button() const { return adjust_; }

private:
    std::array<QComboBox*, k_clock_fields> lists_{};
    std::array<QPushButton*, k_clock_fields> sets_{};
    QPushButton* adjust_ = nullptr;
};

}  // namespace velta
