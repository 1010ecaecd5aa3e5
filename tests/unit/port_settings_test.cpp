#include <gtest/gtest.h>

#include "serial/port_settings.h"

TEST(PortSettings, PortNumberBecomesDeviceName) {
  struct Case { int number; const char* device; };
  for (const Case& c : {Case{1, "\\\\.\\COM1"}, Case{7, "\\\\.\\COM7"}, Case{12, "\\\\.\\COM12"},
                        Case{123, "\\\\.\\COM123"}, Case{0, "\\\\.\\COM1"}, Case{-1, "\\\\.\\COM1"},
                        Case{-2147483647 - 1, "\\\\.\\COM1"}}) {
    SCOPED_TRACE(c.number);
    EXPECT_EQ(serial::deviceNameForPort(c.number), c.device);
  }
}

TEST(PortSettings, StopBitsAndParityAreClampedIntoTheirRanges) {
  struct Case { int in, stopBits, stopCode; };
  for (const Case& c : {Case{-5, 1, 0}, Case{0, 1, 0}, Case{1, 1, 0}, Case{2, 2, 1}, Case{3, 3, 2}, Case{9, 3, 2}}) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(serial::clampStopBits(c.in), c.stopBits);
    EXPECT_EQ(serial::stopBitsCode(c.in), c.stopCode);
  }
  EXPECT_EQ(serial::clampParity(-1), 0);
  EXPECT_EQ(serial::clampParity(2), 2);
  EXPECT_EQ(serial::clampParity(7), 4);
}

TEST(PortSettings, DefaultsAreTheInstrumentLine) {
  const serial::PortSettings s;
  EXPECT_EQ(s.baudRate, 9600);
  EXPECT_EQ(s.dataBits, 8);
  EXPECT_EQ(s.stopBits, 1);
  EXPECT_EQ(s.parity, 0);
  EXPECT_TRUE(s.parityCheck);
  EXPECT_EQ(s.timeoutMs, 1000);
}
