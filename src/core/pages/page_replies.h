#pragma once
// The replies of the per-page settings: titles, colours, positions, levels, automatic switching
// times and the page on display.

namespace velta {

// Adds them to the reply table (once; a second call changes nothing), and gives the settings
// file reader the title rule of the "CA" command, so a file never loads a title it cannot send.
void register_page_replies();

}  // namespace velta
