// The parameter set as the two pages' controls hold it.
#pragma once

#include <string>
#include <string_view>

#include "protocol/parameter_record.h"

namespace protocol {

// Writes a parameter reply (code page 936) into both pages, field by field;
// a reply with fewer than twelve fields stops at the first missing one.
void applyParameterReply(std::string_view replyText);

// The four-master page's values; texts as the line's bytes.
DeviceConfig readDeviceConfig();

}  // namespace protocol
