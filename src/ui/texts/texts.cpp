#include "ui/texts/texts.h"

#include <array>

namespace texts {

std::uint8_t uiLanguage = 0;

namespace {

struct Pair {
  std::string_view english;
  std::string_view chinese;
};

// Indexed by TextId - 1. The message boxes' first lines end in runs of blanks
// (32 in T29, 31 in T30) that the instrument's users know; keep them exact.
constexpr std::array<Pair, kPairedTextCount> kPairs{{
    {"The time it takes for the instrument to send data to the slave and for the slave to "
     "reply with complete data, in milliseconds",
     "仪表往从机发送数据，从机回复完整数据所需要的时间，单位ms"},
    {"The waiting time for the instrument to send the next data after receiving a reply "
     "from the slave, in milliseconds",
     "从机回复仪表数据之后，仪表发送下一条数据的等待时间，单位ms"},
    {"M\r\n\r\n1", "主\r\n机\r\n1"},
    {"M\r\n\r\n2", "主\r\n机\r\n2"},
    {"M\r\n\r\n3", "主\r\n机\r\n3"},
    {"M\r\n\r\n4", "主\r\n机\r\n4"},
    {"S\r\n\r\n1", "从\r\n\r\n机"},
    {"Multi-master/single-slave configuration software", "多主一从设置软件"},
    {"To connect successfully, short the setup terminal for 5 seconds before powering on or "
     "during runtime, ensuring all three indicator lights are fully illuminated！",
     "上电前5秒/运行过程中短接设置端子，三个指示灯全亮(处于设置状态)，才能连接成功！"},
    {"Port:", "串口号:"},
    {"Connect", "连接"},
    {"Ver:", "版本号:"},
    {"Two masters:", "二主一从"},
    {"Four masters:", "四主一从"},
    {"Baud:", "波特率"},
    {"Parity:", "校验位"},
    {"Out-Time:", "超时时间"},
    {"Poll-Time:", "轮询间隔"},
    {"Read", "读取"},
    {"Write", "设置"},
    {"Connect...", "连接中"},
    {"Disconnect", "断开"},
    {"Send...", "发送中"},
    {"Send", "发送"},
    {"Read...", "读取中"},
    {"Write...", "设置中"},
    {"Connection failed", "串口连接失败"},
    {"Serial port connection failed", "串口连接失败"},
    {"Connection failed！                                \r\n\r\n1.Is the serial port number "
     "correct？\r\n2.Is the instrument in setup mode？",
     "连接失败！                                \r\n\r\n1.串口号是否正确？\r\n2.仪表是否处于设置模式？"},
    {"Connection failed！                               \r\n\r\n1.Is the USB connection "
     "loose？\r\n2.Is the serial port number correct？\r\n3.Is the serial port occupied？",
     "连接失败！                               \r\n\r\n1.USB是否松动？\r\n2.串口号是否正确？\r\n3."
     "串口号是否被占用？"},
    {"Not written: choose the baud rate of COM%d", "未设置：请选择COM%d的波特率"},
    {"Not written: choose the parity of COM%d", "未设置：请选择COM%d的校验位"},
    {"Not written: Out-Time must be a whole number from 0 to 10000", "未设置：超时时间须为0到10000的整数"},
    {"Not written: Poll-Time must be a whole number from 0 to 10000", "未设置：轮询间隔须为0到10000的整数"},
}};

}  // namespace

std::string_view pairedText(TextId id, std::uint8_t language) {
  const auto index = static_cast<std::size_t>(static_cast<int>(id) - 1);
  if (index >= kPairs.size()) return {};
  return language == 1 ? kPairs[index].english : kPairs[index].chinese;
}

}  // namespace texts
