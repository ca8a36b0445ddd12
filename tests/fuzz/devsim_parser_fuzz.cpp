// Feeds arbitrary link bytes and state files to the simulator: no input may crash it, and a
// refused command must leave the device as it was.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "device_protocol.h"
#include "device_session.h"
#include "state_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace devsim;
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    static const DeviceState factory = factory_state();

    DeviceState state = factory;
    FaultPlan plan;
    plan.garbage_at = {2};
    plan.error_at[3] = "MENU";
    DeviceSession rs232(state, -1, plan);
    rs232.receive(input);
    DeviceSession rs485(state, 7, {});
    rs485.receive(input);

    DeviceState single = factory;
    if (execute_command(single, input) == "E3" && !(single == factory))
        std::abort();

    DeviceState loaded = factory;
    std::string error;
    if (!state_from_text(input, loaded, error) && !(loaded == factory))
        std::abort();
    return 0;
}
