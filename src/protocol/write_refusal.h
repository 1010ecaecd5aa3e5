// The message that says why a write was refused.
#pragma once

#include <cstdint>
#include <string>

#include "protocol/parameter_record.h"

namespace protocol {

std::string refusalMessage(const WriteCheck& check, std::uint8_t language);

}  // namespace protocol
