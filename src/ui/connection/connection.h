// The connect button: connect (reopen and handshake) or disconnect (working
// mode and close), and the connect-first step of the other operations.
#pragma once

namespace connection {

void toggleConnection();
void ensureConnected();
void connectInstrument();
void disconnectInstrument();

}  // namespace connection
