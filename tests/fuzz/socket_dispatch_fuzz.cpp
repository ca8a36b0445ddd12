// Socket receipts cut in chunks of 1, 7 and an input-derived size give the same model, the
// same boxes and no fault.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "model/reply_dispatcher.h"

namespace {

std::string run(std::string_view bytes, std::size_t chunk, int page_mode)
{
    using namespace velta;
    fuzz::start_clean();
    model().device.page_mode = page_mode;
    // Receipts end where an answer ends, as the link delivers them, and are cut inside.
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        end = end == std::string_view::npos ? bytes.size() : end + 1;
        for (std::size_t at = start; at < end; at += chunk)
            socket_receive(bytes.substr(at, std::min(chunk, end - at)));
        start = end;
    }
    return fuzz::fingerprint();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const int page_mode = data[0] & 1;
    const std::size_t derived = 1 + data[0] % 61;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string whole = run(bytes, bytes.size() + 1, page_mode);
    if (run(bytes, 1, page_mode) != whole || run(bytes, 7, page_mode) != whole ||
        run(bytes, derived, page_mode) != whole)
        std::abort();
    return 0;
}
