// The machine's identity text that the game server sees with chat messages: the system's
// machine id (/etc/machine-id), or empty when the system keeps none.
#pragma once

#include <string>

namespace platform {

// At most 32 characters of lowercase hexadecimal digits; read once and kept.
const std::string& GetMachineId();

}  // namespace platform
