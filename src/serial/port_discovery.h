// The port list: the PC's serial ports as the registry lists them.
#pragma once

namespace serial {

inline constexpr const char* kSerialCommKey = "HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM";

// Reads the list afresh (each time it drops down, and at window creation) and
// selects the first port; the port in use is left as it was.
void refreshPortList();

// The user picked a port: it is used from the next open on, at once while connected.
void onPortChosen();

// Stores the port of the list's selected item in the serial port component.
void useSelectedPort();

}  // namespace serial
