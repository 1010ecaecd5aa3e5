// Line settings the serial port component stores until its next open, and the
// rules that turn the stored values into what the driver is given.
#pragma once

#include <string>

namespace serial {

struct PortSettings {
  std::string deviceName = "\\\\.\\COM1";  // what openPort opens
  int baudRate = 9600;
  int dataBits = 8;
  int stopBits = 1;      // 1 = one, 2 = one and a half, 3 = two
  int parity = 0;        // 0 none, 1 odd, 2 even, 3 mark, 4 space
  bool parityCheck = true;
  int timeoutMs = 1000;  // the driver's write time-outs
};

// A port number of 0 or below is taken as 1.
int storedPortNumber(int portNumber);

// "\\.\COMn": the prefix lets COM10 and above (and non-COM names) open.
std::string deviceNameForPort(int portNumber);

int clampStopBits(int stopBits);
int clampParity(int parity);

// Win32 DCB codes (ONESTOPBIT = 0, ONE5STOPBITS = 1, TWOSTOPBITS = 2); kept here
// so the rule is testable without <windows.h>.
int stopBitsCode(int stopBits);

}  // namespace serial
