#include "ui/main_window/main_window.h"

#include <utility>

#include "serial/frame_receiver.h"
#include "ui/connection/control_states.h"
#include "ui/texts/apply_language_texts.h"
#include "ui/texts/texts.h"
#include "ui/toolkit/toolkit.h"

#ifndef MMS_UI_LANGUAGE
#define MMS_UI_LANGUAGE 0
#endif

namespace mainwindow {

namespace {

constexpr unsigned kByteChannel = 1;

std::function<void(std::uint8_t)>& byteHandler() {
  static std::function<void(std::uint8_t)> handler;
  return handler;
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

void onByteReceived(std::function<void(std::uint8_t)> handler) { byteHandler() = std::move(handler); }

void bindEvents() {
  toolkit::on(窗口, toolkit::Event::Created, onMainWindowCreated);
  toolkit::on(窗口, toolkit::Event::Destroying, onMainWindowDestroying);
  port().setByteSink([](std::uint8_t byte, std::uint32_t generation) {
    toolkit::post(kByteChannel, byte, static_cast<std::intptr_t>(generation));
  });
  toolkit::onPosted(kByteChannel, [](std::uintptr_t byte, std::intptr_t generation) {
    // Bytes of an open that has since been closed are dropped, as a close promises.
    if (!port().isCurrent(static_cast<std::uint32_t>(generation))) return;
    if (auto& handler = byteHandler()) handler(static_cast<std::uint8_t>(byte));
  });
}

void onMainWindowCreated() {
  texts::uiLanguage = MMS_UI_LANGUAGE;

  // Until the registry is read, the design items stay and the first is taken.
  toolkit::setSelection(串口号组合框, 0);

  auto& p = port();
  p.setPortNumber(toolkit::itemValue(串口号组合框, toolkit::selection(串口号组合框)));
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
  // Nothing is sent on closing; the port is just let go.
  port().closePort();
}

}  // namespace mainwindow
