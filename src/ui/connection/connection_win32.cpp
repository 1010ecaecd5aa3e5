#include "ui/connection/connection.h"

#include "protocol/commands.h"
#include "protocol/exchange.h"
#include "protocol/handshake.h"
#include "serial/waits.h"
#include "ui/connection/control_states.h"
#include "ui/main_window/main_window.h"
#include "ui/texts/texts.h"
#include "ui/toolkit/toolkit.h"

namespace connection {

using texts::TextId;

void toggleConnection() {
  // Flipped first: handlers that run inside the waits below already see it.
  connected = (connected & 1) ^ 1;
  if (connected == 1) {
    connectInstrument();
  } else {
    disconnectInstrument();
    dropConnection();
  }
}

void ensureConnected() {
  if (connected == 0) toggleConnection();
}

void connectInstrument() {
  toolkit::setCaption(连接按钮, texts::text(TextId::T21));
  disableActionButtons();
  auto& port = mainwindow::port();
  port.closePort();
  serial::pumpDelay(200);
  if (!toolkit::mainWindowExists()) return;
  if (!port.openPort()) {
    connected = 0;
    dropConnection();
    toolkit::messageBox(texts::text(TextId::T30));
    resetSession();
    return;
  }
  if (protocol::runHandshake() == 0) {
    connected = 1;
    toolkit::setCaption(连接按钮, texts::text(TextId::T22));
    enableActionButtons();
    return;
  }
  connected = 0;
  dropConnection();
  toolkit::messageBox(texts::text(TextId::T29));
  resetSession();
}

void disconnectInstrument() {
  disableActionButtons();
  // The reply is not examined; without a working port there is none to wait for.
  if (protocol::sendCommand(protocol::kWorkingCommand) == protocol::SendResult::Sent) protocol::awaitReply();
  enableActionButtons();
}

}  // namespace connection
