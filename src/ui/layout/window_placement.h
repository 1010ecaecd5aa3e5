// The main window's size and place from the display, and its font steps.
#pragma once

namespace layout {

struct DisplayMode {
  int width = 0, height = 0;
};

// The primary display's current mode; 0 x 0 when the query fails.
DisplayMode queryDisplayMode();

// Sizes and places the main window from the display mode.
void placeMainWindow();

// Resize hook of every scaler: switches the vertical labels' and the hint's
// fonts by the main window's height. Returns 0 (the proportional moves go on).
int adjustFonts(float ratioX, float ratioY);

}  // namespace layout
