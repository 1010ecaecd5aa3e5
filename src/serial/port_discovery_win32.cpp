#include "serial/port_discovery.h"

#include "app/globals.h"
#include "serial/port_names.h"
#include "serial/waits.h"
#include "ui/connection/control_states.h"
#include "ui/main_window/main_window.h"
#include "ui/texts/texts.h"
#include "ui/toolkit/toolkit.h"
#include "ui/toolkit/wide_text.h"

namespace serial {

void refreshPortList() {
  app::Globals* globals = app::globals();
  if (!globals) return;
  const RegistryValues values = globals->registryReader.enumRegistryValues(kSerialCommKey);
  globals->portNames = values.data;
  toolkit::setSelection(串口号组合框, -1);
  toolkit::clearItems(串口号组合框);
  if (values.count <= 0) return;
  for (const std::string& data : values.data) {
    const std::string name = portNameFromData(data);
    toolkit::addItem(串口号组合框, toolkit::utf8FromGbk(name), portNumberFromName(name));
  }
  toolkit::setSelection(串口号组合框, 0);
}

void useSelectedPort() {
  const int selected = toolkit::selection(串口号组合框);
  const std::string name = selected >= 0 ? toolkit::gbkFromUtf8(toolkit::itemText(串口号组合框, selected)) : "";
  // No selection opens port 1, as a port number below 1 does.
  mainwindow::port().setDeviceName(deviceNameForListedPort(name));
}

void onPortChosen() {
  useSelectedPort();
  if (!connection::connected) return;
  auto& port = mainwindow::port();
  port.closePort();
  pumpDelay(200);
  if (!toolkit::mainWindowExists()) return;
  if (!port.openPort()) {
    toolkit::messageBox(texts::text(texts::TextId::T28));
    connection::dropConnection();
  }
}

}  // namespace serial
