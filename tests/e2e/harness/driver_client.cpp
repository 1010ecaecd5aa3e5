#include "driver_client.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace e2e {

namespace {

using Clock = std::chrono::steady_clock;

// Escapes a text argument; only the last argument of a command may hold plain spaces.
std::string escapeArg(const std::string& s, bool last) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case ' ': out += last ? " " : "\\s"; break;
      default: out += c;
    }
  }
  return out;
}

std::string unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) { out += s[i]; continue; }
    switch (s[++i]) {
      case 'r': out += '\r'; break;
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case 's': out += ' '; break;
      default: out += s[i];
    }
  }
  return out;
}

std::vector<std::string> split(const std::string& s, char sep) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    size_t p = s.find(sep, start);
    out.push_back(s.substr(start, p == std::string::npos ? std::string::npos : p - start));
    if (p == std::string::npos) return out;
    start = p + 1;
  }
}

bool toInt(const std::string& s, long long& v) {
  if (s.empty()) return false;
  char* end = nullptr;
  errno = 0;
  v = std::strtoll(s.c_str(), &end, 10);
  return errno == 0 && end && *end == '\0';
}

std::optional<Rect> parseRect(const std::string& value) {
  auto f = split(value, ' ');
  long long v[4];
  if (f.size() != 4) return std::nullopt;
  for (int i = 0; i < 4; ++i)
    if (!toInt(f[static_cast<size_t>(i)], v[i])) return std::nullopt;
  return Rect{static_cast<int>(v[0]), static_cast<int>(v[1]), static_cast<int>(v[2]),
              static_cast<int>(v[3])};
}

// Commands whose "@@ok <n>" is followed by n rows.
bool hasRows(const std::string& line) {
  std::string name = line.substr(0, line.find(' '));
  return name == "controls" || name == "windows";
}

std::atomic<int> gLogCounter{0};

}  // namespace

struct Driver::Impl {
  RigEnv env;
  pid_t pid = -1;
  int toDriver = -1;    // its stdin
  int fromDriver = -1;  // its stdout
  std::string buffer;
  bool dead = true;
  std::string deadReason;
  std::string startError;
  std::string lastError;
  std::string logPath;
  bool programActive = false;  // launched or attached, and not known to have ended
  std::string programTitle;

  explicit Impl(const RigEnv& e) : env(e) {}

  bool spawn() {
    const char* fromEnv = std::getenv("MMS_DRIVER_EXE");
    std::string exe = (fromEnv && *fromEnv) ? fromEnv : env.get("DRIVER_EXE");
    if (exe.empty()) {
      startError = "no UI driver: set MMS_DRIVER_EXE or start the rig with --driver "
                   "(it is build/windows/mms-driver.exe of the windows preset)";
      return false;
    }
    struct stat st{};
    if (stat(exe.c_str(), &st) != 0) {
      startError = "UI driver " + exe + " not found: build the windows preset";
      return false;
    }
    std::string dir = env.get("STATE_DIR");
    if (dir.empty()) dir = "/tmp";
    logPath = dir + "/driver-" + std::to_string(getpid()) + "-" +
              std::to_string(gLogCounter.fetch_add(1)) + ".log";

    int in[2] = {-1, -1}, out[2] = {-1, -1};
    int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (log < 0) log = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
      startError = std::string("pipe: ") + std::strerror(errno);
      for (int fd : {in[0], in[1], out[0], out[1], log})
        if (fd >= 0) close(fd);
      return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, log, 2);
    // A test that ignores SIGPIPE must not pass that on to wine.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    std::vector<std::string> envStrings = env.childEnvironment();
    std::vector<char*> envp;
    for (auto& s : envStrings) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::string wine = "wine";
    std::vector<char*> argv{wine.data(), exe.data(), nullptr};
    int rc = posix_spawnp(&pid, "wine", &actions, &attr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    close(in[0]);
    close(out[1]);
    close(log);
    if (rc != 0) {
      close(in[1]);
      close(out[0]);
      pid = -1;
      startError = std::string("cannot run wine: ") + std::strerror(rc) + " (run scripts/setup.sh)";
      return false;
    }
    toDriver = in[1];
    fromDriver = out[0];
    fcntl(toDriver, F_SETFL, fcntl(toDriver, F_GETFL) | O_NONBLOCK);
    dead = false;
    // The first wine process of a session may take a few seconds on a loaded machine.
    Reply r = command("ping", std::chrono::seconds(60));
    if (!r.ok) {
      startError = "the UI driver did not answer (" + r.value + "); its log: " + logPath;
      return false;
    }
    return true;
  }

  static int remainingMs(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 1000000));
  }

  void markDead(const std::string& reason) {
    dead = true;
    deadReason = reason;
  }

  bool writeAll(const std::string& data, Clock::time_point deadline) {
    // Blocked, not ignored process-wide: a driver that died must fail the call,
    // not kill the test with SIGPIPE.
    sigset_t pipeSet, old;
    sigemptyset(&pipeSet);
    sigaddset(&pipeSet, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSet, &old);
    size_t done = 0;
    bool ok = true;
    while (done < data.size()) {
      ssize_t n = write(toDriver, data.data() + done, data.size() - done);
      if (n > 0) { done += static_cast<size_t>(n); continue; }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        pollfd p{toDriver, POLLOUT, 0};
        int left = remainingMs(deadline);
        if (left == 0 || poll(&p, 1, left) <= 0) { ok = false; break; }
        continue;
      }
      ok = false;
      break;
    }
    if (!ok && errno == EPIPE) {
      timespec zero{0, 0};
      sigtimedwait(&pipeSet, nullptr, &zero);
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    return ok;
  }

  // One "@@" line, or nullopt on timeout / end of output.
  std::optional<std::string> readLine(Clock::time_point deadline, bool& eof) {
    eof = false;
    for (;;) {
      size_t nl = buffer.find('\n');
      if (nl != std::string::npos) {
        std::string line = buffer.substr(0, nl);
        buffer.erase(0, nl + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("@@", 0) == 0) return line;
        continue;  // stray output of wine in the same pipe
      }
      pollfd p{fromDriver, POLLIN, 0};
      int left = remainingMs(deadline);
      if (left == 0) return std::nullopt;
      int r = poll(&p, 1, left);
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) return std::nullopt;
      char chunk[4096];
      ssize_t n = read(fromDriver, chunk, sizeof chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) { eof = true; return std::nullopt; }
      buffer.append(chunk, static_cast<size_t>(n));
    }
  }

  // Like command(), but the value and rows are left escaped.
  Reply rawCommand(const std::string& line, std::chrono::milliseconds timeout) {
    Reply reply;
    if (dead) {
      reply.value = "driver is not running: " + (deadReason.empty() ? startError : deadReason);
      return reply;
    }
    if (line.find('\n') != std::string::npos) {
      reply.value = "a command must be one line";
      return reply;
    }
    const auto deadline = Clock::now() + timeout;
    auto fail = [&](const std::string& why) {
      markDead(why + ": " + line + " (driver log: " + logPath + ")");
      reply.ok = false;
      reply.value = why + ": " + line;
      return reply;
    };
    if (!writeAll(line + "\n", deadline)) return fail("cannot send to the driver");
    bool eof = false;
    std::optional<std::string> head;
    for (;;) {
      head = readLine(deadline, eof);
      if (!head) return fail(eof ? "the driver exited" : "timeout");
      if (head->rfind("@@ok", 0) == 0 || head->rfind("@@err", 0) == 0) break;
      // A row without a header: left over from an earlier, abandoned reply.
    }
    if (head->rfind("@@err", 0) == 0) {
      reply.value = head->size() > 6 ? head->substr(6) : std::string();
      return reply;
    }
    reply.ok = true;
    reply.value = head->size() > 5 ? head->substr(5) : std::string();
    if (hasRows(line)) {
      long long n = 0;
      if (!toInt(reply.value, n) || n < 0) return fail("bad row count '" + reply.value + "'");
      for (long long i = 0; i < n; ++i) {
        auto row = readLine(deadline, eof);
        if (!row) return fail(eof ? "the driver exited" : "timeout");
        if (row->rfind("@@. ", 0) != 0) return fail("expected a row, got '" + *row + "'");
        reply.lines.push_back(row->substr(4));
      }
    }
    return reply;
  }

  void closeAndReap() {
    if (toDriver >= 0) close(toDriver);
    if (fromDriver >= 0) close(fromDriver);
    toDriver = fromDriver = -1;
    if (pid <= 0) return;
    // Its input is closed: a driver that still answers ends by itself; one that
    // stopped answering is stuck in a command and would only waste the wait.
    for (int i = 0; i < (dead ? 0 : 500); ++i) {
      int status = 0;
      pid_t r = waitpid(pid, &status, WNOHANG);
      if (r == pid || (r < 0 && errno == ECHILD)) { pid = -1; return; }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    pid = -1;
  }

  Reply command(const std::string& line, std::chrono::milliseconds timeout) {
    Reply r = rawCommand(line, timeout);
    r.value = unescape(r.value);
    for (auto& l : r.lines) l = unescape(l);
    return r;
  }

  // For the typed helpers: keeps the reason of a failure; raw leaves the answer
  // escaped for helpers that split it into fields first.
  Reply run(const std::string& line, std::chrono::milliseconds timeout, bool raw = false) {
    Reply r = rawCommand(line, timeout);
    lastError = r.ok ? std::string() : unescape(r.value);
    if (!raw) {
      r.value = unescape(r.value);
      for (auto& l : r.lines) l = unescape(l);
    }
    return r;
  }
};

Driver::Driver(const RigEnv& env) : impl_(new Impl(env)) {
  if (!impl_->spawn()) {
    impl_->dead = true;
    impl_->closeAndReap();
  }
}

Driver::~Driver() {
  Impl& d = *impl_;
  if (!d.dead) {
    if (d.programActive) d.rawCommand("kill", std::chrono::seconds(15));
    if (!d.dead) d.rawCommand("quit", std::chrono::seconds(5));
  }
  d.closeAndReap();
  // A driver that stopped answering cannot end the program it launched: a fresh
  // one takes the window by its title, so that the next test does not meet it.
  if (d.programActive && !d.programTitle.empty()) {
    Impl helper(d.env);
    if (helper.spawn()) {
      Reply a = helper.rawCommand("attach " + escapeArg(d.programTitle, true), std::chrono::seconds(10));
      if (a.ok) helper.rawCommand("kill", std::chrono::seconds(15));
      helper.rawCommand("quit", std::chrono::seconds(5));
    }
    helper.closeAndReap();
  }
  delete impl_;
}

bool Driver::started() const { return impl_->startError.empty() && impl_->pid > 0; }
const std::string& Driver::startError() const { return impl_->startError; }
const std::string& Driver::lastError() const { return impl_->lastError; }

Reply Driver::command(const std::string& line, std::chrono::milliseconds timeout) {
  return impl_->command(line, timeout);
}

namespace {
constexpr auto kDefault = std::chrono::seconds(30);
}

std::optional<double> Driver::launch(const std::string& exePath, const std::string& title,
                                     std::chrono::milliseconds timeout) {
  if (title.empty()) { impl_->lastError = "launch: empty title"; return std::nullopt; }
  // Whatever the answer, a program may have been started: the destructor ends it.
  impl_->programActive = true;
  impl_->programTitle = title;
  Reply r = impl_->run("launch " + std::to_string(timeout.count()) + " " + escapeArg(title, false) + " " +
              escapeArg(toWinePath(exePath), true), timeout + std::chrono::seconds(15));
  if (!r.ok) return std::nullopt;
  auto f = split(r.value, ' ');
  if (f.size() != 2) { impl_->lastError = "launch: bad answer '" + r.value + "'"; return std::nullopt; }
  return std::strtod(f[1].c_str(), nullptr);
}

std::optional<int> Driver::attach(const std::string& title) {
  Reply r = impl_->run("attach " + escapeArg(title, true), kDefault);
  long long pid = 0;
  if (!r.ok || !toInt(r.value, pid)) return std::nullopt;
  impl_->programActive = true;
  impl_->programTitle = title;
  return static_cast<int>(pid);
}

std::vector<ControlInfo> Driver::controls() {
  Reply r = impl_->run(std::string("controls"), kDefault, true);
  std::vector<ControlInfo> out;
  if (!r.ok) return out;
  for (const auto& row : r.lines) {
    auto f = split(row, '\t');
    long long n[8];
    bool good = f.size() == 10;
    const size_t numeric[] = {0, 2, 3, 4, 5, 6, 7, 8};
    for (size_t i = 0; good && i < 8; ++i) good = toInt(f[numeric[i]], n[i]);
    if (!good) {
      impl_->lastError = "controls: bad row '" + row + "'";
      continue;
    }
    ControlInfo c;
    c.id = static_cast<int>(n[0]);
    c.className = unescape(f[1]);
    c.parentId = static_cast<int>(n[1]);
    c.visible = n[2] != 0;
    c.enabled = n[3] != 0;
    c.x = static_cast<int>(n[4]);
    c.y = static_cast<int>(n[5]);
    c.width = static_cast<int>(n[6]);
    c.height = static_cast<int>(n[7]);
    c.text = unescape(f[9]);
    out.push_back(std::move(c));
  }
  return out;
}

std::string Driver::text(int id) {
  Reply r = impl_->run("text " + std::to_string(id), kDefault);
  return r.ok ? r.value : std::string();
}

bool Driver::setText(int id, const std::string& text) {
  Reply r = impl_->run("settext " + std::to_string(id) + " " + escapeArg(text, true), kDefault);
  return r.ok;
}

bool Driver::click(int id) {
  Reply r = impl_->run("click " + std::to_string(id), kDefault);
  return r.ok;
}

bool Driver::enabled(int id) {
  Reply r = impl_->run("enabled " + std::to_string(id), kDefault);
  return r.ok && r.value == "1";
}

bool Driver::visible(int id) {
  Reply r = impl_->run("visible " + std::to_string(id), kDefault);
  return r.ok && r.value == "1";
}

std::optional<Rect> Driver::rect(int id) {
  Reply r = impl_->run("rect " + std::to_string(id), kDefault);
  return r.ok ? parseRect(r.value) : std::nullopt;
}

std::optional<Rect> Driver::windowRect() {
  Reply r = impl_->run(std::string("windowrect"), kDefault);
  return r.ok ? parseRect(r.value) : std::nullopt;
}

std::optional<Rect> Driver::clientRect() {
  Reply r = impl_->run(std::string("clientrect"), kDefault);
  return r.ok ? parseRect(r.value) : std::nullopt;
}

std::optional<Rect> Driver::resize(int width, int height) {
  Reply r = impl_->run("resize " + std::to_string(width) + " " + std::to_string(height), kDefault);
  return r.ok ? parseRect(r.value) : std::nullopt;
}

std::optional<Rect> Driver::screenRect(int id) {
  Reply r = impl_->run("screenrect " + std::to_string(id), kDefault);
  return r.ok ? parseRect(r.value) : std::nullopt;
}

namespace {
int intOr(const Reply& r, int fallback) {
  long long v = 0;
  return (r.ok && toInt(r.value, v)) ? static_cast<int>(v) : fallback;
}
}  // namespace

int Driver::comboSelection(int id) {
  Reply r = impl_->run("cursel " + std::to_string(id), kDefault);
  return intOr(r, kFailed);
}

int Driver::comboCount(int id) {
  Reply r = impl_->run("count " + std::to_string(id), kDefault);
  return intOr(r, kFailed);
}

std::optional<std::pair<long long, std::string>> Driver::comboItem(int id, int index) {
  Reply r = impl_->run("item " + std::to_string(id) + " " + std::to_string(index), kDefault);
  if (!r.ok) return std::nullopt;
  size_t sp = r.value.find(' ');
  long long data = 0;
  if (sp == std::string::npos || !toInt(r.value.substr(0, sp), data)) {
    impl_->lastError = "item: bad answer '" + r.value + "'";
    return std::nullopt;
  }
  return std::make_pair(data, r.value.substr(sp + 1));
}

bool Driver::pick(int id, int index) {
  Reply r = impl_->run("pick " + std::to_string(id) + " " + std::to_string(index), kDefault);
  return r.ok;
}

bool Driver::dropDown(int id) {
  Reply r = impl_->run("dropdown " + std::to_string(id), kDefault);
  return r.ok;
}

std::string Driver::tabName(int index) {
  Reply r = impl_->run("tabname " + std::to_string(index), kDefault);
  return r.ok ? r.value : std::string();
}

int Driver::tabSelection() {
  Reply r = impl_->run(std::string("tabsel"), kDefault);
  return intOr(r, kFailed);
}

bool Driver::selectTab(int index) {
  Reply r = impl_->run("tabselect " + std::to_string(index), kDefault);
  return r.ok;
}

bool Driver::sync() {
  Reply r = impl_->run(std::string("sync"), kDefault);
  return r.ok;
}

std::optional<std::string> Driver::waitMessageBox(std::chrono::milliseconds timeout) {
  Reply r = impl_->run("msgbox " + std::to_string(timeout.count()), timeout + std::chrono::seconds(15));
  if (!r.ok) return std::nullopt;
  return r.value;
}

bool Driver::messageBoxPresent() {
  Reply r = impl_->run(std::string("hasmsgbox"), kDefault);
  return r.ok && r.value == "1";
}

bool Driver::closeMessageBox() {
  Reply r = impl_->run(std::string("msgboxok"), kDefault);
  return r.ok;
}

bool Driver::closeWindow() {
  Reply r = impl_->run(std::string("close"), kDefault);
  return r.ok;
}

std::optional<int> Driver::waitExit(std::chrono::milliseconds timeout) {
  Reply r = impl_->run("waitexit " + std::to_string(timeout.count()), timeout + std::chrono::seconds(15));
  long long code = 0;
  if (!r.ok || !toInt(r.value, code)) return std::nullopt;
  impl_->programActive = false;
  // The exit code is a DWORD: keep its bits.
  return static_cast<int>(static_cast<unsigned int>(code));
}

void Driver::kill() {
  Reply r = impl_->run(std::string("kill"), kDefault);
  if (r.ok) impl_->programActive = false;
}

std::optional<GlyphInfo> Driver::glyphs(const std::string& face, int charset, int pixelHeight,
                                        const std::string& chars) {
  if (face.empty()) { impl_->lastError = "glyphs: empty face"; return std::nullopt; }
  Reply r = impl_->run("glyphs " + escapeArg(face, false) + " " + std::to_string(charset) + " " +
              std::to_string(pixelHeight) + " " + escapeArg(chars, true), kDefault, true);
  if (!r.ok) return std::nullopt;
  auto f = split(r.value, '\t');
  long long cs = 0, h = 0;
  if (f.size() != 4 || !toInt(f[1], cs) || !toInt(f[2], h)) {
    impl_->lastError = "glyphs: bad answer '" + r.value + "'";
    return std::nullopt;
  }
  return GlyphInfo{unescape(f[0]), static_cast<int>(cs), static_cast<int>(h), unescape(f[3])};
}

}  // namespace e2e
