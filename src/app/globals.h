// Objects built once before the main window and freed once after the event loop.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "serial/frame_receiver.h"
#include "serial/registry_reader.h"
#include "ui/layout/layout_scaler.h"

namespace app {

struct Globals {
  // Main window, tab control, two-master page box, four-master page box.
  std::array<layout::LayoutScaler, 4> scalers;
  serial::RegistryReader registryReader;
  std::vector<std::string> portNames;
  serial::RxFrame rxFrame;
};

// Null before createGlobals and after freeGlobals.
Globals* globals();

void createGlobals();
void freeGlobals();

}  // namespace app
