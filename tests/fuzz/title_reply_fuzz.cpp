// Any "CA" reply decodes into at most a 56-byte title of the page it names, and nothing else,
// without a fault; whatever decodes can be padded and encoded again without a fault.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/pages/title_encoding.h"
#include "fuzz_support.h"
#include "program/program_context.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace velta;
    static const bool clean = (fuzz::start_clean(), true);
    (void)clean;
    std::string line = "CA";
    line.append(fuzz::text_of(data, size));
    decode_title_reply(line, model().config.pages);
    // Titles start empty and each input clears the one it decoded, so one slot at most holds
    // a title, and only the slot the reply names.
    PageArray<std::string>& titles = model().config.pages.page_title;
    for (int slot = 0; slot < k_page_slots; ++slot) {
        std::string& title = titles[static_cast<std::size_t>(slot)];
        if (title.empty())
            continue;
        if (title.size() > static_cast<std::size_t>(k_title_max_bytes) || size < 3 ||
            std::stoi(line.substr(2, 3)) != slot + 1)
            std::abort();
        const std::string cmd = title_command(slot, title);
        if (!cmd.empty() && cmd.size() != 119)
            std::abort();
        title.clear();
    }
    return 0;
}
