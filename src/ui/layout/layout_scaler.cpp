#include "ui/layout/layout_scaler.h"

namespace layout {

void LayoutScaler::detach() {
  window_ = nullptr;
  records_.clear();
  records_.shrink_to_fit();
}

}  // namespace layout
