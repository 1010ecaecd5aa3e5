#include "ui/layout/placement.h"

#include <algorithm>

namespace layout {

namespace {

constexpr int kFontThreshold = 700;

int trunc(double value) { return static_cast<int>(value); }

int clampTo(int value, int low, int high) { return std::max(low, std::min(value, std::max(high, low))); }

}  // namespace

int truncTimes(int value, double factor) { return trunc(value * factor); }
int truncDivided(int value, double divisor) { return trunc(value / divisor); }

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
  r.width = clampTo(truncTimes(w, kWidthFactor), l.minWidth, l.maxWidth);
  r.height = clampTo(truncTimes(h, kHeightFactor), l.minHeight, l.maxHeight);
  r.y = truncTimes(h, kTopFactor);
  r.x = truncTimes(w, kLeftFactor);
  if (const auto d = screenDivisor(w)) {
    r.width = clampTo(truncDivided(r.width, *d), l.minWidth, l.maxWidth);
    r.height = clampTo(truncDivided(r.height, *d), l.minHeight, l.maxHeight);
    r.y = truncDivided(r.y, *d);
    r.x = truncDivided(r.x, *d);
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
