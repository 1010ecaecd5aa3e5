#include "ui/connection/control_states.h"

#include <array>
#include <utility>

#include "ui/main_window/main_window.h"
#include "ui/texts/texts.h"
#include "ui/toolkit/toolkit.h"

namespace connection {

namespace {

using texts::TextId;

// In the order they are always handled, with their idle captions.
constexpr std::array<std::pair<ControlId, TextId>, 6> kActionButtons{{
    {连接按钮, TextId::T11},
    {发送按钮, TextId::T24},
    {设置按钮, TextId::T20},
    {读取按钮, TextId::T19},
    {设置按钮1, TextId::T20},
    {读取按钮1, TextId::T19},
}};

}  // namespace

void disableActionButtons() {
  for (auto [button, idle] : kActionButtons) toolkit::setDisabled(button, true);
}

void enableActionButtons() {
  for (auto [button, idle] : kActionButtons) toolkit::setDisabled(button, false);
}

void dropConnection() {
  mainwindow::port().closePort();
  connected = 0;
  toolkit::setCaption(连接按钮, texts::text(TextId::T11));
}

void resetSession() {
  mainwindow::port().closePort();
  connected = 0;
  mainwindow::frameReceiver().setFrameReady(1);
  for (auto [button, idle] : kActionButtons) toolkit::setCaption(button, texts::text(idle));
  enableActionButtons();
}

}  // namespace connection
