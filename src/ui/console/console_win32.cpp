#include "ui/console/console.h"

#include "serial/waits.h"
#include "ui/connection/connection.h"
#include "ui/connection/control_states.h"
#include "ui/main_window/main_window.h"
#include "ui/texts/texts.h"
#include "ui/toolkit/toolkit.h"
#include "ui/toolkit/wide_text.h"

namespace console {

void onSendClicked() {
  using texts::TextId;
  connection::ensureConnected();
  if (connection::connected == 0 || !toolkit::mainWindowExists()) return;
  toolkit::setCaption(发送按钮, texts::text(TextId::T23));
  connection::disableActionButtons();

  auto& port = mainwindow::port();
  port.closePort();
  serial::pumpDelay(200);
  if (!toolkit::mainWindowExists()) return;
  if (!port.openPort()) {
    toolkit::messageBox(texts::text(TextId::T27));
    connection::dropConnection();
  }
  if (!toolkit::content(发送数据文本框).empty()) {
    toolkit::setContent(接收数据文本框, "");
    // The check box "加回车换行" is not read: CR LF always goes out.
    port.sendData(toolkit::gbkFromUtf8(toolkit::content(发送数据文本框)) + "\r\n");
  }
  connection::enableActionButtons();
  toolkit::setCaption(发送按钮, texts::text(TextId::T24));
}

}  // namespace console
