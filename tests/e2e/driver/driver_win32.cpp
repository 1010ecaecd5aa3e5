// mms-driver: drives another program's window through ordinary window messages,
// as the end-to-end scenarios' hands and eyes. Runs under the same wineserver as
// the program and takes one command per line on stdin (UTF-8).
//
// Every answer line begins with "@@" so that a reader can skip stray lines that
// wine may write into the same pipe:
//   @@ok | @@ok <value> | @@err <message>
//   @@ok <n> followed by n lines "@@. <row>"            (controls, windows)
// Text is escaped both ways: \\ \r \n \t; arguments also accept \s for a space,
// which a text argument that is not the last one must use (the last one takes
// the rest of the line, spaces included, and may be empty).
//
// Commands (ids are decimal control IDs):
//   launch <timeoutMs> <title> <exe>   attach <title>        controls   windows
//   text <id>   settext <id> <text>    click <id>   enabled <id>   visible <id>
//   rect <id>   windowrect   clientrect   resize <width> <height>   screenrect <id>
//   cursel <id>   count <id>   item <id> <index>   pick <id> <index>   dropdown <id>
//   tabname <index>   tabsel   tabselect <index>
//   sync   msgbox <timeoutMs>   hasmsgbox   msgboxok
//   close   waitexit <timeoutMs>   kill   quit   ping
//   glyphs <face> <charset> <pixelHeight> <chars>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

// Long enough for a busy program under a loaded machine, short enough that a hung
// one fails the command instead of the test run.
constexpr UINT kSendTimeoutMs = 10000;
constexpr DWORD kGoneTimeoutMs = 10000;
const wchar_t kMessageBoxTitle[] = L"信息：";
constexpr int kTabControlId = 1008;

HANDLE gOut = INVALID_HANDLE_VALUE;

struct Target {
  HANDLE process = nullptr;
  DWORD pid = 0;
  HWND main = nullptr;
};
Target gTarget;

// ---------------------------------------------------------------- text helpers

std::string toUtf8(const std::wstring& w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                      nullptr);
  return s;
}

bool fromUtf8(const std::string& s, std::wstring& out) {
  out.clear();
  if (s.empty()) return true;
  int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, s.data(), static_cast<int>(s.size()),
                              nullptr, 0);
  if (n <= 0) return false;
  out.resize(static_cast<size_t>(n));
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, s.data(), static_cast<int>(s.size()),
                      out.data(), n);
  return true;
}

std::string escape(const std::wstring& w) {
  std::string in = toUtf8(w), out;
  out.reserve(in.size());
  for (char c : in) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      default: out += c;
    }
  }
  return out;
}

bool unescape(const std::string& in, std::wstring& out, std::string& error) {
  std::string raw;
  raw.reserve(in.size());
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] != '\\') { raw += in[i]; continue; }
    if (++i == in.size()) { error = "dangling backslash in text"; return false; }
    switch (in[i]) {
      case '\\': raw += '\\'; break;
      case 'r': raw += '\r'; break;
      case 'n': raw += '\n'; break;
      case 't': raw += '\t'; break;
      case 's': raw += ' '; break;
      default: error = std::string("unknown escape \\") + in[i]; return false;
    }
  }
  if (!fromUtf8(raw, out)) { error = "text is not valid UTF-8"; return false; }
  return true;
}

// ---------------------------------------------------------------- answers

void writeRaw(const std::string& line) {
  std::string s = line + "\n";
  const char* p = s.data();
  DWORD left = static_cast<DWORD>(s.size());
  while (left > 0) {
    DWORD done = 0;
    // The reader is gone: nobody will ever read an answer again.
    if (!WriteFile(gOut, p, left, &done, nullptr) || done == 0) ExitProcess(3);
    p += done;
    left -= done;
  }
}

void ok() { writeRaw("@@ok"); }
void ok(const std::string& value) { writeRaw("@@ok " + value); }
void err(const std::string& message) {
  std::string m = message;
  for (char& c : m)
    if (c == '\r' || c == '\n') c = ' ';
  writeRaw("@@err " + m);
}
void rows(const std::vector<std::string>& lines) {
  writeRaw("@@ok " + std::to_string(lines.size()));
  for (const auto& l : lines) writeRaw("@@. " + l);
}

std::string winError(const char* what) {
  return std::string(what) + " failed (error " + std::to_string(GetLastError()) + ")";
}

// ---------------------------------------------------------------- arguments

class Args {
 public:
  explicit Args(const std::string& rest) : rest_(rest) {}

  bool integer(long long& v, const char* name, std::string& error) {
    std::string t = token();
    if (t.empty()) { error = std::string("missing ") + name; return false; }
    size_t i = (t[0] == '-') ? 1 : 0;
    if (i == t.size() || t.size() > 19) { error = std::string("bad ") + name + " '" + t + "'"; return false; }
    long long n = 0;
    for (; i < t.size(); ++i) {
      if (t[i] < '0' || t[i] > '9') { error = std::string("bad ") + name + " '" + t + "'"; return false; }
      n = n * 10 + (t[i] - '0');
    }
    v = (t[0] == '-') ? -n : n;
    return true;
  }
  bool integer(int& v, const char* name, std::string& error, long long lo, long long hi) {
    long long n = 0;
    if (!integer(n, name, error)) return false;
    if (n < lo || n > hi) { error = std::string(name) + " out of range"; return false; }
    v = static_cast<int>(n);
    return true;
  }
  bool text(std::wstring& v, const char* name, std::string& error) {
    std::string t = token();
    if (t.empty()) { error = std::string("missing ") + name; return false; }
    return unescape(t, v, error);
  }
  bool lastText(std::wstring& v, std::string& error) {
    std::string t = rest_.substr(pos_);
    pos_ = rest_.size();
    return unescape(t, v, error);
  }
  bool end(std::string& error) {
    if (pos_ < rest_.size() && !token().empty()) { error = "too many arguments"; return false; }
    return true;
  }

 private:
  std::string token() {
    size_t e = rest_.find(' ', pos_);
    if (e == std::string::npos) e = rest_.size();
    std::string t = rest_.substr(pos_, e - pos_);
    pos_ = (e < rest_.size()) ? e + 1 : e;
    return t;
  }
  std::string rest_;
  size_t pos_ = 0;
};

// ---------------------------------------------------------------- windows

// Every message of one command shares one budget, so that a hung program fails
// the command well within the client's own timeout.
ULONGLONG gCommandDeadline = 0;

void extendDeadline(ULONGLONG ms) { gCommandDeadline = GetTickCount64() + ms + kSendTimeoutMs; }

DWORD budgetLeftMs() {
  ULONGLONG now = GetTickCount64();
  return now >= gCommandDeadline ? 0 : static_cast<DWORD>(gCommandDeadline - now);
}

bool send(HWND w, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result = nullptr) {
  UINT timeoutMs = std::min<UINT>(budgetLeftMs(), kSendTimeoutMs);
  if (timeoutMs == 0) return false;
  DWORD_PTR r = 0;
  if (!SendMessageTimeoutW(w, msg, wp, lp, SMTO_NORMAL, timeoutMs, &r)) return false;
  if (result) *result = static_cast<LRESULT>(r);
  return true;
}

bool windowText(HWND w, std::wstring& out) {
  LRESULT len = 0;
  if (!send(w, WM_GETTEXTLENGTH, 0, 0, &len)) return false;
  // The text may grow between the two messages: retry with a larger buffer.
  for (int attempt = 0; attempt < 4; ++attempt) {
    std::vector<wchar_t> buf(static_cast<size_t>(len) + 64 + static_cast<size_t>(attempt) * 4096);
    LRESULT got = 0;
    if (!send(w, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()), &got)) return false;
    if (static_cast<size_t>(got) + 1 < buf.size()) {
      out.assign(buf.data(), static_cast<size_t>(got));
      return true;
    }
  }
  return false;
}

std::wstring className(HWND w) {
  wchar_t buf[256] = {};
  int n = GetClassNameW(w, buf, 256);
  std::wstring s(buf, n > 0 ? static_cast<size_t>(n) : 0);
  // Classes of comctl32 v6 may carry a version prefix ("6.0.x.y!Button").
  size_t bang = s.rfind(L'!');
  return bang == std::wstring::npos ? s : s.substr(bang + 1);
}

bool requireTarget(std::string& error) {
  if (!gTarget.main) { error = "no program window: launch or attach first"; return false; }
  if (!IsWindow(gTarget.main)) { error = "the program's window is gone"; return false; }
  return true;
}

std::vector<HWND> descendants(HWND parent) {
  std::vector<HWND> out;
  EnumChildWindows(
      parent,
      [](HWND w, LPARAM p) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&out));
  return out;
}

HWND findControl(int id, std::string& error) {
  if (!requireTarget(error)) return nullptr;
  for (HWND w : descendants(gTarget.main))
    if (GetDlgCtrlID(w) == id) return w;
  error = "no control with id " + std::to_string(id);
  return nullptr;
}

HWND parentOf(HWND w) { return GetAncestor(w, GA_PARENT); }

bool rectInParent(HWND w, RECT& r) {
  if (!GetWindowRect(w, &r)) return false;
  MapWindowPoints(HWND_DESKTOP, parentOf(w), reinterpret_cast<POINT*>(&r), 2);
  return true;
}

std::string rectText(const RECT& r) {
  return std::to_string(r.left) + " " + std::to_string(r.top) + " " +
         std::to_string(r.right - r.left) + " " + std::to_string(r.bottom - r.top);
}

struct TopLevelQuery {
  DWORD pid;
  const wchar_t* cls;    // nullptr: any
  const wchar_t* title;  // nullptr: any
  bool visibleOnly;
  std::vector<HWND> found;
};

std::vector<HWND> topLevel(DWORD pid, const wchar_t* cls, const wchar_t* title, bool visibleOnly) {
  TopLevelQuery q{pid, cls, title, visibleOnly, {}};
  EnumWindows(
      [](HWND w, LPARAM p) -> BOOL {
        auto* query = reinterpret_cast<TopLevelQuery*>(p);
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner != query->pid) return TRUE;
        if (query->visibleOnly && !IsWindowVisible(w)) return TRUE;
        if (query->cls) {
          wchar_t c[64] = {};
          GetClassNameW(w, c, 64);
          if (wcscmp(c, query->cls) != 0) return TRUE;
        }
        if (query->title) {
          wchar_t t[512] = {};
          // Another process's top-level window: served from the window manager, no message.
          GetWindowTextW(w, t, 512);
          if (wcscmp(t, query->title) != 0) return TRUE;
        }
        query->found.push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&q));
  return q.found;
}

HWND findMessageBox() {
  if (!gTarget.pid) return nullptr;
  auto boxes = topLevel(gTarget.pid, L"#32770", kMessageBoxTitle, true);
  return boxes.empty() ? nullptr : boxes.front();
}

bool programRunning() {
  return gTarget.process && WaitForSingleObject(gTarget.process, 0) == WAIT_TIMEOUT;
}

void forgetTarget() {
  if (gTarget.process) CloseHandle(gTarget.process);
  gTarget = Target{};
}

double msSince(LARGE_INTEGER start) {
  LARGE_INTEGER now, freq;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&freq);
  return static_cast<double>(now.QuadPart - start.QuadPart) * 1000.0 /
         static_cast<double>(freq.QuadPart);
}

// ---------------------------------------------------------------- commands

void cmdLaunch(Args& a) {
  std::string e;
  int timeoutMs = 0;
  std::wstring title, exe;
  if (!a.integer(timeoutMs, "timeoutMs", e, 0, 3600000) || !a.text(title, "title", e) ||
      !a.lastText(exe, e))
    return err(e);
  if (exe.empty()) return err("missing exe path");
  extendDeadline(static_cast<ULONGLONG>(timeoutMs));
  if (programRunning()) return err("a program is already running: kill or close it first");
  forgetTarget();

  // The program must not write into our answer pipe nor keep it open: give it NUL
  // for input and our log (stderr) for its output; our own pipe ends stay private.
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           &inherit, OPEN_EXISTING, 0, nullptr);
  HANDLE log = nullptr;
  HANDLE errHandle = GetStdHandle(STD_ERROR_HANDLE);
  if (errHandle && errHandle != INVALID_HANDLE_VALUE)
    DuplicateHandle(GetCurrentProcess(), errHandle, GetCurrentProcess(), &log, 0, TRUE,
                    DUPLICATE_SAME_ACCESS);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = nul;
  si.hStdOutput = log ? log : nul;
  si.hStdError = log ? log : nul;

  std::wstring cmdline = L"\"" + exe + L"\"";
  std::wstring dir = exe;
  size_t slash = dir.find_last_of(L"\\/");
  dir = (slash == std::wstring::npos) ? std::wstring() : dir.substr(0, slash);
  if (dir.size() == 2 && dir[1] == L':') dir += L'\\';

  PROCESS_INFORMATION pi{};
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  BOOL created = CreateProcessW(exe.c_str(), cmdline.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                dir.empty() ? nullptr : dir.c_str(), &si, &pi);
  DWORD createError = GetLastError();
  if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
  if (log) CloseHandle(log);
  if (!created)
    return err("cannot start " + escape(exe) + " (error " + std::to_string(createError) + ")");
  CloseHandle(pi.hThread);
  gTarget.process = pi.hProcess;
  gTarget.pid = pi.dwProcessId;

  for (;;) {
    auto found = topLevel(gTarget.pid, nullptr, title.c_str(), true);
    if (!found.empty()) {
      double ms = msSince(start);
      gTarget.main = found.front();
      char buf[64];
      std::snprintf(buf, sizeof buf, "%lu %.1f", static_cast<unsigned long>(gTarget.pid), ms);
      return ok(buf);
    }
    if (WaitForSingleObject(gTarget.process, 0) == WAIT_OBJECT_0) {
      DWORD code = 0;
      GetExitCodeProcess(gTarget.process, &code);
      return err("the program exited with code " + std::to_string(code) +
                 " before a visible window titled '" + escape(title) + "' appeared");
    }
    if (msSince(start) > timeoutMs)
      return err("timeout: no visible window titled '" + escape(title) + "' after " +
                 std::to_string(timeoutMs) + " ms (the program keeps running; kill it)");
    Sleep(1);
  }
}

void cmdAttach(Args& a) {
  std::string e;
  std::wstring title;
  if (!a.lastText(title, e)) return err(e);
  if (title.empty()) return err("missing title");
  if (programRunning()) return err("a program is already running: kill or close it first");
  HWND w = FindWindowW(nullptr, title.c_str());
  if (!w) return err("no window titled '" + escape(title) + "'");
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  const DWORD access = SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_VM_OPERATION |
                       PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_TERMINATE;
  // QUERY_INFORMATION as well when allowed: WaitForInputIdle (sync) needs it.
  HANDLE h = OpenProcess(access | PROCESS_QUERY_INFORMATION, FALSE, pid);
  if (!h) h = OpenProcess(access, FALSE, pid);
  if (!h) return err(winError("OpenProcess"));
  forgetTarget();
  gTarget.process = h;
  gTarget.pid = pid;
  gTarget.main = w;
  ok(std::to_string(pid));
}

void cmdControls(Args& a) {
  std::string e;
  if (!a.end(e) || !requireTarget(e)) return err(e);
  std::vector<std::string> out;
  for (HWND w : descendants(gTarget.main)) {
    HWND parent = parentOf(w);
    RECT r{};
    rectInParent(w, r);
    std::wstring text;
    if (!windowText(w, text) && IsWindow(w))
      return err("timeout: WM_GETTEXT of control " + std::to_string(GetDlgCtrlID(w)));
    out.push_back(std::to_string(GetDlgCtrlID(w)) + "\t" + escape(className(w)) + "\t" +
                  std::to_string(parent == gTarget.main ? 0 : GetDlgCtrlID(parent)) + "\t" +
                  (IsWindowVisible(w) ? "1" : "0") + "\t" + (IsWindowEnabled(w) ? "1" : "0") +
                  "\t" + std::to_string(r.left) + "\t" + std::to_string(r.top) + "\t" +
                  std::to_string(r.right - r.left) + "\t" + std::to_string(r.bottom - r.top) +
                  "\t" + escape(text));
  }
  rows(out);
}

void cmdWindows(Args& a) {
  std::string e;
  if (!a.end(e)) return err(e);
  if (!gTarget.pid) return err("no program: launch or attach first");
  std::vector<std::string> out;
  for (HWND w : topLevel(gTarget.pid, nullptr, nullptr, false)) {
    wchar_t cls[256] = {}, title[512] = {};
    GetClassNameW(w, cls, 256);
    GetWindowTextW(w, title, 512);
    char handle[32];
    std::snprintf(handle, sizeof handle, "%llx",
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(w)));
    out.push_back(std::string(handle) + "\t" + escape(cls) + "\t" +
                  (IsWindowVisible(w) ? "1" : "0") + "\t" + (IsWindowEnabled(w) ? "1" : "0") +
                  "\t" + escape(title));
  }
  rows(out);
}

// Commands of the form "<name> <id>" on one control.
bool controlArg(Args& a, HWND& w, int& id, std::string& e) {
  if (!a.integer(id, "id", e, -2147483647LL - 1, 2147483647LL)) return false;
  w = findControl(id, e);
  return w != nullptr;
}

void cmdText(Args& a) {
  std::string e;
  HWND w;
  int id;
  if (!controlArg(a, w, id, e) || !a.end(e)) return err(e);
  std::wstring t;
  if (!windowText(w, t)) return err("timeout: WM_GETTEXT");
  ok(escape(t));
}

void cmdSetText(Args& a) {
  std::string e;
  HWND w;
  int id;
  std::wstring t;
  if (!controlArg(a, w, id, e) || !a.lastText(t, e)) return err(e);
  LRESULT r = 0;
  if (!send(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(t.c_str()), &r))
    return err("timeout: WM_SETTEXT");
  if (!r) return err("WM_SETTEXT refused");
  ok();
}

void cmdClick(Args& a) {
  std::string e;
  HWND w;
  int id;
  if (!controlArg(a, w, id, e) || !a.end(e)) return err(e);
  // A person can click only an enabled button; under wine a posted click would
  // reach a disabled one too.
  if (!IsWindowEnabled(w)) return err("disabled");
  // Posted, so that a handler that waits does not block the driver.
  if (!PostMessageW(w, BM_CLICK, 0, 0)) return err(winError("PostMessage"));
  ok();
}

void cmdEnabled(Args& a) {
  std::string e;
  HWND w;
  int id;
  if (!controlArg(a, w, id, e) || !a.end(e)) return err(e);
  ok(IsWindowEnabled(w) ? "1" : "0");
}

void cmdVisible(Args& a) {
  std::string e;
  HWND w;
  int id;
  if (!controlArg(a, w, id, e) || !a.end(e)) return err(e);
  ok(IsWindowVisible(w) ? "1" : "0");
}

void cmdRect(Args& a) {
  std::string e;
  HWND w;
  int id;
  if (!controlArg(a, w, id, e) || !a.end(e)) return err(e);
  RECT r;
  if (!rectInParent(w, r)) return err(winError("GetWindowRect"));
  ok(rectText(r));
}

void cmdWindowRect(Args& a) {
  std::string e;
  if (!a.end(e) || !requireTarget(e)) return err(e);
  RECT r;
  if (!GetWindowRect(gTarget.main, &r)) return err(winError("GetWindowRect"));
  ok(rectText(r));
}

void cmdClientRect(Args& a) {
  std::string e;
  if (!a.end(e) || !requireTarget(e)) return err(e);
  RECT r;
  if (!GetClientRect(gTarget.main, &r)) return err(winError("GetClientRect"));
  ok(rectText(r));
}

// As a user dragging the frame: the program's size limits apply.
void cmdResize(Args& a) {
  std::string e;
  int width = 0, height = 0;
  if (!a.integer(width, "width", e, 0, 100000) || !a.integer(height, "height", e, 0, 100000) || !a.end(e) ||
      !requireTarget(e))
    return err(e);
  DWORD_PTR result = 0;
  // Sent through the program's own thread so that its size handling runs before the answer.
  if (!SetWindowPos(gTarget.main, nullptr, 0, 0, width, height,
                    SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE))
    return err(winError("SetWindowPos"));
  if (!SendMessageTimeoutW(gTarget.main, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result)) return err("timeout: resize");
  RECT r;
  GetWindowRect(gTarget.main, &r);
  ok(rectText(r));
}

// On the screen, for looking at a control in a screenshot.
void cmdScreenRect(Args& a) {
  std::string e;
  HWND w;
  int id;
  if (!controlArg(a, w, id, e) || !a.end(e)) return err(e);
  RECT r;
  if (!GetWindowRect(w, &r)) return err(winError("GetWindowRect"));
  ok(rectText(r));
}

void cmdComboQuery(Args& a, UINT msg, const char* name) {
  std::string e;
  HWND w;
  int id;
  if (!controlArg(a, w, id, e) || !a.end(e)) return err(e);
  LRESULT r = 0;
  if (!send(w, msg, 0, 0, &r)) return err(std::string("timeout: ") + name);
  ok(std::to_string(static_cast<long long>(static_cast<int>(r))));
}

void cmdItem(Args& a) {
  std::string e;
  HWND w;
  int id, index;
  if (!controlArg(a, w, id, e) || !a.integer(index, "index", e, 0, 1000000) || !a.end(e))
    return err(e);
  LRESULT count = 0, len = 0, data = 0;
  if (!send(w, CB_GETCOUNT, 0, 0, &count)) return err("timeout: CB_GETCOUNT");
  if (index >= count) return err("index " + std::to_string(index) + " out of range (count " +
                                 std::to_string(count) + ")");
  if (!send(w, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0, &len)) return err("timeout: CB_GETLBTEXTLEN");
  if (len == CB_ERR) return err("CB_GETLBTEXTLEN failed");
  std::vector<wchar_t> buf(static_cast<size_t>(len) + 1);
  LRESULT got = 0;
  if (!send(w, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buf.data()), &got))
    return err("timeout: CB_GETLBTEXT");
  if (got == CB_ERR) return err("CB_GETLBTEXT failed");
  if (!send(w, CB_GETITEMDATA, static_cast<WPARAM>(index), 0, &data)) return err("timeout: CB_GETITEMDATA");
  size_t n = std::min(static_cast<size_t>(got), static_cast<size_t>(len));
  ok(std::to_string(static_cast<long long>(data)) + " " + escape(std::wstring(buf.data(), n)));
}

void cmdPick(Args& a) {
  std::string e;
  HWND w;
  int id, index;
  if (!controlArg(a, w, id, e) || !a.integer(index, "index", e, 0, 1000000) || !a.end(e))
    return err(e);
  if (!IsWindowEnabled(w)) return err("disabled");
  LRESULT count = 0, r = 0;
  if (!send(w, CB_GETCOUNT, 0, 0, &count)) return err("timeout: CB_GETCOUNT");
  if (index >= count) return err("index " + std::to_string(index) + " out of range (count " +
                                 std::to_string(count) + ")");
  if (!send(w, CB_SETCURSEL, static_cast<WPARAM>(index), 0, &r)) return err("timeout: CB_SETCURSEL");
  if (r == CB_ERR) return err("CB_SETCURSEL failed");
  if (!PostMessageW(parentOf(w), WM_COMMAND,
                    MAKEWPARAM(static_cast<WORD>(id), CBN_SELENDOK), reinterpret_cast<LPARAM>(w)))
    return err(winError("PostMessage"));
  ok();
}

void cmdDropDown(Args& a) {
  std::string e;
  HWND w;
  int id;
  if (!controlArg(a, w, id, e) || !a.end(e)) return err(e);
  if (!IsWindowEnabled(w)) return err("disabled");
  if (!PostMessageW(parentOf(w), WM_COMMAND,
                    MAKEWPARAM(static_cast<WORD>(id), CBN_DROPDOWN), reinterpret_cast<LPARAM>(w)))
    return err(winError("PostMessage"));
  ok();
}

HWND findTab(std::string& e) {
  if (!requireTarget(e)) return nullptr;
  auto all = descendants(gTarget.main);
  for (HWND w : all)
    if (_wcsicmp(className(w).c_str(), L"SysTabControl32") == 0) return w;
  for (HWND w : all)
    if (GetDlgCtrlID(w) == kTabControlId) return w;
  e = "no tab control";
  return nullptr;
}

bool tabCount(HWND tab, int& n, std::string& e) {
  LRESULT r = 0;
  if (!send(tab, TCM_GETITEMCOUNT, 0, 0, &r)) { e = "timeout: TCM_GETITEMCOUNT"; return false; }
  n = static_cast<int>(r);
  return true;
}

void cmdTabName(Args& a) {
  std::string e;
  int index, count;
  if (!a.integer(index, "index", e, 0, 10000) || !a.end(e)) return err(e);
  HWND tab = findTab(e);
  if (!tab || !tabCount(tab, count, e)) return err(e);
  if (index >= count) return err("tab " + std::to_string(index) + " out of range (count " +
                                 std::to_string(count) + ")");
  // TCM_GETITEMW is not marshalled: the TCITEMW and its text buffer must live in
  // the program's own memory.
  constexpr SIZE_T kBlock = 4096, kTextOffset = 512;
  auto* block = static_cast<char*>(
      VirtualAllocEx(gTarget.process, nullptr, kBlock, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  if (!block) return err(winError("VirtualAllocEx"));
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = reinterpret_cast<LPWSTR>(block + kTextOffset);
  item.cchTextMax = static_cast<int>((kBlock - kTextOffset) / sizeof(wchar_t));
  std::vector<wchar_t> text(static_cast<size_t>(item.cchTextMax) + 1, L'\0');
  std::string failure;
  LRESULT r = 0;
  SIZE_T io = 0;
  if (!WriteProcessMemory(gTarget.process, block, &item, sizeof item, &io))
    failure = winError("WriteProcessMemory");
  else if (!WriteProcessMemory(gTarget.process, block + kTextOffset, text.data(),
                               kBlock - kTextOffset, &io))
    failure = winError("WriteProcessMemory");
  else if (!send(tab, TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(block), &r))
    failure = "timeout: TCM_GETITEMW";
  else if (!r)
    failure = "TCM_GETITEMW failed";
  else if (!ReadProcessMemory(gTarget.process, block + kTextOffset, text.data(),
                              kBlock - kTextOffset, &io))
    failure = winError("ReadProcessMemory");
  VirtualFreeEx(gTarget.process, block, 0, MEM_RELEASE);
  if (!failure.empty()) return err(failure);
  text.back() = L'\0';
  ok(escape(text.data()));
}

void cmdTabSel(Args& a) {
  std::string e;
  if (!a.end(e)) return err(e);
  HWND tab = findTab(e);
  if (!tab) return err(e);
  LRESULT r = 0;
  if (!send(tab, TCM_GETCURSEL, 0, 0, &r)) return err("timeout: TCM_GETCURSEL");
  ok(std::to_string(static_cast<int>(r)));
}

void cmdTabSelect(Args& a) {
  std::string e;
  int index, count;
  if (!a.integer(index, "index", e, 0, 10000) || !a.end(e)) return err(e);
  HWND tab = findTab(e);
  if (!tab || !tabCount(tab, count, e)) return err(e);
  if (index >= count) return err("tab " + std::to_string(index) + " out of range (count " +
                                 std::to_string(count) + ")");
  if (!IsWindowEnabled(tab)) return err("disabled");
  // TCM_SETCURFOCUS selects as a click does: the tab control itself sends the
  // parent TCN_SELCHANGING and TCN_SELCHANGE. Wine only records the focus when no
  // tab had it yet, so a second call may be needed.
  LRESULT sel = -1;
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (!send(tab, TCM_SETCURFOCUS, static_cast<WPARAM>(index), 0)) return err("timeout: TCM_SETCURFOCUS");
    if (!send(tab, TCM_GETCURSEL, 0, 0, &sel)) return err("timeout: TCM_GETCURSEL");
    if (sel == index) return ok();
  }
  err("tab " + std::to_string(index) + " not selected (selection " + std::to_string(static_cast<int>(sel)) + ")");
}

void cmdSync(Args& a) {
  std::string e;
  if (!a.end(e) || !requireTarget(e)) return err(e);
  // A sent message overtakes posted ones, so WM_NULL alone proves only that the
  // program pumps; waiting until its window thread idles again on an empty queue
  // proves that what was posted before has been taken and handled.
  if (!send(gTarget.main, WM_NULL, 0, 0)) return err("timeout: WM_NULL");
  DWORD r = WaitForInputIdle(gTarget.process, budgetLeftMs());
  if (r == WAIT_TIMEOUT) return err("timeout: the program did not become idle");
  ok();
}

void cmdMsgBox(Args& a) {
  std::string e;
  int timeoutMs;
  if (!a.integer(timeoutMs, "timeoutMs", e, 0, 3600000) || !a.end(e)) return err(e);
  if (!gTarget.pid) return err("no program: launch or attach first");
  extendDeadline(static_cast<ULONGLONG>(timeoutMs));
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  for (;;) {
    if (HWND box = findMessageBox()) {
      HWND label = GetDlgItem(box, 0xFFFF);
      std::wstring t;
      if (label && windowText(label, t)) return ok(escape(t));
      if (!IsWindow(box)) continue;  // closed meanwhile: look again
      return err("message box without readable text");
    }
    if (msSince(start) >= timeoutMs) return err("timeout");
    Sleep(10);
  }
}

void cmdHasMsgBox(Args& a) {
  std::string e;
  if (!a.end(e)) return err(e);
  if (!gTarget.pid) return err("no program: launch or attach first");
  ok(findMessageBox() ? "1" : "0");
}

void cmdMsgBoxOk(Args& a) {
  std::string e;
  if (!a.end(e)) return err(e);
  if (!gTarget.pid) return err("no program: launch or attach first");
  HWND box = findMessageBox();
  if (!box) return err("no message box");
  HWND button = GetDlgItem(box, IDOK);
  if (!button) return err("the message box has no OK button");
  if (!PostMessageW(button, BM_CLICK, 0, 0)) return err(winError("PostMessage"));
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  while (IsWindow(box)) {
    if (msSince(start) > kGoneTimeoutMs) return err("timeout: the message box stayed");
    Sleep(2);
  }
  ok();
}

void cmdClose(Args& a) {
  std::string e;
  if (!a.end(e) || !requireTarget(e)) return err(e);
  if (!PostMessageW(gTarget.main, WM_CLOSE, 0, 0)) return err(winError("PostMessage"));
  ok();
}

void cmdWaitExit(Args& a) {
  std::string e;
  int timeoutMs;
  if (!a.integer(timeoutMs, "timeoutMs", e, 0, 3600000) || !a.end(e)) return err(e);
  if (!gTarget.process) return err("no program: launch or attach first");
  DWORD r = WaitForSingleObject(gTarget.process, static_cast<DWORD>(timeoutMs));
  if (r == WAIT_TIMEOUT) return err("timeout");
  if (r != WAIT_OBJECT_0) return err(winError("WaitForSingleObject"));
  DWORD code = 0;
  if (!GetExitCodeProcess(gTarget.process, &code)) return err(winError("GetExitCodeProcess"));
  ok(std::to_string(code));
}

void cmdKill(Args& a) {
  std::string e;
  if (!a.end(e)) return err(e);
  if (!gTarget.process) return err("no program: launch or attach first");
  if (programRunning() && !TerminateProcess(gTarget.process, 1))
    return err(winError("TerminateProcess"));
  if (WaitForSingleObject(gTarget.process, kGoneTimeoutMs) != WAIT_OBJECT_0)
    return err("timeout: the program did not end");
  ok();
}

void cmdGlyphs(Args& a) {
  std::string e;
  std::wstring face, chars;
  int charset, height;
  if (!a.text(face, "face", e) || !a.integer(charset, "charset", e, 0, 255) ||
      !a.integer(height, "pixelHeight", e, 1, 1000) || !a.lastText(chars, e))
    return err(e);
  if (face.size() >= LF_FACESIZE) return err("face name too long");
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) return err(winError("CreateCompatibleDC"));
  HFONT font = CreateFontW(-height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                           static_cast<DWORD>(charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str());
  if (!font) {
    DeleteDC(dc);
    return err(winError("CreateFontW"));
  }
  HGDIOBJ old = SelectObject(dc, font);
  wchar_t actual[LF_FACESIZE] = {};
  GetTextFaceW(dc, LF_FACESIZE, actual);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  std::wstring missing;
  if (!chars.empty()) {
    std::vector<WORD> idx(chars.size());
    if (GetGlyphIndicesW(dc, chars.c_str(), static_cast<int>(chars.size()), idx.data(),
                         GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR) {
      missing = chars;
    } else {
      for (size_t i = 0; i < chars.size(); ++i)
        if (idx[i] == 0xFFFF) missing += chars[i];
    }
  }
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteDC(dc);
  ok(escape(actual) + "\t" + std::to_string(tm.tmCharSet) + "\t" + std::to_string(tm.tmHeight) +
     "\t" + escape(missing));
}

// Returns false when the driver should end.
bool dispatch(const std::string& line) {
  extendDeadline(0);
  size_t sp = line.find(' ');
  std::string name = line.substr(0, sp);
  Args a(sp == std::string::npos ? std::string() : line.substr(sp + 1));
  std::string e;
  if (name == "launch") cmdLaunch(a);
  else if (name == "attach") cmdAttach(a);
  else if (name == "controls") cmdControls(a);
  else if (name == "windows") cmdWindows(a);
  else if (name == "text") cmdText(a);
  else if (name == "settext") cmdSetText(a);
  else if (name == "click") cmdClick(a);
  else if (name == "enabled") cmdEnabled(a);
  else if (name == "visible") cmdVisible(a);
  else if (name == "rect") cmdRect(a);
  else if (name == "windowrect") cmdWindowRect(a);
  else if (name == "clientrect") cmdClientRect(a);
  else if (name == "resize") cmdResize(a);
  else if (name == "screenrect") cmdScreenRect(a);
  else if (name == "cursel") cmdComboQuery(a, CB_GETCURSEL, "CB_GETCURSEL");
  else if (name == "count") cmdComboQuery(a, CB_GETCOUNT, "CB_GETCOUNT");
  else if (name == "item") cmdItem(a);
  else if (name == "pick") cmdPick(a);
  else if (name == "dropdown") cmdDropDown(a);
  else if (name == "tabname") cmdTabName(a);
  else if (name == "tabsel") cmdTabSel(a);
  else if (name == "tabselect") cmdTabSelect(a);
  else if (name == "sync") cmdSync(a);
  else if (name == "msgbox") cmdMsgBox(a);
  else if (name == "hasmsgbox") cmdHasMsgBox(a);
  else if (name == "msgboxok") cmdMsgBoxOk(a);
  else if (name == "close") cmdClose(a);
  else if (name == "waitexit") cmdWaitExit(a);
  else if (name == "kill") cmdKill(a);
  else if (name == "glyphs") cmdGlyphs(a);
  else if (name == "ping") { if (a.end(e)) ok(); else err(e); }
  else if (name == "quit") { ok(); return false; }
  else if (name.empty()) err("empty command");
  else err("unknown command '" + name + "'");
  return true;
}

}  // namespace

int wmain() {
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  gOut = GetStdHandle(STD_OUTPUT_HANDLE);
  // A launched program inheriting these would hold the pipes open after we quit.
  SetHandleInformation(in, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(gOut, HANDLE_FLAG_INHERIT, 0);

  constexpr size_t kMaxLine = 1u << 20;
  std::string buffer;
  bool discarding = false;  // inside an over-long line, answered already
  char chunk[4096];
  for (;;) {
    size_t nl;
    while ((nl = buffer.find('\n')) != std::string::npos) {
      std::string line = buffer.substr(0, nl);
      buffer.erase(0, nl + 1);
      if (discarding) { discarding = false; continue; }
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!dispatch(line)) {
        forgetTarget();
        return 0;
      }
    }
    if (buffer.size() > kMaxLine) {
      if (!discarding) err("command line longer than 1 MiB");
      discarding = true;
      buffer.clear();
    }
    DWORD got = 0;
    if (!ReadFile(in, chunk, sizeof chunk, &got, nullptr) || got == 0) break;  // input closed
    buffer.append(chunk, got);
  }
  forgetTarget();
  return 0;
}
