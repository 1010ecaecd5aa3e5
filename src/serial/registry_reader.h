// Reads the values of a registry key (the PC's list of serial ports).
#pragma once

namespace serial {

// Holds no state between calls.
class RegistryReader {};

}  // namespace serial
