#include "serial/port_settings.h"

#include <algorithm>

namespace serial {

int storedPortNumber(int portNumber) { return portNumber <= 0 ? 1 : portNumber; }

std::string deviceNameForPort(int portNumber) {
  return "\\\\.\\COM" + std::to_string(storedPortNumber(portNumber));
}

int clampStopBits(int stopBits) { return std::clamp(stopBits, 1, 3); }

int clampParity(int parity) { return std::clamp(parity, 0, 4); }

int stopBitsCode(int stopBits) { return clampStopBits(stopBits) - 1; }

}  // namespace serial
