// What is drawn inside a rectangle of the screen, measured on a screenshot:
// the size of the box around everything that differs from the background.
// Fonts cannot be read from another process under wine; their effect can.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <utility>

#include "driver_client.h"

namespace e2e {

inline std::optional<std::pair<int, int>> inkSize(const std::string& display, const Rect& r,
                                                  const std::string& shotPath) {
  const std::string crop = std::to_string(r.width) + "x" + std::to_string(r.height) + "+" + std::to_string(r.x) +
                           "+" + std::to_string(r.y);
  const std::string take = "DISPLAY=" + display + " import -window root -crop " + crop + " +repage '" + shotPath + "'";
  if (std::system(take.c_str()) != 0) return std::nullopt;
  const std::string measure = "convert '" + shotPath + "' -fuzz 30% -trim -format '%w %h' info: 2>/dev/null";
  FILE* pipe = popen(measure.c_str(), "r");
  if (!pipe) return std::nullopt;
  int width = 0, height = 0;
  const bool read = std::fscanf(pipe, "%d %d", &width, &height) == 2;
  pclose(pipe);
  if (!read) return std::nullopt;
  return std::make_pair(width, height);
}

}  // namespace e2e
