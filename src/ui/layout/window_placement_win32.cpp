#include "ui/layout/window_placement.h"

#include <windows.h>

#include "ui/layout/placement.h"
#include "ui/toolkit/toolkit.h"

namespace layout {

DisplayMode queryDisplayMode() {
  DISPLAY_DEVICEW device{};
  device.cb = sizeof device;
  if (!EnumDisplayDevicesW(nullptr, 0, &device, 0)) return {};
  DEVMODEW mode{};
  mode.dmSize = sizeof mode;
  if (!EnumDisplaySettingsW(device.DeviceName, ENUM_CURRENT_SETTINGS, &mode)) return {};
  return {static_cast<int>(mode.dmPelsWidth), static_cast<int>(mode.dmPelsHeight)};
}

void placeMainWindow() {
  const DisplayMode display = queryDisplayMode();
  // Separate changes, each bounded by the main window's size limits.
  toolkit::setWidth(窗口, truncTimes(display.width, kWidthFactor));
  toolkit::setHeight(窗口, truncTimes(display.height, kHeightFactor));
  toolkit::setTop(窗口, truncTimes(display.height, kTopFactor));
  toolkit::setLeft(窗口, truncTimes(display.width, kLeftFactor));
  const auto divisor = screenDivisor(display.width);
  if (!divisor) return;
  // Read back: a size raised to the minimum is divided from the minimum.
  toolkit::setWidth(窗口, truncDivided(toolkit::bounds(窗口).width, *divisor));
  toolkit::setHeight(窗口, truncDivided(toolkit::bounds(窗口).height, *divisor));
  toolkit::setTop(窗口, truncDivided(toolkit::bounds(窗口).top, *divisor));
  toolkit::setLeft(窗口, truncDivided(toolkit::bounds(窗口).left, *divisor));
}

int adjustFonts(float, float) {
  const FontStep step = fontStepFor(toolkit::bounds(窗口).height);
  for (ControlId label : {主机1标签, 主机2标签, 主机3标签, 主机4标签, 从机标签, 主机1标签1, 主机2标签1, 从机标签1})
    toolkit::setFontPoints(label, step.verticalLabelPoints);
  toolkit::setFontPoints(连接提示, step.hintPoints);
  return 0;
}

}  // namespace layout
