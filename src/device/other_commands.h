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

// Stores the new page mode. In two-line mode current_page and display_page beyond the last
// page go back to 0. power_on_page follows the page count: "PAS" stays "PAS" (256 <-> 128)
// and a page the new mode does not have goes back to 0, so the power-on list always shows the
// value that send_power_on_page sends.
void apply_page_mode(int new_mode);

}  // namespace velta
