#include "app/globals.h"

namespace app {

namespace {
std::unique_ptr<Globals> instance;
}

Globals* globals() { return instance.get(); }

void createGlobals() { instance = std::make_unique<Globals>(); }

void freeGlobals() {
  if (!instance) return;
  for (auto& scaler : instance->scalers) scaler.detach();
  instance.reset();
}

}  // namespace app
