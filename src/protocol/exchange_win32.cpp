#include "protocol/exchange.h"

#include "serial/waits.h"
#include "ui/connection/control_states.h"
#include "ui/main_window/main_window.h"
#include "ui/texts/texts.h"
#include "ui/toolkit/toolkit.h"
#include "ui/toolkit/wide_text.h"

namespace protocol {

namespace {

constexpr int kReopenPauseMs = 200;
constexpr int kPollStepMs = 20;
constexpr int kPollSteps = 100;

}  // namespace

SendResult sendBuiltCommand(const std::function<std::optional<std::string>()>& build) {
  if (!toolkit::mainWindowExists()) return SendResult::WindowGone;
  auto& port = mainwindow::port();
  port.closePort();
  serial::pumpDelay(kReopenPauseMs);
  if (!toolkit::mainWindowExists()) return SendResult::WindowGone;
  if (!port.openPort()) {
    toolkit::messageBox(texts::text(texts::TextId::T27));
    connection::dropConnection();
    // Nothing can answer on a closed port: the exchange ends here, not after 2 s.
    return toolkit::mainWindowExists() ? SendResult::PortFailed : SendResult::WindowGone;
  }
  mainwindow::frameReceiver().setFrameReady(0);
  const std::optional<std::string> command = build();
  if (!command) return SendResult::Refused;
  toolkit::setContent(发送数据文本框, toolkit::utf8FromGbk(*command));
  toolkit::setContent(接收数据文本框, "");
  port.sendData(*command);
  return SendResult::Sent;
}

SendResult sendCommand(std::string_view command) {
  return sendBuiltCommand([command] { return std::optional<std::string>(command); });
}

bool awaitReply() {
  for (int step = 0; step < kPollSteps; ++step) {
    if (!toolkit::mainWindowExists()) return false;
    serial::pumpDelay(kPollStepMs);
    if (!toolkit::mainWindowExists()) return false;
    if (mainwindow::frameReceiver().frameReady() == 1) return true;
  }
  return false;
}

std::string replyText() { return toolkit::gbkFromUtf8(toolkit::content(接收数据文本框)); }

}  // namespace protocol
