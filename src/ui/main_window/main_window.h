// The main window's created and will-be-destroyed events, and the components
// the window carries.
#pragma once

#include <cstdint>
#include <functional>

#include "serial/serial_port.h"

namespace mainwindow {

// The window's serial port component.
serial::SerialPort& port();

// Registers the window's handlers with the toolkit; before loadMainWindow.
void bindEvents();

// byteReceived: one call per received byte of the port's current open, on the
// window thread.
void onByteReceived(std::function<void(std::uint8_t)> handler);

void onMainWindowCreated();
void onMainWindowDestroying();

}  // namespace mainwindow
