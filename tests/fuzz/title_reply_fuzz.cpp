// Any "CA" reply decodes into at most a 56-byte title without a fault, and whatever decodes
// can be padded and encoded again without a fault.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_support.h"
#include "pages/title_encoding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace velta;
    fuzz::start_clean();
    std::string line = "CA";
    line.append(reinterpret_cast<const char*>(data), size);
    decode_title_reply(line);
    for (const std::string& title : model().pages.page_title)
        if (title.size() > static_cast<std::size_t>(k_title_max_bytes))
            std::abort();
    for (int slot = 0; slot < k_page_slots; ++slot)
        if (pad_title(slot) && !build_title_command(slot).empty() &&
            build_title_command(slot).size() != 119)
            std::abort();
    return 0;
}
