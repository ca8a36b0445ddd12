#pragma once
// The commands of the per-page settings, the displayed page and the clock. Each *_command
// builds one command text from the settings model by overwriting the fields of a fixed
// template; each send_* builds it and hands it to send_command. The dialogs' buttons and the
// set-all run call the same send_* routines.
//
// Values a reply or a file put in the model are not trusted to fit their fields: a number too
// large or negative for its digits is clamped into them, so a command never carries anything
// but digits and letters.

#include <string>

namespace velta {

// Title position: "IDP001T", one slot; "IDP" + 256 letters T/B.
std::string title_position_command(int slot);
std::string all_title_positions_command();
void send_title_position();  // slot current_page
void send_all_title_positions();

// Automatic switching time: "PAST00103", one page; "PAST" + two digits for each of the pages
// of the current page mode.
std::string auto_switch_time_command(int slot);
std::string all_auto_switch_times_command();
void send_auto_switch_time();
void send_all_auto_switch_times();

// Character and border colours: "CABC00170", one slot; "CABC" + two digits per slot.
std::string colours_command(int slot);
std::string all_colours_command();
void send_colours();
void send_all_colours();

// Background fill: "FB001OF"/"FB001ON", one slot; "FB" + 256 letters F/N.
std::string background_fill_command(int slot);
std::string all_background_fill_command();
void send_background_fill();
void send_all_background_fill();

// Character level: "CWL001L"/"CWL001H", one page; "CWL" + 256 letters L/H in both page modes.
std::string char_level_command(int slot);
std::string all_char_levels_command();
void send_char_level();
void send_all_char_levels();

// Displayed page: "P001" .. or "PAS" for automatic switching; display on/off.
std::string display_page_command();
std::string display_on_command();
void send_display_page();
void send_display_on();

// Clock display: on/off ("TSDOF"/"TSDON"), range ("TSDR1" .. "TSDR8"), size ("TSDSS"/"TSDSN").
std::string clock_display_command();
std::string clock_range_command();
std::string clock_size_command();
void send_clock_display();
void send_clock_range();
void send_clock_size();

// Date and time, by the index of the dialog's list: year index 0 = 2000, month and day index
// 0 = the first, hour/minute/second index = the value. An index outside its list builds
// nothing and sends nothing.
std::string date_year_command(int index);    // "DSY26"
std::string date_month_command(int index);   // "DSM03"
std::string date_day_command(int index);     // "DSD05"
std::string time_hour_command(int index);    // "TSH09"
std::string time_minute_command(int index);  // "TSM07"
std::string time_second_command(int index);  // "TSS30"
std::string time_adjust_command();           // "TSA", the device's 30-second correction
void send_date_year(int index);
void send_date_month(int index);
void send_date_day(int index);
void send_time_hour(int index);
void send_time_minute(int index);
void send_time_second(int index);
void send_time_adjust();

// Sends the title of a slot; when it cannot be encoded shows the encoding warning and returns
// false (nothing is sent then).
bool send_title_or_warn(int slot);

}  // namespace velta
