// Keeps the windows inside a container in proportion to the container's size.
#pragma once

#include <vector>

namespace layout {

struct ChildRecord {
  void* window = nullptr;
  int x = 0, y = 0, width = 0, height = 0;
};

class LayoutScaler {
 public:
  // Reinstalls the container's previous handler and frees the records.
  void detach();
  bool attached() const { return window_ != nullptr; }

 private:
  void* window_ = nullptr;
  std::vector<ChildRecord> records_;
};

}  // namespace layout
