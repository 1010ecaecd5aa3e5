#include "ui/connection/control_states.h"

namespace connection {

int connected = 0;

}  // namespace connection
