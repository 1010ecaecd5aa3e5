// The port list shows the ports the prefix's registry lists; a pick is used
// from the next open on, at once while connected.
#include <gtest/gtest.h>

#include "private_rig.h"
#include "scenario_fixture.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

// Three ports with names of one, two and three digits; instruments behind COM12
// and COM123, nothing behind COM3.
class PortsTest : public ::testing::Test {
 protected:
  // One rig for the suite; every test gets fresh instruments and a fresh program.
  static void SetUpTestSuite() {
    std::string error;
    if (!RigEnv::load(shared, error)) {
      setupError = error;
      return;
    }
    rig = new PrivateRig(shared, "ports", privateRigOptions(shared, "1366x768"));
    if (!rig->up()) setupError = rig->error();
  }

  static void TearDownTestSuite() {
    delete rig;
    rig = nullptr;
  }

  void SetUp() override {
    ASSERT_TRUE(setupError.empty()) << setupError;
    std::string error;
    const std::string state = shared.get("STATE_DIR");
    com12 = std::make_unique<sim::InstrumentSim>(state + "/ports-com12");
    com123 = std::make_unique<sim::InstrumentSim>(state + "/ports-com123");
    ASSERT_TRUE(com12->start(&error)) << error;
    ASSERT_TRUE(com123->start(&error)) << error;
    driver = std::make_unique<Driver>(rig->env());
    ASSERT_TRUE(driver->started()) << driver->startError();
    ASSERT_TRUE(driver->launch(shared.get("MMS_APP_EXE"), "多主一从设置软件"));
  }

  void TearDown() override {
    driver.reset();
    com12.reset();
    com123.reset();
  }

  int indexOf(const std::string& name) {
    for (int i = 0; i < driver->comboCount(串口号组合框); ++i)
      if (driver->comboItem(串口号组合框, i)->second == name) return i;
    return -1;
  }

  void pickPort(const std::string& name) {
    const int index = indexOf(name);
    ASSERT_GE(index, 0) << name << " is not listed";
    ASSERT_TRUE(driver->pick(串口号组合框, index));
    ASSERT_TRUE(driver->sync());
  }

  // Waits for the connect to finish; says what happened instead when it does not.
  ::testing::AssertionResult connectedCaption() {
    if (eventually([&] { return driver->text(连接按钮) == "断开" && driver->enabled(连接按钮); }, 15s))
      return ::testing::AssertionSuccess();
    std::string seen;
    for (const auto& c : com12->commands()) seen += c;
    seen += " | ";
    for (const auto& c : com123->commands()) seen += c;
    return ::testing::AssertionFailure() << "not connected: caption '" << driver->text(连接按钮) << "', message '"
                                         << driver->waitMessageBox(0ms).value_or("none") << "', COM12 | COM123 got: "
                                         << seen;
  }

  static inline RigEnv shared;
  static inline PrivateRig* rig = nullptr;
  static inline std::string setupError;
  std::unique_ptr<sim::InstrumentSim> com12, com123;
  std::unique_ptr<Driver> driver;
};

TEST_F(PortsTest, ListShowsTheRegistrysPortsInItsOrderWithTheirNumbers) {
  // The registry's own order (the host's serial port is listed too).
  const std::vector<std::string> names = listedPorts(rig->env());
  ASSERT_EQ(driver->comboCount(串口号组合框), static_cast<int>(names.size()));
  for (std::size_t i = 0; i < names.size(); ++i) {
    const auto item = driver->comboItem(串口号组合框, static_cast<int>(i));
    ASSERT_TRUE(item.has_value());
    EXPECT_EQ(item->second, names[i]);
    EXPECT_EQ(item->first, std::stoll(names[i].substr(3))) << "the whole number after COM";
  }
  EXPECT_GE(indexOf("COM3"), 0);
  EXPECT_GE(indexOf("COM12"), 0);
  EXPECT_EQ(driver->comboItem(串口号组合框, indexOf("COM123"))->first, 123);
  EXPECT_EQ(driver->comboSelection(串口号组合框), 0);
}

TEST_F(PortsTest, PickWhileIdleOpensNothingAndTheNextConnectOpensIt) {
  ASSERT_NO_FATAL_FAILURE(pickPort("COM123"));
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(com123->openCount(), 0);
  // Opening the list again shows the first port selected, yet the pick stays in use.
  ASSERT_TRUE(driver->dropDown(串口号组合框));
  ASSERT_TRUE(driver->sync());
  EXPECT_EQ(driver->comboSelection(串口号组合框), 0);
  ASSERT_TRUE(driver->click(连接按钮));
  ASSERT_TRUE(connectedCaption());
  EXPECT_EQ(com123->commands(), (std::vector<std::string>{"+++@@@BBB=setting\r\n", "+++@@@BBB=Ver\r\n", "+++@@@BBB=?\r\n"}));
  EXPECT_EQ(com12->openCount(), 0);
}

TEST_F(PortsTest, PickWhileConnectedReopensOnTheNewPort) {
  ASSERT_NO_FATAL_FAILURE(pickPort("COM12"));
  ASSERT_TRUE(driver->click(连接按钮));
  ASSERT_TRUE(connectedCaption());
  ASSERT_TRUE(com12->isOpen());
  ASSERT_NO_FATAL_FAILURE(pickPort("COM123"));
  EXPECT_TRUE(com123->waitUntil([&] { return com123->isOpen(); }, 3s)) << "the new port is opened at once";
  EXPECT_FALSE(com12->isOpen());
  EXPECT_EQ(com123->received(), "") << "a pick sends nothing";
  // Picking the same port again reopens it: a close, then an open.
  com123->clearRecord();
  ASSERT_NO_FATAL_FAILURE(pickPort("COM123"));
  EXPECT_TRUE(com123->waitUntil([&] { return com123->openCount() == 1 && com123->closeCount() == 1; }, 3s));
  EXPECT_EQ(driver->text(连接按钮), "断开");
}

TEST_F(PortsTest, PortThatFailsToOpenWhileConnectedDropsTheConnection) {
  ASSERT_NO_FATAL_FAILURE(pickPort("COM12"));
  ASSERT_TRUE(driver->click(连接按钮));
  ASSERT_TRUE(connectedCaption());
  com123->makeUnopenable();
  ASSERT_TRUE(driver->pick(串口号组合框, indexOf("COM123")));
  const auto message = driver->waitMessageBox(5s);
  ASSERT_TRUE(message.has_value());
  EXPECT_EQ(*message, "串口连接失败");
  ASSERT_TRUE(driver->closeMessageBox());
  EXPECT_TRUE(eventually([&] { return driver->text(连接按钮) == "连接"; }));
  EXPECT_FALSE(com12->isOpen());
}

}  // namespace
}  // namespace e2e
