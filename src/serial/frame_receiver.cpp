#include "serial/frame_receiver.h"

namespace serial {

std::atomic<std::int32_t> gapTicks{0};

}  // namespace serial
