// Keeps the windows inside a container in proportion to the container's size.
//
// At attach it records where every window inside the container is; on each size
// change of the container it moves them all from those records, so rounding
// never accumulates. The main window's scaler also answers the size-limit query.
#pragma once

#include <optional>
#include <vector>

#include "ui/layout/placement.h"

namespace layout {

// Called on every size change before the moves; nonzero means it laid the
// windows out itself.
using ResizeHook = int (*)(float ratioX, float ratioY);

struct ChildRecord {
  void* window = nullptr;
  Rect place;  // inside its own parent's client area, outer size
};

class LayoutScaler {
 public:
  LayoutScaler() = default;
  ~LayoutScaler();
  LayoutScaler(const LayoutScaler&) = delete;
  LayoutScaler& operator=(const LayoutScaler&) = delete;

  // window: the container's native handle. Left out, the minimum is the
  // window's size now and the maximum the screen's.
  bool attach(void* window, ResizeHook hook = nullptr, bool limitsOn = true, std::optional<int> minWidth = {},
              std::optional<int> minHeight = {}, std::optional<int> maxWidth = {},
              std::optional<int> maxHeight = {});
  // Reinstalls the container's previous handler (if it is still there) and frees the records.
  void detach();

  bool attached() const { return window_ != nullptr; }
  const std::vector<ChildRecord>& records() const { return records_; }

  // The container's message handler while attached (an implementation detail of the subclassing).
  long long onMessage(void* window, unsigned message, unsigned long long first, long long second);

 private:
  void recordChildren(void* window, float offsetX, float offsetY);
  bool recordWindow(void* window, float offsetX, float offsetY);
  void moveAll(float ratioX, float ratioY);

  void* window_ = nullptr;
  int clientWidth_ = 0, clientHeight_ = 0;
  std::vector<ChildRecord> records_;
  bool limitsOn_ = true;
  SizeLimits limits_;
  ResizeHook hook_ = nullptr;
};

}  // namespace layout
