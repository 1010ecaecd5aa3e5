// Connection state shared by the connect, read, write and send operations.
#pragma once

namespace connection {

// 1 from the moment a connect starts until a failure, a disconnect or a reset.
// Window thread only.
extern int connected;

}  // namespace connection
