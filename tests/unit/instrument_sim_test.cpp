// The simulated instrument, driven through its link the way the program opens a
// serial port: if it misbehaves, every end-to-end result built on it is suspect.
#include "instrument_sim.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;
using sim::Event;
using sim::InstrumentSim;

const std::string kDefaultQueryReply =
    "+++@@@BBB=9600,none,9600,none,9600,none,9600,none,9600,none,500,100\r\n";

class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "isim-test-XXXXXX").string();
    if (::mkdtemp(tmpl.data())) path_ = tmpl;
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The program's side of the line.
class Port {
 public:
  ~Port() { close(); }

  bool open(const std::string& path, speed_t speed = B9600) {
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    if (fd_ < 0) return false;
    termios t{};
    ::tcgetattr(fd_, &t);
    ::cfmakeraw(&t);
    ::cfsetispeed(&t, speed);
    ::cfsetospeed(&t, speed);
    // A pty keeps the last session's settings; set all of 8N1 as a program would.
    t.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    t.c_cflag |= CS8 | CREAD | CLOCAL;
    return ::tcsetattr(fd_, TCSANOW, &t) == 0;
  }
  void close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  int fd() const { return fd_; }

  bool send(const std::string& s) {
    return ::write(fd_, s.data(), s.size()) == static_cast<ssize_t>(s.size());
  }

  // Reads as the program does: a reply ends after `silence` without a byte.
  std::string readReply(std::chrono::milliseconds firstByte = 2000ms,
                        std::chrono::milliseconds silence = 80ms) {
    std::string got;
    auto hardEnd = std::chrono::steady_clock::now() + 10s;
    auto wait = firstByte;
    while (std::chrono::steady_clock::now() < hardEnd) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(wait.count())) <= 0) break;
      char buf[512];
      ssize_t n = ::read(fd_, buf, sizeof buf);
      if (n <= 0) break;
      got.append(buf, static_cast<std::size_t>(n));
      wait = silence;
    }
    return got;
  }

  // Returns as soon as `count` bytes are in, before the reply has ended.
  std::string readAtLeast(std::size_t count, std::chrono::milliseconds timeout = 3000ms) {
    std::string got;
    auto end = std::chrono::steady_clock::now() + timeout;
    while (got.size() < count && std::chrono::steady_clock::now() < end) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      char buf[512];
      ssize_t n = ::read(fd_, buf, std::min(sizeof buf, count - got.size()));
      if (n <= 0) break;
      got.append(buf, static_cast<std::size_t>(n));
    }
    return got;
  }

  std::string exchange(const std::string& command) {
    if (!send(command)) return "<write failed>";
    return readReply();
  }

 private:
  int fd_ = -1;
};

std::vector<Event> ofKind(const std::vector<Event>& events, Event::Kind kind) {
  std::vector<Event> out;
  for (const auto& e : events)
    if (e.kind == kind) out.push_back(e);
  return out;
}

std::string sentBytes(const InstrumentSim& s) {
  std::string all;
  for (const auto& e : ofKind(s.events(), Event::Kind::Sent)) all += e.bytes;
  return all;
}

double msBetween(std::int64_t fromNs, std::int64_t toNs) {
  return static_cast<double>(toNs - fromNs) / 1e6;
}

class SimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir.path().empty()) << "mkdtemp failed";
    link = dir.path() + "/com1";
    instrument = std::make_unique<InstrumentSim>(link);
    std::string error;
    ASSERT_TRUE(instrument->start(&error)) << error;
  }
  void TearDown() override {
    port.close();
    instrument.reset();
  }

  void openPort() {
    ASSERT_TRUE(port.open(link)) << "open " << link << ": " << std::strerror(errno);
  }

  TempDir dir;
  std::string link;
  std::unique_ptr<InstrumentSim> instrument;
  Port port;
};

TEST_F(SimTest, AnswersEachCommand) {
  instrument->setPaced(false);
  openPort();
  struct Case {
    std::string command, reply;
  } cases[] = {
      {"+++@@@BBB=setting\r\n", "setting ok\r\n"},
      {"+++@@@BBB=Ver\r\n", "MMS-V1.23\r\n"},
      {"+++@@@BBB=?\r\n", kDefaultQueryReply},
      {"+++@@@BBB=working\r\n", "working ok\r\n"},
      {"+++@@@BBB=115200,odd,9600,none,9600,none,9600,none,9600,none,500,100\r\n", "set ok\r\n"},
      {"hello\r\n", ""},
      {"++@@@BBB=Ver\r\n", ""},
  };
  std::vector<std::string> sent;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    ASSERT_TRUE(port.send(c.command));
    EXPECT_EQ(port.readReply(c.reply.empty() ? 300ms : 2000ms), c.reply);
    sent.push_back(c.command);
  }
  EXPECT_EQ(instrument->commands(), sent);
}

TEST_F(SimTest, VersionTextIsConfigurable) {
  instrument->setPaced(false);
  instrument->setVersionText("XYZ-V9.99\r\n");
  openPort();
  EXPECT_EQ(port.exchange("+++@@@BBB=Ver\r\n"), "XYZ-V9.99\r\n");
}

TEST_F(SimTest, StoresWriteAndReportsItOnQuery) {
  instrument->setPaced(false);
  openPort();
  const std::string fields = "115200,odd,19200,even,4800,none,2400,odd,1200,even,1500,250";
  ASSERT_EQ(port.exchange("+++@@@BBB=" + fields + "\r\n"), "set ok\r\n");
  EXPECT_EQ(instrument->parameters(),
            (std::vector<std::string>{"115200", "odd", "19200", "even", "4800", "none", "2400",
                                      "odd", "1200", "even", "1500", "250"}));
  EXPECT_EQ(port.exchange("+++@@@BBB=?\r\n"), "+++@@@BBB=" + fields + "\r\n");

  instrument->setParameters({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"});
  EXPECT_EQ(port.exchange("+++@@@BBB=?\r\n"), "+++@@@BBB=1,2,3,4,5,6,7,8,9,10,11,12\r\n");
}

TEST_F(SimTest, RejectsMalformedWriteWithoutStoring) {
  instrument->setPaced(false);
  openPort();
  const auto before = instrument->parameters();
  const char* bodies[] = {
      "115200,odd,9600,none,9600,none,9600,none,9600,none,500",           // 11 fields
      "115200,odd,9600,none,9600,none,9600,none,9600,none,500,100,7",     // 13 fields
      "115200,odd,9600,,9600,none,9600,none,9600,none,500,100",           // empty field
      "115200,odd,9600,none,9600,none,9600,none,9600,none,500,",          // trailing comma
      "",                                                                  // nothing at all
      "Setting",                                                           // not a known word
      "? ",
  };
  for (const char* body : bodies) {
    SCOPED_TRACE(body);
    EXPECT_EQ(port.exchange("+++@@@BBB="s + body + "\r\n"), "set error\r\n");
    EXPECT_EQ(instrument->parameters(), before);
  }
  EXPECT_EQ(port.exchange("+++@@@BBB=?\r\n"), kDefaultQueryReply);
}

TEST_F(SimTest, RepliesOnlyAfterCompleteLine) {
  instrument->setPaced(false);
  openPort();
  ASSERT_TRUE(port.send("+++@@@BBB=Ver"));
  EXPECT_EQ(port.readReply(300ms), "");
  ASSERT_TRUE(port.send("\r"));
  EXPECT_EQ(port.readReply(300ms), "");
  EXPECT_TRUE(instrument->commands().empty());
  ASSERT_TRUE(port.send("\n"));
  EXPECT_EQ(port.readReply(), "MMS-V1.23\r\n");

  // Two commands in one write, and a tail that is not a command yet.
  ASSERT_TRUE(port.send("+++@@@BBB=setting\r\n+++@@@BBB=working\r\n+++@@@BBB=?"));
  EXPECT_EQ(port.readReply(), "setting ok\r\nworking ok\r\n");
  EXPECT_EQ(instrument->commands(),
            (std::vector<std::string>{"+++@@@BBB=Ver\r\n", "+++@@@BBB=setting\r\n",
                                      "+++@@@BBB=working\r\n"}));
  EXPECT_EQ(instrument->received().substr(instrument->received().size() - 11), "+++@@@BBB=?");
}

TEST_F(SimTest, RecordsOpenAndCloseInOrder) {
  std::this_thread::sleep_for(50ms);
  EXPECT_TRUE(instrument->events().empty());
  EXPECT_FALSE(instrument->isOpen());

  for (int session = 1; session <= 2; ++session) {
    SCOPED_TRACE(session);
    openPort();
    ASSERT_TRUE(instrument->waitUntil([&] { return instrument->isOpen(); }, 3s));
    EXPECT_EQ(port.exchange("+++@@@BBB=Ver\r\n"), "MMS-V1.23\r\n");
    port.close();
    ASSERT_TRUE(instrument->waitUntil([&] { return instrument->closeCount() == session; }, 3s));
    EXPECT_FALSE(instrument->isOpen());
    EXPECT_EQ(instrument->openCount(), session);
  }

  // Per session: open, what was received, what was sent, close.
  auto events = instrument->events();
  std::string shape;
  for (std::size_t i = 0; i < events.size(); ++i) {
    if (i) {
      EXPECT_LE(events[i - 1].tNs, events[i].tNs);
    }
    char c = "ocrs"[static_cast<int>(events[i].kind)];
    if (shape.empty() || shape.back() != c || c == 'o' || c == 'c') shape += c;
  }
  EXPECT_EQ(shape, "orscorsc");

  instrument->clearRecord();
  EXPECT_TRUE(instrument->events().empty());
  EXPECT_EQ(instrument->openCount(), 0);
}

TEST_F(SimTest, ReceivesBytesWrittenJustBeforeClose) {
  // Open, write and close faster than the simulator checks the line.
  openPort();
  ASSERT_TRUE(port.send("+++@@@BBB=working\r\nlast words"));
  port.close();
  ASSERT_TRUE(instrument->waitUntil([&] { return instrument->closeCount() == 1; }, 3s));
  EXPECT_EQ(instrument->received(), "+++@@@BBB=working\r\nlast words");
  auto events = instrument->events();
  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ(events.front().kind, Event::Kind::Opened);
  EXPECT_EQ(events[1].kind, Event::Kind::Received);
  EXPECT_EQ(events.back().kind, Event::Kind::Closed);
}

TEST_F(SimTest, DropsRestOfReplyWhenPortCloses) {
  struct Case {
    const char* name;
    std::chrono::milliseconds delay;
    std::size_t overlong;
    std::size_t readFirst;  // bytes the program takes before closing
  } cases[] = {
      {"close while the reply is delayed", 300ms, 0, 0},
      {"close in the middle of a paced reply", 0ms, 400, 10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    instrument->clearRecord();
    instrument->setReplyDelay(c.delay);
    instrument->setOverlongReply(c.overlong);
    openPort();
    ASSERT_TRUE(port.send("+++@@@BBB=?\r\n"));
    ASSERT_EQ(port.readAtLeast(c.readFirst).size(), c.readFirst);
    port.close();
    ASSERT_TRUE(instrument->waitUntil([&] { return instrument->closeCount() == 1; }, 3s));
    std::this_thread::sleep_for(c.delay + 500ms);

    auto events = instrument->events();
    std::string sent = sentBytes(*instrument);
    EXPECT_GE(sent.size(), c.readFirst);
    EXPECT_LT(sent.size(), c.overlong ? c.overlong : kDefaultQueryReply.size());
    EXPECT_EQ(events.back().kind, Event::Kind::Closed) << "nothing may be sent after the close";

    // The dropped remainder must not turn up in the next session either.
    openPort();
    EXPECT_EQ(port.readReply(300ms), "");
    port.close();
    ASSERT_TRUE(instrument->waitUntil([&] { return instrument->closeCount() == 2; }, 3s));
  }
}

TEST_F(SimTest, KeepsReceivingWhileReplyIsDelayed) {
  instrument->setReplyDelay(300ms);
  openPort();
  ASSERT_TRUE(port.send("+++@@@BBB=setting\r\n"));
  std::this_thread::sleep_for(100ms);
  ASSERT_TRUE(port.send("+++@@@BBB=working\r\n"));
  EXPECT_EQ(port.readAtLeast(24), "setting ok\r\nworking ok\r\n");

  // Both commands were taken in while the first reply was still waiting.
  std::string before;
  std::int64_t firstRx = 0, firstTx = 0;
  for (const auto& e : instrument->events()) {
    if (e.kind == Event::Kind::Received) {
      if (!firstRx) firstRx = e.tNs;
      before += e.bytes;
    }
    if (e.kind == Event::Kind::Sent) {
      firstTx = e.tNs;
      break;
    }
  }
  EXPECT_EQ(before, "+++@@@BBB=setting\r\n+++@@@BBB=working\r\n");
  double waited = msBetween(firstRx, firstTx);
  EXPECT_GE(waited, 295.0);
  EXPECT_LT(waited, 3000.0);
}

TEST_F(SimTest, ModesLeaveOutTheirAnswers) {
  instrument->setPaced(false);
  openPort();
  const std::string write =
      "+++@@@BBB=115200,odd,9600,none,9600,none,9600,none,9600,none,500,100\r\n";
  struct Case {
    sim::Mode mode;
    std::string command, reply;
  } cases[] = {
      {sim::Mode::Silent, "+++@@@BBB=setting\r\n", ""},
      {sim::Mode::Silent, "+++@@@BBB=Ver\r\n", ""},
      {sim::Mode::Silent, "+++@@@BBB=?\r\n", ""},
      {sim::Mode::Silent, write, ""},
      {sim::Mode::NoSetting, "+++@@@BBB=setting\r\n", "+++@@@BBB=ERROR\r\n"},
      {sim::Mode::NoSetting, "+++@@@BBB=Ver\r\n", "MMS-V1.23\r\n"},
      {sim::Mode::NoSetting, "+++@@@BBB=?\r\n", kDefaultQueryReply},
      {sim::Mode::NoQueryAnswer, "+++@@@BBB=?\r\n", ""},
      {sim::Mode::NoQueryAnswer, "+++@@@BBB=setting\r\n", "setting ok\r\n"},
      {sim::Mode::NoQueryAnswer, "+++@@@BBB=working\r\n", "working ok\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(static_cast<int>(c.mode)) + " " + c.command);
    instrument->setMode(c.mode);
    ASSERT_TRUE(port.send(c.command));
    EXPECT_EQ(port.readReply(c.reply.empty() ? 300ms : 2000ms), c.reply);
  }
  // A silent instrument is not there: it stored nothing either.
  EXPECT_EQ(instrument->parameters()[0], "9600");
}

TEST_F(SimTest, SplitPauseIsSilenceOnTheLine) {
  for (bool paced : {false, true}) {
    SCOPED_TRACE(paced ? "paced" : "unpaced");
    instrument->clearRecord();
    instrument->setPaced(paced);
    instrument->setSplit(5, 300ms);
    openPort();
    ASSERT_TRUE(port.send("+++@@@BBB=Ver\r\n"));
    // The pause is longer than the silence that ends a reply.
    EXPECT_EQ(port.readReply(), "MMS-V");
    EXPECT_EQ(port.readReply(), "1.23\r\n");
    port.close();

    auto sent = ofKind(instrument->events(), Event::Kind::Sent);
    std::string all;
    std::int64_t fifth = 0, sixth = 0;
    for (const auto& e : sent) {
      if (all.size() < 5 && all.size() + e.bytes.size() >= 5) fifth = e.tNs;
      if (all.size() <= 5 && all.size() + e.bytes.size() > 5) sixth = e.tNs;
      all += e.bytes;
    }
    ASSERT_EQ(all, "MMS-V1.23\r\n");
    EXPECT_GE(msBetween(fifth, sixth), 200.0);
    EXPECT_LT(msBetween(fifth, sixth), 3000.0);
    ASSERT_TRUE(instrument->waitUntil([&] { return !instrument->isOpen(); }, 3s));
  }
}

TEST_F(SimTest, OverlongReplyIsPaddedToLength) {
  instrument->setPaced(false);
  openPort();
  auto padded = [](std::string reply, std::size_t length) {
    std::string pad;
    for (std::size_t i = 0; reply.size() + pad.size() < length; ++i)
      pad += static_cast<char>('A' + i % 26);
    return reply.insert(reply.size() - 2, pad);
  };
  instrument->setOverlongReply(300);
  std::string query = port.exchange("+++@@@BBB=?\r\n");
  EXPECT_EQ(query.size(), 300u);
  EXPECT_EQ(query, padded(kDefaultQueryReply, 300));
  EXPECT_EQ(port.exchange("+++@@@BBB=setting\r\n"), padded("setting ok\r\n", 300));

  // Shorter than the reply: nothing to pad, nothing cut.
  instrument->setOverlongReply(5);
  EXPECT_EQ(port.exchange("+++@@@BBB=working\r\n"), "working ok\r\n");
}

TEST_F(SimTest, ZeroBytesInsideReplies) {
  instrument->setPaced(false);
  instrument->setZeroBytesInReplies(true);
  openPort();
  EXPECT_EQ(port.exchange("+++@@@BBB=setting\r\n"), "setti\0ng ok\0\r\n"s);
  EXPECT_EQ(port.exchange("+++@@@BBB=Ver\r\n"), "MMS-V\0" "1.23\r\0\n"s);
  // Ten bytes: the zero goes between them, never after the last.
  instrument->setVersionText("MMS-V1.2\r\n");
  EXPECT_EQ(port.exchange("+++@@@BBB=Ver\r\n"), "MMS-V\0" "1.2\r\n"s);
}

TEST_F(SimTest, PacingSpacesBytesAsAtNineSixHundredBaud) {
  openPort();
  EXPECT_EQ(port.exchange("+++@@@BBB=?\r\n"), kDefaultQueryReply);
  auto sent = ofKind(instrument->events(), Event::Kind::Sent);
  ASSERT_EQ(sent.size(), kDefaultQueryReply.size()) << "one write per byte";
  // 1.04 ms per byte; the lower bound only allows for a late first byte.
  double perByte = msBetween(sent.front().tNs, sent.back().tNs) /
                   static_cast<double>(sent.size() - 1);
  EXPECT_GT(perByte, 0.7);
  EXPECT_LT(perByte, 4.0);

  instrument->clearRecord();
  instrument->setPaced(false);
  EXPECT_EQ(port.exchange("+++@@@BBB=?\r\n"), kDefaultQueryReply);
  sent = ofKind(instrument->events(), Event::Kind::Sent);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].bytes, kDefaultQueryReply);
}

TEST_F(SimTest, RecordsLineSettings) {
  // Opened without touching the settings: the simulator's own defaults.
  int fd = ::open(link.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  ASSERT_TRUE(instrument->waitUntil([&] { return instrument->isOpen(); }, 3s));
  auto s = instrument->lastLineSettings();
  EXPECT_EQ(s.baud, 9600u);
  EXPECT_EQ(s.dataBits, 8);
  EXPECT_FALSE(s.parityOn);
  EXPECT_FALSE(s.twoStopBits);
  EXPECT_FALSE(s.rtsCts);

  // The pty driver forces CS8 and clears PARENB, so only speed, stop bits and
  // flow control can be seen changing.
  termios t{};
  ASSERT_EQ(::tcgetattr(fd, &t), 0);
  ::cfsetispeed(&t, B19200);
  ::cfsetospeed(&t, B19200);
  t.c_cflag |= CSTOPB | CRTSCTS;
  ASSERT_EQ(::tcsetattr(fd, TCSANOW, &t), 0);
  ASSERT_EQ(::write(fd, "x", 1), 1);
  EXPECT_TRUE(instrument->waitUntil([&] { return instrument->lastLineSettings().baud == 19200; }, 3s));
  s = instrument->lastLineSettings();
  EXPECT_TRUE(s.twoStopBits);
  EXPECT_TRUE(s.rtsCts);
  ::close(fd);

  openPort();
  ASSERT_TRUE(port.send("y"));
  EXPECT_TRUE(instrument->waitUntil([&] { return instrument->lastLineSettings().baud == 9600; }, 3s));
  s = instrument->lastLineSettings();
  EXPECT_EQ(s.dataBits, 8);
  EXPECT_FALSE(s.twoStopBits);
}

TEST_F(SimTest, VanishFailsTheOpenPort) {
  instrument->setPaced(false);
  openPort();
  ASSERT_EQ(port.exchange("+++@@@BBB=Ver\r\n"), "MMS-V1.23\r\n");
  const auto recorded = instrument->events().size();

  instrument->vanish();
  EXPECT_EQ(::write(port.fd(), "+++@@@BBB=Ver\r\n", 15), -1);
  char c;
  EXPECT_LE(::read(port.fd(), &c, 1), 0) << "a read must end, not wait for a reply";
  Port again;
  EXPECT_FALSE(again.open(link));
  EXPECT_EQ(errno, ENOENT);

  instrument->vanish();
  instrument->makeUnopenable();
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(instrument->events().size(), recorded);
  EXPECT_FALSE(instrument->isOpen());

  port.close();
  instrument->stop();
  ASSERT_TRUE(instrument->start());
  openPort();
  EXPECT_EQ(port.exchange("+++@@@BBB=Ver\r\n"), "MMS-V1.23\r\n");
}

TEST_F(SimTest, UnopenableLinkRefusesOpen) {
  instrument->makeUnopenable();
  struct stat st{};
  ASSERT_EQ(::stat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISSOCK(st.st_mode));
  std::string socketPath = std::filesystem::read_symlink(link).string();
  Port p;
  EXPECT_FALSE(p.open(link));
  EXPECT_EQ(errno, ENXIO);

  instrument->stop();
  EXPECT_FALSE(std::filesystem::exists(socketPath)) << "stop() leaves its socket behind";
  ASSERT_TRUE(instrument->start());
  openPort();
}

TEST(SimLifecycle, RefusesUnusableLinkPaths) {
  TempDir dir;
  ASSERT_FALSE(dir.path().empty());
  const std::string regular = dir.path() + "/plain-file";
  std::ofstream(regular) << "keep me";
  struct Case {
    std::string link, why;
  } cases[] = {
      {dir.path() + "/missing-dir/com1", "directory"},
      {regular, "not a symlink"},
      {dir.path(), "not a symlink"},
      {"", "empty"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.link);
    InstrumentSim s(c.link);
    std::string error;
    EXPECT_FALSE(s.start(&error));
    EXPECT_NE(error.find(c.why), std::string::npos) << error;
  }
  std::ifstream in(regular);
  std::string content;
  std::getline(in, content);
  EXPECT_EQ(content, "keep me");
}

TEST(SimLifecycle, RestartsAndReplacesStaleLink) {
  TempDir dir;
  ASSERT_FALSE(dir.path().empty());
  const std::string link = dir.path() + "/com1";
  std::filesystem::create_symlink("/nonexistent/pts/99", link);

  InstrumentSim s(link);
  std::string error;
  ASSERT_TRUE(s.start(&error)) << error;
  EXPECT_EQ(std::filesystem::read_symlink(link).string(), s.slavePath());
  s.setPaced(false);
  EXPECT_FALSE(s.start(&error));
  EXPECT_NE(error.find("already running"), std::string::npos) << error;
  // The refused start must leave the running instance alone.
  Port p;
  ASSERT_TRUE(p.open(link));
  EXPECT_EQ(p.exchange("+++@@@BBB=Ver\r\n"), "MMS-V1.23\r\n");
  p.close();

  s.stop();
  s.stop();
  // Stopped: the link stays, but leads nowhere, whoever gets the pty next.
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_FALSE(p.open(link));
  EXPECT_EQ(errno, ENOENT);

  ASSERT_TRUE(s.start(&error)) << error;
  ASSERT_TRUE(p.open(link));
  EXPECT_EQ(p.exchange("+++@@@BBB=working\r\n"), "working ok\r\n");
  // Only this directory's link and nothing else is left behind.
  p.close();
  s.stop();
  std::vector<std::string> left;
  for (const auto& e : std::filesystem::directory_iterator(dir.path()))
    left.push_back(e.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"com1"});
}

}  // namespace
