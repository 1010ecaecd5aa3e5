#include "ui/main_window/main_window.h"

#include <memory>

#include "app/globals.h"
#include "protocol/transactions.h"
#include "serial/port_discovery.h"
#include "serial/frame_receiver.h"
#include "serial/waits.h"
#include "ui/connection/connection.h"
#include "ui/connection/control_states.h"
#include "ui/console/console.h"
#include "ui/editors/parameter_editors.h"
#include "ui/layout/window_placement.h"
#include "ui/texts/apply_language_texts.h"
#include "ui/texts/texts.h"
#include "ui/toolkit/toolkit.h"
#include "ui/toolkit/wide_text.h"

#ifndef MMS_UI_LANGUAGE
#define MMS_UI_LANGUAGE 0
#endif

namespace mainwindow {

namespace {

constexpr unsigned kByteChannel = 1;

std::unique_ptr<serial::FrameReceiver> receiver;

// Watcher thread: the frame's text goes into the receive box on the window thread.
void showFrame(const std::string& text) {
  toolkit::callOnWindowThread([&text] {
    if (receiver->stopping() || !toolkit::mainWindowExists()) return;
    toolkit::setContent(接收数据文本框, toolkit::utf8FromGbk(text));
  });
}

void attachTips() {
  using texts::TextId;
  toolkit::attachBalloonTip(超时时间提示框, 超时时间标签, texts::text(TextId::T1), -1);
  toolkit::attachBalloonTip(轮询间隔提示框, 轮询间隔标签, texts::text(TextId::T2), -1);
  toolkit::attachBalloonTip(超时时间提示框1, 超时时间标签1, texts::text(TextId::T1), -1);
  toolkit::attachBalloonTip(轮询间隔提示框1, 轮询间隔标签1, texts::text(TextId::T2), -1);
}

}  // namespace

serial::SerialPort& port() {
  static serial::SerialPort component;
  return component;
}

serial::FrameReceiver& frameReceiver() { return *receiver; }

void bindEvents(serial::RxFrame& rxFrame) {
  receiver = std::make_unique<serial::FrameReceiver>(
      rxFrame, serial::FrameReceiver::Hooks{showFrame, serial::spinWaitMicros, toolkit::serveWindowCalls,
                                                      [] { return port().bytesWaiting(); }});
  toolkit::on(窗口, toolkit::Event::Created, onMainWindowCreated);
  toolkit::on(窗口, toolkit::Event::Destroying, onMainWindowDestroying);
  toolkit::on(连接按钮, toolkit::Event::Clicked, connection::toggleConnection);
  toolkit::on(读取按钮, toolkit::Event::Clicked, protocol::readParameters);
  toolkit::on(设置按钮, toolkit::Event::Clicked, protocol::writeParameters);
  toolkit::on(读取按钮1, toolkit::Event::Clicked, protocol::twoMasterRead);
  toolkit::on(设置按钮1, toolkit::Event::Clicked, protocol::twoMasterWrite);
  toolkit::on(发送按钮, toolkit::Event::Clicked, console::onSendClicked);
  toolkit::on(串口号组合框, toolkit::Event::DropDown, serial::refreshPortList);
  toolkit::on(串口号组合框, toolkit::Event::ItemSelected, serial::onPortChosen);
  editors::bindEditorEvents();
  port().setByteSink([](std::uint8_t byte, std::uint32_t generation) {
    return toolkit::post(kByteChannel, byte, static_cast<std::intptr_t>(generation));
  });
  toolkit::onPosted(kByteChannel, [](std::uintptr_t byte, std::intptr_t generation) {
    port().noteHandedOver();
    // Bytes of an open that has since been closed are dropped, as a close promises.
    if (!port().isCurrent(static_cast<std::uint32_t>(generation))) return;
    receiver->onPortByte(static_cast<std::uint8_t>(byte));
  });
}

void onMainWindowCreated() {
  texts::uiLanguage = MMS_UI_LANGUAGE;

  // From here on every size change of these four re-lays out their contents.
  auto& scalers = app::globals()->scalers;
  scalers[0].attach(toolkit::nativeHandle(窗口), layout::adjustFonts, true, 550, 550);
  scalers[1].attach(toolkit::nativeHandle(选择夹1), layout::adjustFonts, false);
  scalers[2].attach(toolkit::nativeHandle(外形框3), layout::adjustFonts, false);
  scalers[3].attach(toolkit::nativeHandle(外形框1), layout::adjustFonts, false);
  layout::placeMainWindow();

  // Selecting from the program raises no pick event: the port is stored below.
  serial::refreshPortList();
  toolkit::setSelection(串口号组合框, 0);

  auto& p = port();
  serial::useSelectedPort();
  p.setBaudRate(9600);
  p.setParity(0);
  p.setDataBits(8);
  p.setStopBits(1);
  p.setParityCheck(true);
  serial::gapTicks.store(20);

  connection::connected = 0;

  attachTips();
  texts::applyLanguageTexts();
}

void onMainWindowDestroying() {
  // The watcher goes first, without showing its frame; then the port, for good,
  // so that a handler still unwinding from a wait cannot reopen it. Nothing is
  // sent on closing.
  receiver->stop();
  port().retire();
}

}  // namespace mainwindow
