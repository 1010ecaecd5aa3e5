#include "ui/toolkit/toolkit.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <utility>
#include <vector>

#include "ui/main_window/form_table.h"
#include "ui/toolkit/wide_text.h"

namespace toolkit {

namespace {

constexpr wchar_t kMainClass[] = L"MultiMasterSetupWindow";
constexpr wchar_t kFrameClass[] = L"MultiMasterSetupFrame";
constexpr wchar_t kFontFace[] = L"微软雅黑";
constexpr UINT kPostedBase = WM_APP;  // WM_APP + channel: wParam and lParam carry the two words
constexpr unsigned kPostedChannels = 64;
constexpr UINT kCallMessage = WM_APP + kPostedChannels;  // lParam: const std::function<void()>*
constexpr int kDesignDpi = 96;               // the form is laid out in pixels at 96 dpi
constexpr int kComboListHeight = 240;        // drop-down part of a closed 32-pixel combo box

struct ControlEntry {
  HWND hwnd = nullptr;
  form::Kind kind = form::Kind::Label;
  int fontPoints = 0;
};

// Fonts shared by every control of the same pixel height; freed at the end.
class FontCache {
 public:
  HFONT get(int pixels) {
    auto it = fonts_.find(pixels);
    if (it != fonts_.end()) return it->second;
    HFONT font = CreateFontW(-pixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, kFontFace);
    fonts_.emplace(pixels, font);
    return font;
  }
  void clear() {
    for (auto& [pixels, font] : fonts_)
      if (font) DeleteObject(font);
    fonts_.clear();
  }
  ~FontCache() { clear(); }

 private:
  std::map<int, HFONT> fonts_;
};

struct State {
  HINSTANCE instance = nullptr;
  HWND mainWindow = nullptr;
  std::map<int, ControlEntry> controls;  // by control ID
  std::map<std::pair<int, Event>, Handler> handlers;
  std::map<unsigned, PostedHandler> postedHandlers;
  std::vector<void (*)()> endRoutines;
  std::vector<HWND> tips;
  FontCache fonts;
};

State& state() {
  static State s;
  return s;
}

// The main window handle as other threads see it.
std::atomic<HWND> postTarget{nullptr};

void raise(int id, Event event) {
  auto& handlers = state().handlers;
  auto it = handlers.find({id, event});
  if (it == handlers.end() || !it->second) return;
  // Copy: a handler may register or replace handlers while it runs.
  Handler handler = it->second;
  handler();
}

HWND find(ControlId id) {
  if (id == 窗口) return state().mainWindow;
  auto& controls = state().controls;
  auto it = controls.find(id);
  if (it == controls.end() || !IsWindow(it->second.hwnd)) return nullptr;
  return it->second.hwnd;
}

const ControlEntry* entry(ControlId id) {
  auto& controls = state().controls;
  auto it = controls.find(id);
  return it == controls.end() ? nullptr : &it->second;
}

std::wstring windowText(HWND hwnd) {
  if (!hwnd) return {};
  const int length = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(got, 0)));
  return text;
}

// Notifications from any depth reach the program's handlers: frame boxes pass
// them on to here, whatever the control's parent.
void dispatchCommand(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  const ControlEntry* e = entry(static_cast<ControlId>(id));
  if (!e || reinterpret_cast<HWND>(lParam) != e->hwnd) return;
  switch (e->kind) {
    case form::Kind::Button:
    case form::Kind::CheckBox:
      // A click posted to a disabled button still arrives under some hosts;
      // a person cannot click a disabled button, so neither can a message.
      if (code == BN_CLICKED && IsWindowEnabled(e->hwnd)) raise(id, Event::Clicked);
      break;
    case form::Kind::EditBox:
      if (code == EN_CHANGE) raise(id, Event::TextChanged);
      break;
    case form::Kind::ComboBox:
      if (code == CBN_SELENDOK) raise(id, Event::ItemSelected);
      else if (code == CBN_DROPDOWN) raise(id, Event::DropDown);
      break;
    default:
      break;
  }
}

void showTabPage(HWND tab) {
  const int current = static_cast<int>(SendMessageW(tab, TCM_GETCURSEL, 0, 0));
  for (int i = 0; i < static_cast<int>(std::size(form::kTabPages)); ++i) {
    if (HWND page = find(form::kTabPages[i].pageBox)) ShowWindow(page, i == current ? SW_SHOW : SW_HIDE);
  }
}

bool handleNotify(LPARAM lParam) {
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  if (header && header->code == static_cast<UINT>(TCN_SELCHANGE) && header->hwndFrom == find(选择夹1)) {
    showTabPage(header->hwndFrom);
    return true;
  }
  return false;
}

LRESULT CALLBACK frameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      dispatchCommand(wParam, lParam);
      return 0;
    case WM_NOTIFY:
      if (handleNotify(lParam)) return 0;
      break;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT r;
      GetClientRect(hwnd, &r);
      DrawEdge(dc, &r, EDGE_ETCHED, BF_RECT);
      EndPaint(hwnd, &ps);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK mainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message >= kPostedBase && message < kPostedBase + kPostedChannels) {
    auto& handlers = state().postedHandlers;
    auto it = handlers.find(message - kPostedBase);
    if (it != handlers.end() && it->second) {
      PostedHandler handler = it->second;
      handler(static_cast<std::uintptr_t>(wParam), static_cast<std::intptr_t>(lParam));
    }
    return 0;
  }
  switch (message) {
    case kCallMessage:
      (*reinterpret_cast<const std::function<void()>*>(lParam))();
      return 0;
    case WM_COMMAND:
      dispatchCommand(wParam, lParam);
      return 0;
    case WM_NOTIFY:
      if (handleNotify(lParam)) return 0;
      break;
    case WM_DESTROY:
      // Children still exist here: the will-be-destroyed event may use them.
      raise(窗口, Event::Destroying);
      postTarget.store(nullptr);
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      state().mainWindow = nullptr;
      state().controls.clear();
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void addDesignItems(HWND combo, form::Items items) {
  auto add = [combo](std::wstring_view text, LPARAM value) {
    const LRESULT index = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::wstring(text).c_str()));
    if (index >= 0) SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(index), value);
  };
  switch (items) {
    case form::Items::Bauds:
      for (auto text : form::kBauds) add(widen(text), 0);
      break;
    case form::Items::Parities:
      for (auto text : form::kParities) add(widen(text), 0);
      break;
    case form::Items::DesignPorts:
      for (int n = 1; n <= 9; ++n) add(L"COM" + std::to_wstring(n), n);
      break;
    case form::Items::None:
      break;
  }
}

// The closed combo box takes the design height; the drop-down list gets room
// of its own below it. Hosts differ in the frame around the selection field,
// and some report another item height than was set, so the item height is
// found by measuring; combo boxes of the same font and height share the result.
void fitComboHeight(HWND combo, int height, int fontPixels) {
  static std::map<std::pair<int, int>, LRESULT> fitted;
  const auto key = std::make_pair(height, fontPixels);
  LRESULT itemHeight = SendMessageW(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
  if (auto it = fitted.find(key); it != fitted.end()) {
    itemHeight = it->second;
    SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), itemHeight);
  }
  for (int attempt = 0; attempt < 4 && itemHeight > 0; ++attempt) {
    RECT r;
    GetWindowRect(combo, &r);
    const int delta = height - (r.bottom - r.top);
    if (delta == 0) {
      fitted[key] = itemHeight;
      return;
    }
    if (itemHeight + delta <= 0) return;
    itemHeight += delta;
    SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), itemHeight);
  }
}

HWND createControl(const form::Control& c, HWND parent) {
  const std::wstring text = widen(c.text);
  const auto id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id));
  const DWORD child = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
  HWND hwnd = nullptr;
  switch (c.kind) {
    case form::Kind::Label:
      hwnd = CreateWindowExW(0, L"STATIC", text.c_str(), child | SS_LEFT | SS_NOTIFY, c.x, c.y, c.width,
                             c.height, parent, id, state().instance, nullptr);
      break;
    case form::Kind::EditBox:
      hwnd = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", text.c_str(), child | WS_TABSTOP | ES_AUTOHSCROLL, c.x,
                             c.y, c.width, c.height, parent, id, state().instance, nullptr);
      break;
    case form::Kind::ComboBox:
      hwnd = CreateWindowExW(0, L"COMBOBOX", nullptr, child | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, c.x, c.y,
                             c.width, c.height + kComboListHeight, parent, id, state().instance, nullptr);
      break;
    case form::Kind::Button:
      hwnd = CreateWindowExW(0, L"BUTTON", text.c_str(), child | WS_TABSTOP | BS_PUSHBUTTON, c.x, c.y, c.width,
                             c.height, parent, id, state().instance, nullptr);
      break;
    case form::Kind::CheckBox:
      hwnd = CreateWindowExW(0, L"BUTTON", text.c_str(), child | WS_TABSTOP | BS_AUTOCHECKBOX, c.x, c.y, c.width,
                             c.height, parent, id, state().instance, nullptr);
      break;
    case form::Kind::TabControl:
      hwnd = CreateWindowExW(0, WC_TABCONTROLW, nullptr, child | WS_CLIPCHILDREN | WS_TABSTOP, c.x, c.y, c.width,
                             c.height, parent, id, state().instance, nullptr);
      break;
    case form::Kind::FrameBox:
      hwnd = CreateWindowExW(WS_EX_CONTROLPARENT, kFrameClass, nullptr, child | WS_CLIPCHILDREN, c.x, c.y,
                             c.width, c.height, parent, id, state().instance, nullptr);
      break;
    case form::Kind::BalloonTip:
      return nullptr;  // not a window of the form; attached later to its label
  }
  if (!hwnd) return nullptr;
  if (c.fontPixels > 0) SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(state().fonts.get(c.fontPixels)), FALSE);
  if (c.kind == form::Kind::ComboBox) {
    addDesignItems(hwnd, c.items);
    fitComboHeight(hwnd, c.height, c.fontPixels);
  }
  if (c.kind == form::Kind::TabControl) {
    for (int i = 0; i < static_cast<int>(std::size(form::kTabPages)); ++i) {
      std::wstring name = widen(form::kTabPages[i].name);
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = name.data();
      SendMessageW(hwnd, TCM_INSERTITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
  }
  return hwnd;
}

bool registerClasses() {
  WNDCLASSEXW main{};
  main.cbSize = sizeof main;
  main.lpfnWndProc = mainProc;
  main.hInstance = state().instance;
  main.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  main.hIcon = LoadIconW(state().instance, MAKEINTRESOURCEW(1));
  main.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  main.lpszClassName = kMainClass;
  WNDCLASSEXW frame{};
  frame.cbSize = sizeof frame;
  frame.lpfnWndProc = frameProc;
  frame.hInstance = state().instance;
  frame.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  frame.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  frame.lpszClassName = kFrameClass;
  return RegisterClassExW(&main) != 0 && RegisterClassExW(&frame) != 0;
}

}  // namespace

bool initialise() {
  state().instance = GetModuleHandleW(nullptr);
  INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  return registerClasses();
}

void addEndRoutine(void (*routine)()) {
  auto& routines = state().endRoutines;
  if (std::find(routines.begin(), routines.end(), routine) == routines.end()) routines.push_back(routine);
}

void runEndRoutines() {
  if (state().mainWindow) DestroyWindow(state().mainWindow);
  for (HWND tip : state().tips)
    if (IsWindow(tip)) DestroyWindow(tip);
  state().tips.clear();
  auto routines = std::move(state().endRoutines);
  state().endRoutines.clear();
  for (auto routine : routines) routine();
  state().fonts.clear();
}

bool loadMainWindow() {
  const auto& design = form::kWindow;
  HWND window = CreateWindowExW(WS_EX_CONTROLPARENT, kMainClass, widen(design.title).c_str(),
                                WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, design.x, design.y, design.width,
                                design.height, nullptr, nullptr, state().instance, nullptr);
  if (!window) return false;
  state().mainWindow = window;
  postTarget.store(window);
  for (const auto& c : form::controls()) {
    HWND parent = find(c.parent);
    if (!parent) continue;
    if (HWND hwnd = createControl(c, parent))
      state().controls[c.id] = ControlEntry{hwnd, c.kind, c.fontPixels > 0 ? MulDiv(c.fontPixels, 72, kDesignDpi) : 0};
  }
  if (HWND tab = find(选择夹1)) showTabPage(tab);
  raise(窗口, Event::Created);
  if (!mainWindowExists()) return false;
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  return true;
}

bool mainWindowExists() { return state().mainWindow != nullptr && IsWindow(state().mainWindow); }

void runEventLoop() {
  MSG msg;
  while (mainWindowExists() && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void processEvents() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
    if (msg.message == WM_QUIT) return;  // left for the event loop to end on
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void on(ControlId id, Event event, Handler handler) { state().handlers[{id, event}] = std::move(handler); }

void onPosted(unsigned channel, PostedHandler handler) { state().postedHandlers[channel] = std::move(handler); }

bool post(unsigned channel, std::uintptr_t first, std::intptr_t second) {
  HWND target = postTarget.load();
  if (!target || channel >= kPostedChannels) return false;
  return PostMessageW(target, kPostedBase + channel, static_cast<WPARAM>(first), static_cast<LPARAM>(second)) != 0;
}

bool callOnWindowThread(const std::function<void()>& fn) {
  HWND target = postTarget.load();
  if (!target) return false;
  // Sent, not posted: the caller waits until fn has run. A window that goes
  // meanwhile ends the call with failure instead of blocking forever.
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(target, kCallMessage, 0, reinterpret_cast<LPARAM>(&fn), SMTO_NORMAL, INFINITE,
                             &result) != 0;
}

void serveWindowCalls(const std::function<bool()>& finished) {
  while (!finished()) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_SENDMESSAGE);
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);  // runs sent messages only
  }
}

std::string caption(ControlId id) { return narrow(windowText(find(id))); }

void setCaption(ControlId id, std::string_view text) {
  if (HWND hwnd = find(id)) SetWindowTextW(hwnd, widen(text).c_str());
}

std::string content(ControlId id) { return caption(id); }

void setContent(ControlId id, std::string_view text) { setCaption(id, text); }

int selection(ControlId id) {
  HWND hwnd = find(id);
  return hwnd ? static_cast<int>(SendMessageW(hwnd, CB_GETCURSEL, 0, 0)) : -1;
}

void setSelection(ControlId id, int index) {
  HWND hwnd = find(id);
  if (!hwnd) return;
  const int count = static_cast<int>(SendMessageW(hwnd, CB_GETCOUNT, 0, 0));
  index = std::clamp(index, -1, std::max(count - 1, -1));
  SendMessageW(hwnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

bool disabled(ControlId id) {
  HWND hwnd = find(id);
  return hwnd && !IsWindowEnabled(hwnd);
}

void setDisabled(ControlId id, bool isDisabled) {
  if (HWND hwnd = find(id)) EnableWindow(hwnd, isDisabled ? FALSE : TRUE);
}

int fontPoints(ControlId id) {
  const ControlEntry* e = entry(id);
  return e ? e->fontPoints : 0;
}

void setFontPoints(ControlId id, int points) {
  auto& controls = state().controls;
  auto it = controls.find(id);
  if (it == controls.end() || !IsWindow(it->second.hwnd) || points <= 0) return;
  if (it->second.fontPoints == points) return;  // the same font again would change nothing
  it->second.fontPoints = points;
  HFONT font = state().fonts.get(MulDiv(points, kDesignDpi, 72));
  SendMessageW(it->second.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

Bounds bounds(ControlId id) {
  HWND hwnd = find(id);
  RECT r;
  if (!hwnd || !GetWindowRect(hwnd, &r)) return {};
  if (HWND parent = GetParent(hwnd); parent && id != 窗口) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

namespace {

void move(ControlId id, const Bounds& b, UINT flags) {
  if (HWND hwnd = find(id)) SetWindowPos(hwnd, nullptr, b.left, b.top, b.width, b.height, flags | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void setLeft(ControlId id, int left) {
  Bounds b = bounds(id);
  b.left = left;
  move(id, b, SWP_NOSIZE);
}

void setTop(ControlId id, int top) {
  Bounds b = bounds(id);
  b.top = top;
  move(id, b, SWP_NOSIZE);
}

void setWidth(ControlId id, int width) {
  Bounds b = bounds(id);
  b.width = width;
  move(id, b, SWP_NOMOVE);
}

void setHeight(ControlId id, int height) {
  Bounds b = bounds(id);
  b.height = height;
  move(id, b, SWP_NOMOVE);
}

void addItem(ControlId id, std::string_view text, std::int32_t value) {
  HWND hwnd = find(id);
  if (!hwnd) return;
  const LRESULT index = SendMessageW(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(text).c_str()));
  if (index >= 0) SendMessageW(hwnd, CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(value));
}

void clearItems(ControlId id) {
  if (HWND hwnd = find(id)) SendMessageW(hwnd, CB_RESETCONTENT, 0, 0);
}

int itemCount(ControlId id) {
  HWND hwnd = find(id);
  return hwnd ? static_cast<int>(SendMessageW(hwnd, CB_GETCOUNT, 0, 0)) : 0;
}

std::string itemText(ControlId id, int index) {
  HWND hwnd = find(id);
  if (!hwnd || index < 0 || index >= itemCount(id)) return {};
  const LRESULT length = SendMessageW(hwnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(hwnd, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return narrow(text);
}

std::int32_t itemValue(ControlId id, int index) {
  HWND hwnd = find(id);
  if (!hwnd || index < 0 || index >= itemCount(id)) return -1;
  return static_cast<std::int32_t>(SendMessageW(hwnd, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

void setTabName(ControlId tab, int tabNumber, std::string_view text) {
  HWND hwnd = find(tab);
  if (!hwnd || tabNumber < 1) return;
  std::wstring name = widen(text);
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = name.data();
  SendMessageW(hwnd, TCM_SETITEMW, static_cast<WPARAM>(tabNumber - 1), reinterpret_cast<LPARAM>(&item));
}

void* nativeHandle(ControlId id) { return find(id); }

Size screenSize() { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

void messageBox(std::string_view text) {
  if (!mainWindowExists()) return;  // nobody is left to read it
  MessageBoxW(nullptr, widen(text).c_str(), L"信息：", MB_OK | MB_TASKMODAL);
}

void attachBalloonTip(ControlId tip, ControlId target, std::string_view text, int iconIndex) {
  (void)tip;
  HWND targetWindow = find(target);
  if (!targetWindow) return;
  HWND tipWindow = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                   WS_POPUP | TTS_NOPREFIX | TTS_BALLOON | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, state().mainWindow, nullptr,
                                   state().instance, nullptr);
  if (!tipWindow) return;
  state().tips.push_back(tipWindow);
  std::wstring wide = widen(text);
  TTTOOLINFOW info{};
  info.cbSize = sizeof info;
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = GetParent(targetWindow);
  info.uId = reinterpret_cast<UINT_PTR>(targetWindow);
  info.lpszText = wide.data();
  SendMessageW(tipWindow, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
  SendMessageW(tipWindow, TTM_SETMAXTIPWIDTH, 0, 320);
  if (iconIndex >= 0) SendMessageW(tipWindow, TTM_SETTITLEW, static_cast<WPARAM>(iconIndex), reinterpret_cast<LPARAM>(L""));
}

}  // namespace toolkit
