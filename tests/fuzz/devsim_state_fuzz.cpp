// Any text as a simulator state file is refused with the line named and the state untouched,
// or applied without a fault.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "devsim_support.h"
#include "state_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace devsim;
    static DeviceState loaded = fuzz::factory();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const bool read = state_from_text(text, loaded, error);
    if (!fuzz::restore(loaded) && !read)
        std::abort();
    if (read != error.empty() || (!read && !error.starts_with("line ")))
        std::abort();
    return 0;
}
