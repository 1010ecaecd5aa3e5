#include <gtest/gtest.h>

#include "serial/port_names.h"

TEST(PortNames, ItemValueAndDeviceOfAListedName) {
  struct Case { const char* name; std::int32_t value; const char* device; };
  const Case cases[] = {
      {"COM1", 1, "\\\\.\\COM1"},
      {"COM3", 3, "\\\\.\\COM3"},
      {"COM12", 12, "\\\\.\\COM12"},
      {"COM123", 123, "\\\\.\\COM123"},       // the whole number, not two digits
      {"CNCA0", 0, "\\\\.\\CNCA0"},           // a virtual port driver's name is opened as it is
      {"COMX", 0, "\\\\.\\COMX"},
      {"COM", 0, "\\\\.\\COM"},
      {"COM1A", 0, "\\\\.\\COM1A"},
      {"COM99999999999", 0, "\\\\.\\COM99999999999"},
      {"", 0, "\\\\.\\COM1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(serial::portNumberFromName(c.name), c.value);
    EXPECT_EQ(serial::deviceNameForListedPort(c.name), c.device);
  }
}

TEST(PortNames, RegistryDataEndsAtItsFirstZero) {
  EXPECT_EQ(serial::portNameFromData(std::string("COM3\0\0", 6)), "COM3");
  EXPECT_EQ(serial::portNameFromData(std::string("COM12\0junk", 10)), "COM12");
  EXPECT_EQ(serial::portNameFromData("COM7"), "COM7");
  EXPECT_EQ(serial::portNameFromData(std::string("\0", 1)), "");
}
