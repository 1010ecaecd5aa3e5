#include "protocol/handshake.h"

#include "protocol/commands.h"
#include "protocol/exchange.h"
#include "protocol/parameter_controls.h"
#include "ui/connection/control_states.h"
#include "ui/toolkit/toolkit.h"

namespace protocol {

std::int32_t runHandshake() {
  connection::disableActionButtons();

  if (sendCommand(kSetupCommand) != SendResult::Sent || !awaitReply()) return 2;
  if (findText(replyText(), kSetupConfirmation) == -1) return 1;

  if (sendCommand(kVersionCommand) != SendResult::Sent || !awaitReply()) return 2;
  toolkit::setContent(版本号编辑框, toolkit::content(接收数据文本框));

  // A port that fails to reopen here fails the connect too: the connect button
  // must never read "disconnect" over a closed port.
  if (sendCommand(kQueryCommand) != SendResult::Sent) return 2;
  if (awaitReply()) {
    const std::string reply = replyText();
    if (findText(reply, kPrefix) != -1) applyParameterReply(reply);
  }
  if (!toolkit::mainWindowExists()) return 2;

  connection::enableActionButtons();
  return 0;
}

}  // namespace protocol
