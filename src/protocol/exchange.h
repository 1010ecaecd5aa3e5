// One exchange with the instrument: reopen the port, send a command, await the
// frame that answers it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace protocol {

enum class SendResult {
  Sent,        // the command went out on a freshly opened port
  PortFailed,  // the port did not reopen: the message is shown, the connection dropped
  Refused,     // the command builder refused (nothing sent; the port is open)
  WindowGone,  // the window closed meanwhile: nothing more goes on the line
};

// command: the bytes as they go on the line (code page 936).
SendResult sendCommand(std::string_view command);

// As sendCommand, with the command built once the port is open and frameReady
// cleared, just before it is shown and sent. A builder returning nothing refuses.
SendResult sendBuiltCommand(const std::function<std::optional<std::string>()>& build);

// Waits in 20 ms steps, at most 100, until a frame has been closed. False when
// none came or the window has gone.
bool awaitReply();

// The receive box's text as the line's bytes (code page 936).
std::string replyText();

}  // namespace protocol
