#include "ui/layout/placement.h"

#include <algorithm>

namespace layout {

namespace {

constexpr double kWidthFactor = 0.35;
constexpr double kHeightFactor = 0.7;
constexpr double kTopFactor = 0.15;
constexpr double kLeftFactor = 0.325;
constexpr int kFontThreshold = 700;

int trunc(double value) { return static_cast<int>(value); }

int clampTo(int value, int low, int high) { return std::max(low, std::min(value, std::max(high, low))); }

}  // namespace

std::optional<double> screenDivisor(int w) {
  if (w < 1600) return 1.25;
  if (w <= 1920) return std::nullopt;
  if (w <= 2560) return 1.5;
  if (w <= 3200) return 2.0;
  if (w <= 3839) return 2.5;
  return 3.0;
}

Rect placement(int w, int h, const SizeLimits& l) {
  Rect r;
  r.width = clampTo(trunc(w * kWidthFactor), l.minWidth, l.maxWidth);
  r.height = clampTo(trunc(h * kHeightFactor), l.minHeight, l.maxHeight);
  r.y = trunc(h * kTopFactor);
  r.x = trunc(w * kLeftFactor);
  if (const auto d = screenDivisor(w)) {
    r.width = clampTo(trunc(r.width / *d), l.minWidth, l.maxWidth);
    r.height = clampTo(trunc(r.height / *d), l.minHeight, l.maxHeight);
    r.y = trunc(r.y / *d);
    r.x = trunc(r.x / *d);
  }
  return r;
}

Rect scaled(const Rect& r, float ratioX, float ratioY) {
  const double rx = ratioX, ry = ratioY;
  return {trunc(r.x * rx), trunc(r.y * ry), trunc(r.width * rx), trunc(r.height * ry)};
}

FontStep fontStepFor(int mainWindowHeight) {
  return mainWindowHeight >= kFontThreshold ? FontStep{14, 10} : FontStep{10, 8};
}

}  // namespace layout
