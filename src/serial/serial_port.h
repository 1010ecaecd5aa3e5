// The serial port component: owns the PC's port, opens it with the stored line
// settings, sends bytes, and reads on a thread of its own. Every received byte
// goes to the sink (called on the reader thread), tagged with the generation of
// the open it came from, so that bytes of an earlier open can be told apart
// after a close and dropped.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "serial/port_settings.h"

namespace serial {

enum class PortError { None, NoSuchPort, PortBusy, DeviceGone, Other };

class SerialPort {
 public:
  // Returns false when the byte could not be handed on (the window has gone).
  using ByteSink = std::function<bool(std::uint8_t byte, std::uint32_t generation)>;

  SerialPort();
  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  void setByteSink(ByteSink sink);

  // Stored until the next openPort.
  void setPortNumber(int portNumber);
  void setDeviceName(std::string name);
  void setBaudRate(int baud);
  void setDataBits(int bits);
  void setStopBits(int stopBits);
  void setParity(int parity);
  void setParityCheck(bool on);
  const PortSettings& settings() const { return settings_; }

  bool openPort();
  void closePort();
  // Closes the port for good: the window that owned it has gone.
  void retire();
  bool sendData(std::string_view bytes);  // blocks until written

  bool isOpen() const { return handle_ != nullptr; }
  // Bytes read but not yet handed to the window thread; the window thread calls
  // noteHandedOver for every byte it takes from the sink, current or stale.
  // Also true for bytes still in the driver, which a starved reader thread has
  // not read yet. Safe from any thread.
  bool bytesWaiting() const;
  void noteHandedOver() { waiting_.fetch_sub(1); }
  // True for bytes read by the open that is still in force.
  bool isCurrent(std::uint32_t generation) const;
  PortError lastError() const { return lastError_; }

 private:
  void readLoop(void* handle, void* stopEvent, std::uint32_t generation);

  PortSettings settings_;
  ByteSink sink_;
  void* handle_ = nullptr;     // HANDLE of the open port
  void* stopEvent_ = nullptr;  // HANDLE; tells the reader to cancel its read and end
  std::thread reader_;
  std::atomic<std::uint32_t> generation_{0};
  std::atomic<int> waiting_{0};  // reader thread adds, window thread takes away
  mutable std::mutex handleMutex_;  // handle_ against its close while another thread asks the driver
  PortError lastError_ = PortError::None;
  bool retired_ = false;
};

}  // namespace serial
