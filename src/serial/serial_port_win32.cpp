#include "serial/serial_port.h"

#include <windows.h>

#include <utility>

namespace serial {

namespace {

// Not in every SDK's winerror.h; what opening a mapped socket or a removed
// adapter reports.
constexpr DWORD kErrorNoSuchDevice = 433;

std::wstring widenAscii(const std::string& text) {
  // Device names are ASCII in practice; fall back to the ANSI code page otherwise.
  const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

PortError classify(DWORD code) {
  switch (code) {
    case ERROR_SUCCESS:
      return PortError::None;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case kErrorNoSuchDevice:
    case ERROR_BAD_UNIT:
      return PortError::NoSuchPort;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
      return PortError::PortBusy;
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_GEN_FAILURE:
    case ERROR_OPERATION_ABORTED:
    case ERROR_BAD_COMMAND:
      return PortError::DeviceGone;
    default:
      return PortError::Other;
  }
}

bool configure(HANDLE h, const PortSettings& s) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(h, &dcb)) return false;
  dcb.BaudRate = static_cast<DWORD>(s.baudRate);
  dcb.ByteSize = static_cast<BYTE>(s.dataBits);
  dcb.Parity = static_cast<BYTE>(clampParity(s.parity));
  dcb.StopBits = static_cast<BYTE>(stopBitsCode(s.stopBits));
  dcb.fBinary = TRUE;
  dcb.fParity = s.parityCheck ? TRUE : FALSE;
  dcb.fOutxCtsFlow = FALSE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDtrControl = DTR_CONTROL_DISABLE;
  dcb.fRtsControl = RTS_CONTROL_DISABLE;
  dcb.fDsrSensitivity = FALSE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fNull = FALSE;
  dcb.fAbortOnError = FALSE;
  if (!SetCommState(h, &dcb)) return false;
  // The reader waits for one byte at a time with no read time-out (the one way
  // that completes on every driver, pseudo-terminals included); writes get the
  // component's time-out plus the line time of the bytes, so long texts are not cut.
  COMMTIMEOUTS timeouts{};
  timeouts.WriteTotalTimeoutMultiplier = 2;
  timeouts.WriteTotalTimeoutConstant = static_cast<DWORD>(s.timeoutMs);
  if (!SetCommTimeouts(h, &timeouts)) return false;
  SetupComm(h, 4096, 4096);
  return true;
}

}  // namespace

SerialPort::SerialPort() { stopEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr); }

SerialPort::~SerialPort() {
  closePort();
  if (stopEvent_) CloseHandle(stopEvent_);
}

void SerialPort::setByteSink(ByteSink sink) { sink_ = std::move(sink); }
void SerialPort::setPortNumber(int portNumber) { settings_.deviceName = deviceNameForPort(portNumber); }
void SerialPort::setDeviceName(std::string name) { settings_.deviceName = std::move(name); }
void SerialPort::setBaudRate(int baud) { settings_.baudRate = baud; }
void SerialPort::setDataBits(int bits) { settings_.dataBits = bits; }
void SerialPort::setStopBits(int stopBits) { settings_.stopBits = clampStopBits(stopBits); }
void SerialPort::setParity(int parity) { settings_.parity = clampParity(parity); }
void SerialPort::setParityCheck(bool on) { settings_.parityCheck = on; }

bool SerialPort::bytesWaiting() const {
  if (waiting_.load() > 0) return true;
  std::lock_guard lock(handleMutex_);
  if (!handle_) return false;
  DWORD errors = 0;
  COMSTAT status{};
  return ClearCommError(handle_, &errors, &status) && status.cbInQue > 0;
}

bool SerialPort::isCurrent(std::uint32_t generation) const {
  return handle_ != nullptr && generation == generation_.load();
}

void SerialPort::retire() {
  closePort();
  retired_ = true;
}

bool SerialPort::openPort() {
  closePort();
  if (retired_) return false;
  HANDLE h = CreateFileW(widenAscii(settings_.deviceName).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                         OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    lastError_ = classify(GetLastError());
    return false;
  }
  if (!configure(h, settings_)) {
    lastError_ = classify(GetLastError());
    if (lastError_ == PortError::None) lastError_ = PortError::Other;
    CloseHandle(h);
    return false;
  }
  PurgeComm(h, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
  ResetEvent(stopEvent_);
  {
    std::lock_guard lock(handleMutex_);
    handle_ = h;
  }
  lastError_ = PortError::None;
  const std::uint32_t generation = ++generation_;
  reader_ = std::thread(&SerialPort::readLoop, this, h, stopEvent_, generation);
  return true;
}

void SerialPort::closePort() {
  if (!handle_) return;
  // The reader cancels its own read and ends before the handle goes: closing a
  // handle another thread is inside a call on can hang that thread for good.
  SetEvent(stopEvent_);
  if (reader_.joinable()) reader_.join();
  {
    std::lock_guard lock(handleMutex_);
    CloseHandle(handle_);
    handle_ = nullptr;
  }
  ++generation_;  // bytes of this open still queued for the window are now stale
}

bool SerialPort::sendData(std::string_view bytes) {
  if (!handle_) return false;
  HANDLE h = handle_;
  PurgeComm(h, PURGE_RXCLEAR);
  if (bytes.empty()) return true;
  OVERLAPPED ov{};
  ov.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!ov.hEvent) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), nullptr, &ov);
  if (!ok && GetLastError() == ERROR_IO_PENDING) ok = TRUE;
  if (ok) ok = GetOverlappedResult(h, &ov, &written, TRUE);
  if (!ok) lastError_ = classify(GetLastError());
  CloseHandle(ov.hEvent);
  return ok && written == bytes.size();
}

void SerialPort::readLoop(void* handle, void* stopEvent, std::uint32_t generation) {
  HANDLE h = handle;
  OVERLAPPED ov{};
  ov.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!ov.hEvent) return;
  HANDLE waits[2] = {ov.hEvent, stopEvent};
  for (;;) {
    std::uint8_t byte = 0;
    DWORD got = 0;
    ResetEvent(ov.hEvent);
    if (!ReadFile(h, &byte, 1, nullptr, &ov) && GetLastError() != ERROR_IO_PENDING) break;  // device gone
    const DWORD which = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    if (which != WAIT_OBJECT_0) {
      CancelIo(h);
      GetOverlappedResult(h, &ov, &got, TRUE);  // the read must be over before ov goes
      break;
    }
    // With no read time-out a read completes only with its byte; a failure or an
    // empty completion (the device has gone) ends this open's reading.
    if (!GetOverlappedResult(h, &ov, &got, FALSE) || got != 1) break;
    waiting_.fetch_add(1);
    if (!sink_ || !sink_(byte, generation)) waiting_.fetch_sub(1);
  }
  CloseHandle(ov.hEvent);
}

}  // namespace serial
