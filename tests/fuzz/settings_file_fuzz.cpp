// Any file content is either refused with the model untouched, or accepted and written back
// so that it reads again to the same model.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "model/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace velta;
    fuzz::start_clean();
    // Start from a valid file and let the input overwrite part of it, so the reader gets far.
    std::string text = settings_file_text();
    if (size > 2) {
        const std::size_t at = (static_cast<std::size_t>(data[0]) << 8 | data[1]) * 4 % text.size();
        text.replace(at, std::min(size - 2, text.size() - at),
                     std::string_view(reinterpret_cast<const char*>(data) + 2, size - 2));
    }
    const std::string before = settings_file_text();
    const SettingsLoad load = apply_settings_text(text);
    if (!load.ok) {
        if (settings_file_text() != before || load.line < 1)
            std::abort();
        return 0;
    }
    const std::string saved = settings_file_text();
    if (!apply_settings_text(saved).ok || settings_file_text() != saved)
        std::abort();
    return 0;
}
