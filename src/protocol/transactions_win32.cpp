#include "protocol/transactions.h"

#include "protocol/commands.h"
#include "protocol/exchange.h"
#include "protocol/parameter_controls.h"
#include "protocol/write_refusal.h"
#include "ui/connection/connection.h"
#include "ui/connection/control_states.h"
#include "ui/main_window/main_window.h"
#include "ui/texts/texts.h"
#include "ui/toolkit/toolkit.h"

namespace protocol {

namespace {

using texts::TextId;

// Connects first when needed; false when there is no connection to work on.
bool connectedForTransaction() {
  connection::ensureConnected();
  return connection::connected != 0 && toolkit::mainWindowExists();
}

void failTransaction() {
  toolkit::messageBox(texts::kFailedToSetParameters);
  connection::resetSession();
}

// The parameter set as it may go to the instrument, or a message saying why not.
std::optional<std::string> validWriteCommand() {
  DeviceConfig config = readDeviceConfig();
  const WriteCheck check = checkWrite(config);
  if (check.problem != WriteProblem::None) {
    toolkit::messageBox(refusalMessage(check, texts::uiLanguage));
    return std::nullopt;
  }
  config.timeoutText = check.timeoutText;
  config.pollText = check.pollText;
  return buildWriteCommand(config);
}

// A refused write leaves the session as it was; only its own state is undone.
void endRefusedWrite() {
  toolkit::setCaption(设置按钮, texts::text(TextId::T20));
  connection::enableActionButtons();
}

}  // namespace

void readParameters() {
  toolkit::setCaption(读取按钮, texts::text(TextId::T25));
  connection::disableActionButtons();
  if (!connectedForTransaction()) return;

  const SendResult sent = sendCommand(kQueryCommand);
  if (sent == SendResult::WindowGone) return;
  if (sent == SendResult::Sent && awaitReply()) {
    const std::string reply = replyText();
    if (findText(reply, kPrefix) != -1) applyParameterReply(reply);
  }
  if (!toolkit::mainWindowExists()) return;
  if (sent != SendResult::Sent || mainwindow::frameReceiver().frameReady() == 0) {
    failTransaction();
    return;
  }
  connection::enableActionButtons();
  toolkit::setCaption(读取按钮, texts::text(TextId::T19));
}

void writeParameters() {
  toolkit::setCaption(设置按钮, texts::text(TextId::T26));
  connection::disableActionButtons();
  if (!connectedForTransaction()) return;

  // Checked before the port is touched, and again when the command is built,
  // since the pages stay editable during the reopen.
  if (!validWriteCommand()) {
    endRefusedWrite();
    return;
  }
  const SendResult sent = sendBuiltCommand(validWriteCommand);
  if (sent == SendResult::WindowGone) return;
  if (sent == SendResult::Refused) {
    endRefusedWrite();
    return;
  }
  if (sent == SendResult::Sent) awaitReply();  // any frame acknowledges
  if (!toolkit::mainWindowExists()) return;
  if (sent != SendResult::Sent || mainwindow::frameReceiver().frameReady() == 0) {
    failTransaction();
    return;
  }
  connection::enableActionButtons();
  toolkit::setCaption(设置按钮, texts::text(TextId::T20));
  readParameters();
}

void twoMasterRead() {
  toolkit::setCaption(读取按钮1, texts::text(TextId::T25));
  readParameters();
  toolkit::setCaption(读取按钮1, texts::text(TextId::T19));
}

void twoMasterWrite() {
  toolkit::setCaption(设置按钮1, texts::text(TextId::T26));
  writeParameters();
  toolkit::setCaption(设置按钮1, texts::text(TextId::T20));
}

}  // namespace protocol
