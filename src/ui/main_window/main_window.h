// The main window's created and will-be-destroyed events, and the components
// the window carries.
#pragma once

#include "serial/frame_receiver.h"
#include "serial/serial_port.h"

namespace mainwindow {

// The window's serial port component.
serial::SerialPort& port();

// The frame receiver fed by the port's bytes.
serial::FrameReceiver& frameReceiver();

// Registers the window's handlers with the toolkit; before loadMainWindow.
// rxFrame is the receive buffer of the globals.
void bindEvents(serial::RxFrame& rxFrame);

void onMainWindowCreated();
void onMainWindowDestroying();

}  // namespace mainwindow
