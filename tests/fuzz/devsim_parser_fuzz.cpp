// Feeds arbitrary link bytes to the simulator, as one command and through a session: no input
// may crash it, and a refused command must leave the device as it was. State files have a
// target of their own (devsim_state_fuzz).
//
// Input: one byte choosing the session (odd: RS-485 slave 07; even: RS-232C with a garbage line
// before the second answer and "MENU" forced on the third), then the bytes received.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "device_protocol.h"
#include "device_session.h"
#include "devsim_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace devsim;
    using fuzz::factory;
    if (size == 0)
        return 0;
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    static DeviceState state = factory();
    static const FaultPlan plan = [] {
        FaultPlan p;
        p.garbage_at = {2};
        p.error_at[3] = "MENU";
        return p;
    }();

    // The state is back at the factory's after every input, so a change shows as a mismatch.
    if (execute_command(state, input) == "E3" && !(state == factory()))
        std::abort();
    // The session needs no particular start, so it goes on from whatever the command did.
    const bool rs485 = (data[0] & 1) != 0;
    DeviceSession session(state, rs485 ? 7 : -1, rs485 ? FaultPlan{} : plan);
    session.receive(input);
    fuzz::restore(state);
    return 0;
}
