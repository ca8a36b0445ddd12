// Any bytes from the serial line, in RS-232C and RS-485 mode, are decoded without a fault.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/common/run_activity.h"
#include "core/wire/device_context.h"
#include "core/wire/line_assembler.h"
#include "core/wire/link_status.h"
#include "core/wire/reply_dispatcher.h"
#include "fuzz_support.h"
#include "program/program_context.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace velta;
    fuzz::start_clean();
    if (size == 0)
        return 0;
    link_settings().rs485 = (data[0] & 1) != 0;
    model().config.device.page_mode = (data[0] >> 1) & 1;
    run_activity().glyph_run = ((data[0] >> 2) & 1) != 0;
    model().glyphs.glyph_transfer_index = data[0] >> 3;  // up to 31
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    LineAssembler lines(LineAssembler::Overflow::cut);
    lines.feed(bytes, [](std::string_view line) { serial_dispatch(program_context(), line); });
    serial_dispatch(program_context(),
                    bytes);  // also the whole input as one line, whatever it holds
    return 0;
}
