// Socket receipts cut in chunks (1 to 61 bytes, picked by the input) and assembled into lines as
// the link does give the same model and the same boxes as whole receipts, and no fault.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/wire/device_context.h"
#include "core/wire/line_assembler.h"
#include "core/wire/reply_dispatcher.h"
#include "fuzz_support.h"
#include "program/program_context.h"

namespace {

// One receipt holds at most this much; the link drops longer lines before they get here.
constexpr std::size_t k_receipt_bytes = 1024;

void run(std::string_view bytes, std::size_t chunk, int page_mode)
{
    using namespace velta;
    fuzz::start_clean();
    model().config.device.page_mode = page_mode;
    // Receipts end where an answer ends, as the link delivers them, and are cut inside.
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        end = end == std::string_view::npos ? bytes.size() : end + 1;
        LineAssembler lines(LineAssembler::Overflow::drop);
        if (end - start <= k_receipt_bytes)
            for (std::size_t at = start; at < end; at += chunk)
                lines.feed(bytes.substr(at, std::min(chunk, end - at)),
                           [](std::string_view line) { socket_receive(program_context(), line); });
        start = end;
    }
}

}  // namespace

// Input: one byte choosing the page mode and the chunk size, then the bytes received.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const int page_mode = data[0] & 1;
    const std::size_t chunk = 1 + data[0] % 61;
    const std::string_view bytes = velta::fuzz::text_of(data + 1, size - 1);
    static velta::fuzz::Snapshot whole;
    run(bytes, bytes.size() + 1, page_mode);
    whole.take();
    run(bytes, chunk, page_mode);
    velta::fuzz::check(whole.matches_model());
    return 0;
}
