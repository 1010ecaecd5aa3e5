// The raw console: sends whatever the send box holds, with CR LF, and does not
// wait for an answer (the receive box shows it when it comes).
#pragma once

namespace console {

void onSendClicked();

}  // namespace console
