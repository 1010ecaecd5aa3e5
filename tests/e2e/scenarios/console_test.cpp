// The raw console: the send box's text goes out with CR LF on a freshly
// reopened port, without waiting for an answer.
#include <gtest/gtest.h>

#include "scenario_fixture.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

class ConsoleTest : public Scenario {
 protected:
  void connect() {
    ASSERT_TRUE(driver->click(连接按钮));
    ASSERT_TRUE(eventually([&] { return driver->text(连接按钮) == "断开" && driver->enabled(连接按钮); }))
        << "did not connect";
  }

  // Clicks send and waits until the console is idle again.
  void send(const std::string& text) {
    ASSERT_TRUE(driver->setText(发送数据文本框, text));
    sim->clearRecord();
    ASSERT_TRUE(driver->click(发送按钮));
    ASSERT_TRUE(eventually([&] { return driver->text(发送按钮) == "发送" && driver->enabled(发送按钮); }));
  }

  // Milliseconds between the port's close and its reopening before the send, as
  // the instrument saw them: a loaded machine can make it notice the close late,
  // so checks use 100 ms, well clear of a missing 200 ms pause.
  double reopenPauseMs() {
    std::int64_t closed = 0, opened = 0;
    for (const auto& e : sim->events()) {
      if (e.kind == sim::Event::Kind::Closed && !closed) closed = e.tNs;
      if (e.kind == sim::Event::Kind::Opened && closed && !opened) opened = e.tNs;
    }
    return closed && opened ? static_cast<double>(opened - closed) / 1e6 : -1;
  }
};

TEST_F(ConsoleTest, SendsTheTextWithCrLfOnAReopenedPort) {
  ASSERT_NO_FATAL_FAILURE(launch());
  ASSERT_NO_FATAL_FAILURE(connect());
  struct Case { std::string typed; std::string onTheLine; };
  const Case cases[] = {
      {"hello", "hello\r\n"},
      {"abc\r\n", "abc\r\n\r\n"},             // a second CR LF after one already there
      {"   ", "   \r\n"},                     // blanks are not empty
      {"中文", "\xD6\xD0\xCE\xC4\r\n"},       // code page 936 on the line
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    ASSERT_NO_FATAL_FAILURE(send(c.typed));
    ASSERT_TRUE(sim->waitUntil([&] { return sim->received().size() >= c.onTheLine.size(); }, 3s));
    EXPECT_EQ(sim->received(), c.onTheLine);
    EXPECT_GE(reopenPauseMs(), 100.0);
  }
  EXPECT_EQ(driver->text(连接按钮), "断开");
}

TEST_F(ConsoleTest, AnEmptyBoxSendsNothingButStillReopensThePort) {
  ASSERT_NO_FATAL_FAILURE(launch());
  ASSERT_NO_FATAL_FAILURE(connect());
  ASSERT_TRUE(driver->setText(接收数据文本框, "kept"));
  ASSERT_NO_FATAL_FAILURE(send(""));
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(sim->received(), "");
  EXPECT_GE(reopenPauseMs(), 100.0) << "the port is reopened all the same";
  EXPECT_EQ(driver->text(接收数据文本框), "kept");
}

TEST_F(ConsoleTest, TheAnswerShowsInTheReceiveBoxWhenItComes) {
  ASSERT_NO_FATAL_FAILURE(launch());
  ASSERT_NO_FATAL_FAILURE(connect());
  ASSERT_NO_FATAL_FAILURE(send("+++@@@BBB=Ver"));
  EXPECT_TRUE(eventually([&] { return driver->text(接收数据文本框) == "MMS-V1.23\r\n"; }, 3s));
}

TEST_F(ConsoleTest, ASendWhileIdleConnectsFirstAndThenSendsWhatTheBoxHolds) {
  ASSERT_NO_FATAL_FAILURE(launch());
  ASSERT_TRUE(driver->setText(发送数据文本框, "ping"));
  ASSERT_TRUE(driver->click(发送按钮));
  // The handshake records each of its commands in the send box, so the box then
  // holds the query, which goes out again with a second CR LF.
  const std::vector<std::string> expected{"+++@@@BBB=setting\r\n", "+++@@@BBB=Ver\r\n", "+++@@@BBB=?\r\n",
                                          "+++@@@BBB=?\r\n", "\r\n"};
  EXPECT_TRUE(sim->waitUntil([&] { return sim->commands().size() >= expected.size(); }, 15s));
  EXPECT_EQ(sim->commands(), expected);
  EXPECT_TRUE(eventually([&] { return driver->text(连接按钮) == "断开" && driver->enabled(发送按钮); }));
}

}  // namespace
}  // namespace e2e
