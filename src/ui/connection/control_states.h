// Connection state shared by the connect, read, write and send operations, and
// the states of their six action buttons.
#pragma once

namespace connection {

// 1 from the moment a connect starts until a failure, a disconnect or a reset.
// Window thread only.
extern int connected;

void disableActionButtons();
void enableActionButtons();
// Closes the port and returns the connect button to idle; the other buttons
// keep the state of the operation still running.
void dropConnection();
// The full fall-back after a failed operation: idle in every respect.
void resetSession();

}  // namespace connection
