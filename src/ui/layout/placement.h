// The arithmetic of the main window's size and place on the display, and of
// the proportional moves of scaled windows. Every product and quotient is
// computed in double precision and truncated toward zero.
#pragma once

#include <optional>

namespace layout {

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const Rect&) const = default;
};

inline constexpr double kWidthFactor = 0.35;
inline constexpr double kHeightFactor = 0.7;
inline constexpr double kTopFactor = 0.15;
inline constexpr double kLeftFactor = 0.325;

// trunc(value x factor) and trunc(value / divisor), in double precision.
int truncTimes(int value, double factor);
int truncDivided(int value, double divisor);

struct SizeLimits {
  int minWidth = 0, minHeight = 0, maxWidth = 0, maxHeight = 0;
};

// 1.25 below 1600, none from 1600 to 1920, 1.5 up to 2560, 2 up to 3200,
// 2.5 up to 3839, 3 from 3840.
std::optional<double> screenDivisor(int displayWidth);

// The main window's outer rectangle for a display of width x height, with the
// size limits applied to every size the placement sets.
Rect placement(int displayWidth, int displayHeight, const SizeLimits& limits);

// A recorded window moved in proportion to its container's new client size.
Rect scaled(const Rect& recorded, float ratioX, float ratioY);

// Font steps: the vertical labels and the connection hint follow the main
// window's outer height.
struct FontStep {
  int verticalLabelPoints;
  int hintPoints;
};
FontStep fontStepFor(int mainWindowHeight);

}  // namespace layout
