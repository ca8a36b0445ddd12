#pragma once
// pages-export and pages-import: the page table of a settings file as a spreadsheet (CSV) file
// and back, on files alone. The title conversion is handed in (the host's is code page 932
// through Qt), so the commands run in the tests without Qt.

#include "cli_options.h"
#include "core/pages/page_table.h"
#include "operations.h"

namespace veltactl {

// Runs pages-export or pages-import; the outcome's error goes to stderr (a warning when the
// exit code is 0), its report to stdout.
Outcome run_page_file_command(const Options& o, const velta::TitleText& text);

}  // namespace veltactl
