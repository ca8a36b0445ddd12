#pragma once
// The commands of the remaining device-wide settings, and the page-mode change that keeps the
// page values that depend on the page count meaningful.

namespace velta {

void send_connector_input();
void send_power_on_page();
void send_page_mode();
void send_upper_font_size();
void send_lower_font_size();
void send_upper_display_offset();
void send_lower_display_offset();
void send_video_loss_background();

// Stores the new page mode. current_page, display_page and power_on_page beyond the last page
// of the new mode go back to 0, so their lists always show what their commands send; "PAS"
// stays "PAS".
void apply_page_mode(int new_mode);

}  // namespace velta
