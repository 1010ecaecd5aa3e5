#pragma once

#include <cstdint>

namespace protocol {

// 0: setup state confirmed and a version received (parameters applied when a
// parameter reply came); 1: the setup answer lacks "setting"; 2: no answer, or
// the port did not reopen before one of the three commands.
std::int32_t runHandshake();

}  // namespace protocol
