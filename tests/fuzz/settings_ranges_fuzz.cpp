// Values written over the lines of a sound settings file: the file is refused at one of the
// lines written (the others are sound), or it loads with every value one its command can
// carry. A value defaulted on loading is on a line written; what loaded is saved and reads back
// the same with nothing defaulted, and set-all can start from it.
//
// The input is records of a two-byte line number (modulo the file's lines) and the value up to
// the next NUL byte.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/device/batch_steps.h"
#include "core/model/settings_file.h"
#include "fuzz_support.h"
#include "program/program_context.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace velta;
    using fuzz::check;
    static const std::vector<std::string> sound = [] {
        fuzz::start_clean();
        const std::string text = settings_file_text(model().config);
        std::vector<std::string> lines;
        for (std::size_t start = 0; start < text.size();) {
            const std::size_t end = text.find("\r\n", start);
            lines.push_back(text.substr(start, end - start));
            start = end + 2;
        }
        return lines;
    }();

    std::vector<std::string> lines = sound;
    std::set<int> written;  // 1-based
    std::size_t i = 0;
    while (i + 2 <= size) {
        const std::size_t line =
            (static_cast<std::size_t>(data[i]) << 8 | data[i + 1]) % sound.size();
        i += 2;
        std::string value;
        while (i < size && data[i] != 0) value += static_cast<char>(data[i++]);
        ++i;
        if (value.find('\n') != std::string::npos)
            continue;  // that would be two lines
        lines[line] = value;
        written.insert(static_cast<int>(line) + 1);
    }
    std::string text;
    for (const std::string& l : lines) text += l + "\r\n";

    fuzz::start_clean();
    const SettingsLoad load = parse_settings_file(text);
    if (!load.ok) {
        check(written.contains(load.line) && load.defaulted_lines.empty());
        return 0;
    }
    for (std::size_t line : load.defaulted_lines) check(written.contains(static_cast<int>(line)));
    check(std::is_sorted(load.defaulted_lines.begin(), load.defaulted_lines.end()));
    const SettingsLoad again = parse_settings_file(settings_file_text(load.config));
    check(again.ok && again.defaulted_lines.empty() && again.config == load.config);
    model().config = load.config;
    check(!set_all_refusal(model().config));
    return 0;
}
