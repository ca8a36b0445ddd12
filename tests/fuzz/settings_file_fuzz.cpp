// Any file content is either refused with the line of the problem named, or accepted and
// written back so that it reads again to the same configuration; the model is never touched.
//
// Reading a whole file (4,053 lines) takes some 3 ms in the fuzz build, far more than any other
// input, so the mode that overwrites part of a sound file, to get the reader deep, is taken by
// one input in 128; the others are read as they are.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/model/settings_file.h"
#include "fuzz_support.h"
#include "program/program_context.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace velta;
    using fuzz::check;
    static fuzz::Snapshot clean;
    static const std::string sound = [] {
        fuzz::start_clean();
        clean.take();
        return settings_file_text(model().config);
    }();

    const std::string_view input = fuzz::text_of(data, size);
    std::string overwritten;
    std::string_view text = input;
    if (size > 2 && fuzz::one_in(128, data, size)) {
        overwritten = sound;
        const std::size_t at =
            (static_cast<std::size_t>(data[1]) << 8 | data[2]) * 4 % sound.size();
        overwritten.replace(at, std::min(size - 3, sound.size() - at), input.substr(3));
        text = overwritten;
    }
    const SettingsLoad load = parse_settings_file(text);
    if (!load.ok) {
        check(load.line >= 1 && clean.matches_model());
        return 0;
    }
    const std::string saved = settings_file_text(load.config);
    const SettingsLoad again = parse_settings_file(saved);
    check(again.ok && again.config == load.config && settings_file_text(again.config) == saved &&
          clean.matches_model());
    return 0;
}
