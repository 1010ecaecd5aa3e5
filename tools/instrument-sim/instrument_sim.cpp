#include "instrument_sim.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

namespace sim {

namespace {

constexpr const char* kPrefix = "+++@@@BBB=";
constexpr std::int64_t kNsPerMs = 1'000'000;
// 10 bits per byte (start, 8 data, stop) at 9600 baud.
constexpr std::int64_t kByteNs = 1'000'000'000 / 960;
// Bounds the unterminated tail kept for line parsing, so a stream without
// line ends cannot grow memory without limit.
constexpr std::size_t kMaxPendingLine = 64 * 1024;

std::string sysError(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

std::vector<std::string> defaultParameters() {
  std::vector<std::string> p;
  for (int i = 0; i < 5; ++i) {
    p.emplace_back("9600");
    p.emplace_back("none");
  }
  p.emplace_back("500");
  p.emplace_back("100");
  return p;
}

unsigned speedToBaud(speed_t s) {
  struct Pair {
    speed_t code;
    unsigned baud;
  };
  static constexpr Pair kTable[] = {
      {B50, 50},         {B75, 75},         {B110, 110},       {B134, 134},
      {B150, 150},       {B200, 200},       {B300, 300},       {B600, 600},
      {B1200, 1200},     {B1800, 1800},     {B2400, 2400},     {B4800, 4800},
      {B9600, 9600},     {B19200, 19200},   {B38400, 38400},   {B57600, 57600},
      {B115200, 115200}, {B230400, 230400}, {B460800, 460800}, {B500000, 500000},
      {B576000, 576000}, {B921600, 921600}, {B1000000, 1000000},
  };
  for (const auto& p : kTable)
    if (p.code == s) return p.baud;
  return 0;
}

int dataBitsOf(tcflag_t cflag) {
  switch (cflag & CSIZE) {
    case CS5: return 5;
    case CS6: return 6;
    case CS7: return 7;
    default: return 8;
  }
}

std::vector<std::string> splitFields(const std::string& s) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (;;) {
    std::size_t comma = s.find(',', start);
    if (comma == std::string::npos) {
      out.push_back(s.substr(start));
      return out;
    }
    out.push_back(s.substr(start, comma - start));
    start = comma + 1;
  }
}

std::string joinFields(const std::vector<std::string>& f) {
  std::string out;
  for (std::size_t i = 0; i < f.size(); ++i) {
    if (i) out += ',';
    out += f[i];
  }
  return out;
}

std::string dirOf(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string baseOf(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Swaps the link's target in one step, so a program opening the port never
// finds the link missing.
bool pointLinkAt(const std::string& link, const std::string& target, std::string* error) {
  std::string tmp = dirOf(link) + "/." + baseOf(link) + ".tmp" + std::to_string(getpid());
  ::unlink(tmp.c_str());
  if (::symlink(target.c_str(), tmp.c_str()) != 0) {
    if (error) *error = sysError("cannot create symlink " + tmp);
    return false;
  }
  if (::rename(tmp.c_str(), link.c_str()) != 0) {
    if (error) *error = sysError("cannot replace " + link);
    ::unlink(tmp.c_str());
    return false;
  }
  return true;
}

void sleepNs(std::int64_t ns) {
  timespec ts{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
  while (::nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

}  // namespace

std::int64_t nowNs() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC_RAW, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

struct InstrumentSim::Impl {
  struct Chunk {
    std::int64_t dueNs;
    std::string bytes;
  };

  explicit Impl(std::string link) : linkPath(std::move(link)) {}

  const std::string linkPath;

  // Guarded by mu.
  mutable std::mutex mu;
  std::condition_variable cv;
  std::vector<Event> record;
  LineSettings settings;
  bool open = false;
  Mode mode = Mode::Normal;
  std::int64_t replyDelayNs = 0;
  std::size_t splitBytes = 0;
  std::int64_t splitPauseNs = 0;
  bool paced = true;
  std::size_t overlong = 0;
  bool zeros = false;
  std::string version = "MMS-V1.23\r\n";
  std::vector<std::string> params = defaultParameters();
  bool vanished = false;        // nothing more is recorded once set
  bool closeMasterRequest = false;
  bool masterClosed = false;

  // Serialises start/stop/vanish/makeUnopenable, which own the fields below.
  std::mutex ctl;
  bool running = false;
  int masterFd = -1;
  int wakeRead = -1;
  int wakeWrite = -1;
  int socketFd = -1;
  std::string slave;
  std::string tempDir;
  std::string socketPath;
  std::thread worker;
  std::atomic<bool> stopping{false};

  // Worker-only state.
  std::string lineBuf;
  std::deque<Chunk> out;
  std::int64_t queueEndNs = 0;

  void wake() {
    char c = 1;
    [[maybe_unused]] auto n = ::write(wakeWrite, &c, 1);
  }

  void drainWake() {
    char buf[64];
    while (::read(wakeRead, buf, sizeof buf) > 0) {
    }
  }

  void addEvent(Event::Kind kind, std::string bytes = {}) {
    std::lock_guard lk(mu);
    if (vanished) return;
    record.push_back(Event{kind, nowNs(), std::move(bytes)});
  }

  void readSettings() {
    termios t{};
    if (::tcgetattr(masterFd, &t) != 0) return;
    LineSettings s;
    s.baud = speedToBaud(::cfgetospeed(&t));
    s.dataBits = dataBitsOf(t.c_cflag);
    s.parityOn = (t.c_cflag & PARENB) != 0;
    s.twoStopBits = (t.c_cflag & CSTOPB) != 0;
    s.rtsCts = (t.c_cflag & CRTSCTS) != 0;
    std::lock_guard lk(mu);
    settings = s;
  }

  // Reads everything pending; returns false once the slave side reports EIO,
  // i.e. no program has it open and nothing is left to read.
  bool drainInput() {
    char buf[4096];
    bool gotData = false;
    for (;;) {
      ssize_t n = ::read(masterFd, buf, sizeof buf);
      if (n > 0) {
        gotData = true;
        std::string bytes(buf, static_cast<std::size_t>(n));
        addEvent(Event::Kind::Received, bytes);
        handleInput(bytes);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (gotData) readSettings();
      return !(n < 0 && errno == EIO);
    }
  }

  void handleInput(const std::string& bytes) {
    lineBuf += bytes;
    std::size_t pos;
    while ((pos = lineBuf.find("\r\n")) != std::string::npos) {
      std::string line = lineBuf.substr(0, pos);
      lineBuf.erase(0, pos + 2);
      handleLine(line);
    }
    if (lineBuf.size() > kMaxPendingLine) lineBuf.erase(0, lineBuf.size() - kMaxPendingLine);
  }

  void handleLine(const std::string& line) {
    const std::string prefix = kPrefix;
    if (line.compare(0, prefix.size(), prefix) != 0) return;
    std::string body = line.substr(prefix.size());

    std::unique_lock lk(mu);
    if (mode == Mode::Silent) return;
    std::string reply;
    if (body == "setting") {
      reply = mode == Mode::NoSetting ? prefix + "ERROR\r\n" : "setting ok\r\n";
    } else if (body == "Ver") {
      reply = version;
    } else if (body == "?") {
      if (mode == Mode::NoQueryAnswer) return;
      reply = prefix + joinFields(params) + "\r\n";
    } else if (body == "working") {
      reply = "working ok\r\n";
    } else {
      auto fields = splitFields(body);
      bool ok = fields.size() == 12;
      for (const auto& f : fields) ok = ok && !f.empty();
      if (ok) params = std::move(fields);
      reply = ok ? "set ok\r\n" : "set error\r\n";
    }
    lk.unlock();
    schedule(reply);
  }

  std::string shape(std::string reply, std::size_t padTo, bool withZeros) const {
    if (padTo > reply.size()) {
      bool crlf = reply.size() >= 2 && reply.compare(reply.size() - 2, 2, "\r\n") == 0;
      std::size_t at = crlf ? reply.size() - 2 : reply.size();
      std::string pad;
      for (std::size_t i = 0; pad.size() < padTo - reply.size(); ++i)
        pad += static_cast<char>('A' + i % 26);
      reply.insert(at, pad);
    }
    if (withZeros) {
      std::string z;
      for (std::size_t i = 0; i < reply.size(); ++i) {
        z += reply[i];
        if ((i + 1) % 5 == 0 && i + 1 < reply.size()) z += '\0';
      }
      reply = std::move(z);
    }
    return reply;
  }

  void schedule(const std::string& text) {
    std::int64_t delay, pause;
    std::size_t split, padTo;
    bool pace, withZeros;
    {
      std::lock_guard lk(mu);
      delay = replyDelayNs;
      pause = splitPauseNs;
      split = splitBytes;
      padTo = overlong;
      pace = paced;
      withZeros = zeros;
    }
    std::string reply = shape(text, padTo, withZeros);
    if (reply.empty()) return;
    // A reply never overtakes the one still being sent.
    std::int64_t start = std::max(nowNs() + delay, out.empty() ? std::int64_t{0} : queueEndNs);
    std::int64_t due = start;
    if (pace) {
      for (std::size_t i = 0; i < reply.size(); ++i) {
        if (split && i == split) due += pause;
        out.push_back(Chunk{due, reply.substr(i, 1)});
        due += kByteNs;
      }
    } else if (split && split < reply.size()) {
      out.push_back(Chunk{due, reply.substr(0, split)});
      due += pause;
      out.push_back(Chunk{due, reply.substr(split)});
    } else {
      out.push_back(Chunk{due, reply});
    }
    queueEndNs = due;
  }

  // Writes every chunk that is due; a full slave buffer leaves the rest for
  // the next round rather than blocking reception.
  void sendDue() {
    std::int64_t now = nowNs();
    while (!out.empty() && out.front().dueNs <= now) {
      Chunk& c = out.front();
      ssize_t n = ::write(masterFd, c.bytes.data(), c.bytes.size());
      if (n < 0) {
        if (errno == EINTR) continue;
        return;  // EAGAIN: retry shortly; EIO: the close is seen by the next poll
      }
      addEvent(Event::Kind::Sent, c.bytes.substr(0, static_cast<std::size_t>(n)));
      if (static_cast<std::size_t>(n) < c.bytes.size()) {
        c.bytes.erase(0, static_cast<std::size_t>(n));
        return;
      }
      out.pop_front();
    }
  }

  void setOpen(bool nowOpen) {
    // Settings first, so whoever sees the port open also sees how it was set.
    if (nowOpen) readSettings();
    {
      std::lock_guard lk(mu);
      open = nowOpen;
      if (!vanished)
        record.push_back(Event{nowOpen ? Event::Kind::Opened : Event::Kind::Closed, nowNs(), {}});
    }
    if (!nowOpen) {
      // The program closed the port: the rest of any reply is lost, and so are
      // bytes written after its close but before it was seen, which the pty
      // would otherwise hand to the next program that opens it. Flushing from
      // the master reaches only the bytes not yet in the slave's line
      // discipline, so flush from the slave side.
      out.clear();
      ::tcflush(masterFd, TCOFLUSH);
      int s = ::open(slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
      if (s >= 0) {
        ::tcflush(s, TCIFLUSH);
        ::close(s);
      }
    }
  }

  // Returns true when the worker should stop touching the master.
  bool handleMasterCloseRequest() {
    std::lock_guard lk(mu);
    if (!closeMasterRequest) return false;
    if (masterFd >= 0) {
      ::close(masterFd);
      masterFd = -1;
    }
    open = false;
    masterClosed = true;
    cv.notify_all();
    return true;
  }

  void run() {
    bool isOpenNow = false;
    while (!stopping.load()) {
      if (handleMasterCloseRequest()) {
        pollfd w{wakeRead, POLLIN, 0};
        ::poll(&w, 1, -1);
        drainWake();
        continue;
      }

      if (!isOpenNow) {
        pollfd p{masterFd, POLLIN, 0};
        ::poll(&p, 1, 0);
        // Data with the hang-up means a program opened, wrote and closed
        // between two checks: it is still seen as an open, then a close.
        if ((p.revents & POLLHUP) && !(p.revents & POLLIN)) {
          // poll() reports the hang-up at once, so wait on the wake pipe instead.
          pollfd w{wakeRead, POLLIN, 0};
          timespec ms{0, kNsPerMs};
          ::ppoll(&w, 1, &ms, nullptr);
          drainWake();
          continue;
        }
        isOpenNow = true;
        setOpen(true);
      }

      pollfd fds[2] = {{masterFd, POLLIN, 0}, {wakeRead, POLLIN, 0}};
      timespec ts{};
      timespec* timeout = nullptr;
      if (!out.empty()) {
        std::int64_t wait = std::max<std::int64_t>(0, out.front().dueNs - nowNs());
        ts.tv_sec = static_cast<time_t>(wait / 1'000'000'000);
        ts.tv_nsec = static_cast<long>(wait % 1'000'000'000);
        timeout = &ts;
      }
      int r = ::ppoll(fds, 2, timeout, nullptr);
      if (r < 0 && errno != EINTR) sleepNs(kNsPerMs);
      if (fds[1].revents & POLLIN) drainWake();
      if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
        bool stillOpen = drainInput();
        if (!stillOpen || (fds[0].revents & POLLHUP)) {
          isOpenNow = false;
          setOpen(false);
          continue;
        }
      }
      std::size_t before = out.size();
      sendDue();
      // Nothing could be written (slave buffer full): avoid spinning on it.
      if (!out.empty() && out.size() == before && out.front().dueNs <= nowNs())
        sleepNs(kNsPerMs);
    }
  }

  void removeTemp() {
    if (socketFd >= 0) {
      ::close(socketFd);
      socketFd = -1;
    }
    if (!socketPath.empty()) {
      ::unlink(socketPath.c_str());
      socketPath.clear();
    }
    if (!tempDir.empty()) {
      ::rmdir(tempDir.c_str());
      tempDir.clear();
    }
  }

  std::string deadTarget() const {
    return dirOf(linkPath) + "/." + baseOf(linkPath) + ".gone";
  }
};

InstrumentSim::InstrumentSim(std::string linkPath)
    : impl_(std::make_unique<Impl>(std::move(linkPath))) {}

InstrumentSim::~InstrumentSim() { stop(); }

bool InstrumentSim::start(std::string* error) {
  Impl& d = *impl_;
  std::lock_guard ctlLock(d.ctl);
  auto fail = [&](const std::string& msg) {
    if (error) *error = msg;
    if (d.masterFd >= 0) ::close(d.masterFd);
    if (d.wakeRead >= 0) ::close(d.wakeRead);
    if (d.wakeWrite >= 0) ::close(d.wakeWrite);
    d.masterFd = d.wakeRead = d.wakeWrite = -1;
    d.slave.clear();
    return false;
  };
  if (d.running) {
    // Not through fail(): the fds it would close belong to the running instance.
    if (error) *error = "already running; stop() first";
    return false;
  }
  if (d.linkPath.empty()) return fail("link path is empty");

  struct stat st{};
  if (::lstat(d.linkPath.c_str(), &st) == 0 && !S_ISLNK(st.st_mode))
    return fail(d.linkPath + " exists and is not a symlink; refusing to replace it");
  std::string dir = dirOf(d.linkPath);
  if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
    return fail("directory of the link does not exist: " + dir);

  d.masterFd = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (d.masterFd < 0) return fail(sysError("posix_openpt"));
  if (::grantpt(d.masterFd) != 0 || ::unlockpt(d.masterFd) != 0)
    return fail(sysError("grantpt/unlockpt"));
  const char* name = ::ptsname(d.masterFd);
  if (!name) return fail(sysError("ptsname"));
  d.slave = name;

  // The slave is opened only to give it serial-like defaults; keeping it open
  // would hide the program's close from the master.
  int s = ::open(d.slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (s < 0) return fail(sysError("open " + d.slave));
  termios t{};
  if (::tcgetattr(s, &t) == 0) {
    ::cfmakeraw(&t);
    ::cfsetispeed(&t, B9600);
    ::cfsetospeed(&t, B9600);
    t.c_cflag = (t.c_cflag & ~CSIZE) | CS8 | CREAD | CLOCAL;
    ::tcsetattr(s, TCSANOW, &t);
  }
  ::close(s);

  int pipeFds[2];
  if (::pipe2(pipeFds, O_NONBLOCK | O_CLOEXEC) != 0) return fail(sysError("pipe2"));
  d.wakeRead = pipeFds[0];
  d.wakeWrite = pipeFds[1];

  std::string linkError;
  if (!pointLinkAt(d.linkPath, d.slave, &linkError)) return fail(linkError);

  {
    std::lock_guard lk(d.mu);
    d.open = false;
    d.vanished = false;
    d.closeMasterRequest = false;
    d.masterClosed = false;
  }
  d.lineBuf.clear();
  d.out.clear();
  d.stopping = false;
  d.running = true;
  d.worker = std::thread([&d] { d.run(); });
  return true;
}

void InstrumentSim::stop() {
  Impl& d = *impl_;
  std::lock_guard ctlLock(d.ctl);
  if (!d.running) return;
  d.stopping = true;
  d.wake();
  if (d.worker.joinable()) d.worker.join();
  {
    std::lock_guard lk(d.mu);
    if (d.masterFd >= 0) ::close(d.masterFd);
    d.masterFd = -1;
    d.open = false;
  }
  ::close(d.wakeRead);
  ::close(d.wakeWrite);
  d.wakeRead = d.wakeWrite = -1;
  // A freed pty number is soon reused by someone else; leave the link dangling
  // instead of pointing at whatever gets it next.
  pointLinkAt(d.linkPath, d.deadTarget(), nullptr);
  d.removeTemp();
  d.running = false;
}

std::string InstrumentSim::slavePath() const {
  std::lock_guard ctlLock(impl_->ctl);
  return impl_->slave;
}

void InstrumentSim::setMode(Mode mode) {
  std::lock_guard lk(impl_->mu);
  impl_->mode = mode;
}

void InstrumentSim::setReplyDelay(std::chrono::milliseconds delay) {
  std::lock_guard lk(impl_->mu);
  impl_->replyDelayNs = std::max<std::int64_t>(0, delay.count()) * kNsPerMs;
}

void InstrumentSim::setSplit(std::size_t firstBytes, std::chrono::milliseconds pause) {
  std::lock_guard lk(impl_->mu);
  impl_->splitBytes = firstBytes;
  impl_->splitPauseNs = std::max<std::int64_t>(0, pause.count()) * kNsPerMs;
}

void InstrumentSim::setPaced(bool paced) {
  std::lock_guard lk(impl_->mu);
  impl_->paced = paced;
}

void InstrumentSim::setOverlongReply(std::size_t length) {
  std::lock_guard lk(impl_->mu);
  impl_->overlong = length;
}

void InstrumentSim::setZeroBytesInReplies(bool on) {
  std::lock_guard lk(impl_->mu);
  impl_->zeros = on;
}

void InstrumentSim::setVersionText(std::string text) {
  std::lock_guard lk(impl_->mu);
  impl_->version = std::move(text);
}

void InstrumentSim::setParameters(std::vector<std::string> twelveFields) {
  std::lock_guard lk(impl_->mu);
  impl_->params = std::move(twelveFields);
}

std::vector<std::string> InstrumentSim::parameters() const {
  std::lock_guard lk(impl_->mu);
  return impl_->params;
}

void InstrumentSim::vanish() {
  Impl& d = *impl_;
  std::lock_guard ctlLock(d.ctl);
  {
    std::lock_guard lk(d.mu);
    if (d.vanished || !d.running) return;
    d.vanished = true;
    d.closeMasterRequest = true;
  }
  // The worker owns the master fd, so it does the close; wait for it so the
  // caller sees the failure as soon as this returns.
  d.wake();
  {
    std::unique_lock lk(d.mu);
    d.cv.wait(lk, [&] { return d.masterClosed; });
  }
  pointLinkAt(d.linkPath, d.deadTarget(), nullptr);
}

void InstrumentSim::makeUnopenable() {
  Impl& d = *impl_;
  std::lock_guard ctlLock(d.ctl);
  {
    std::lock_guard lk(d.mu);
    if (d.vanished || !d.running || d.socketFd >= 0) return;
  }
  auto complain = [&](const std::string& msg) {
    std::fprintf(stderr, "instrument-sim: cannot make %s unopenable: %s\n", d.linkPath.c_str(),
                 msg.c_str());
    d.removeTemp();
  };
  // sun_path is short, so the socket lives in its own short temp directory.
  std::string base = "/tmp";
  if (const char* env = std::getenv("TMPDIR"); env && *env && std::strlen(env) < 60) base = env;
  std::string dirTemplate = base + "/isim-XXXXXX";
  if (!::mkdtemp(dirTemplate.data())) return complain(sysError("mkdtemp " + dirTemplate));
  d.tempDir = dirTemplate;
  d.socketPath = d.tempDir + "/port";

  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, d.socketPath.c_str(), d.socketPath.size() + 1);
  d.socketFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (d.socketFd < 0 ||
      ::bind(d.socketFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(d.socketFd, 1) != 0)
    return complain(sysError("socket " + d.socketPath));
  std::string err;
  if (!pointLinkAt(d.linkPath, d.socketPath, &err)) complain(err);
}

std::vector<Event> InstrumentSim::events() const {
  std::lock_guard lk(impl_->mu);
  return impl_->record;
}

std::vector<Event> InstrumentSim::eventsFrom(std::size_t first) const {
  std::lock_guard lk(impl_->mu);
  if (first >= impl_->record.size()) return {};
  return {impl_->record.begin() + static_cast<std::ptrdiff_t>(first), impl_->record.end()};
}

std::string InstrumentSim::received() const {
  std::lock_guard lk(impl_->mu);
  std::string all;
  for (const auto& e : impl_->record)
    if (e.kind == Event::Kind::Received) all += e.bytes;
  return all;
}

std::vector<std::string> InstrumentSim::commands() const {
  std::string all = received();
  std::vector<std::string> lines;
  std::size_t start = 0, pos;
  while ((pos = all.find("\r\n", start)) != std::string::npos) {
    lines.push_back(all.substr(start, pos + 2 - start));
    start = pos + 2;
  }
  return lines;
}

int InstrumentSim::openCount() const {
  std::lock_guard lk(impl_->mu);
  int n = 0;
  for (const auto& e : impl_->record) n += e.kind == Event::Kind::Opened;
  return n;
}

int InstrumentSim::closeCount() const {
  std::lock_guard lk(impl_->mu);
  int n = 0;
  for (const auto& e : impl_->record) n += e.kind == Event::Kind::Closed;
  return n;
}

bool InstrumentSim::isOpen() const {
  std::lock_guard lk(impl_->mu);
  return impl_->open;
}

LineSettings InstrumentSim::lastLineSettings() const {
  std::lock_guard lk(impl_->mu);
  return impl_->settings;
}

void InstrumentSim::clearRecord() {
  std::lock_guard lk(impl_->mu);
  impl_->record.clear();
}

void InstrumentSim::pollSleep() const { sleepNs(2 * kNsPerMs); }

}  // namespace sim
