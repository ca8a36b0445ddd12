#pragma once
// Shared by the simulator's fuzz targets: the factory state, and putting a state back to it
// between inputs.

#include "device_state.h"

namespace devsim::fuzz {

inline const DeviceState& factory()
{
    static const DeviceState state = factory_state();
    return state;
}

// Whether the state is still the factory's; puts it back when not. Assigning keeps the strings'
// storage, so this costs far less than a fresh copy per input.
inline bool restore(DeviceState& state)
{
    if (state == factory())
        return true;
    state = factory();
    return false;
}

}  // namespace devsim::fuzz
