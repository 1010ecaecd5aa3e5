#include "ui/layout/layout_scaler.h"

#include <windows.h>
#include <commctrl.h>

namespace layout {

namespace {

constexpr UINT_PTR kSubclassId = 0x4C53;  // one scaler per container

LRESULT CALLBACK subclassProc(HWND hwnd, UINT message, WPARAM first, LPARAM second, UINT_PTR, DWORD_PTR self) {
  return static_cast<LRESULT>(reinterpret_cast<LayoutScaler*>(self)->onMessage(
      hwnd, message, static_cast<unsigned long long>(first), static_cast<long long>(second)));
}

// The client area's place, from the window's rectangle: the frame at the bottom
// is taken to be as wide as at the sides, and the title bar makes up the rest.
bool clientOffsets(HWND hwnd, float& offsetX, float& offsetY) {
  RECT window, client;
  if (!GetWindowRect(hwnd, &window) || !GetClientRect(hwnd, &client)) return false;
  const float border = static_cast<float>((window.right - window.left) - client.right) / 2.0f;
  offsetX = -(static_cast<float>(window.left) + border);
  offsetY = -(static_cast<float>(window.bottom) - border - static_cast<float>(client.bottom));
  return true;
}

bool isComboBox(HWND hwnd) {
  wchar_t name[16] = {};
  GetClassNameW(hwnd, name, 16);
  return lstrcmpiW(name, L"ComboBox") == 0;
}

}  // namespace

LayoutScaler::~LayoutScaler() { detach(); }

bool LayoutScaler::attach(void* window, ResizeHook hook, bool limitsOn, std::optional<int> minWidth,
                          std::optional<int> minHeight, std::optional<int> maxWidth, std::optional<int> maxHeight) {
  HWND hwnd = static_cast<HWND>(window);
  RECT outer, client;
  if (!hwnd || !GetWindowRect(hwnd, &outer) || !GetClientRect(hwnd, &client)) return false;
  hook_ = hook;
  window_ = hwnd;
  clientWidth_ = client.right;
  clientHeight_ = client.bottom;
  limitsOn_ = limitsOn;
  if (limitsOn) {
    limits_.minWidth = minWidth.value_or(outer.right - outer.left);
    limits_.minHeight = minHeight.value_or(outer.bottom - outer.top);
    limits_.maxWidth = maxWidth.value_or(GetSystemMetrics(SM_CXSCREEN));
    limits_.maxHeight = maxHeight.value_or(GetSystemMetrics(SM_CYSCREEN));
  }
  float offsetX = 0, offsetY = 0;
  clientOffsets(hwnd, offsetX, offsetY);
  records_.clear();
  recordChildren(hwnd, offsetX, offsetY);
  return SetWindowSubclass(hwnd, subclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)) != FALSE;
}

void LayoutScaler::recordChildren(void* window, float offsetX, float offsetY) {
  for (HWND child = GetWindow(static_cast<HWND>(window), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    float childX = 0, childY = 0;
    clientOffsets(child, childX, childY);
    recordChildren(child, childX, childY);  // a child's own contents come before it
    recordWindow(child, offsetX, offsetY);
  }
}

bool LayoutScaler::recordWindow(void* window, float offsetX, float offsetY) {
  RECT r;
  if (!GetWindowRect(static_cast<HWND>(window), &r)) return false;
  records_.push_back({window, {static_cast<int>(static_cast<float>(r.left) + offsetX),
                               static_cast<int>(static_cast<float>(r.top) + offsetY), r.right - r.left,
                               r.bottom - r.top}});
  return true;
}

void LayoutScaler::moveAll(float ratioX, float ratioY) {
  for (const ChildRecord& record : records_) {
    HWND hwnd = static_cast<HWND>(record.window);
    if (!IsWindow(hwnd)) continue;
    Rect to = scaled(record.place, ratioX, ratioY);
    if (isComboBox(hwnd)) {
      // A combo box's height in a move includes its drop-down list, which keeps its own room.
      RECT closed, dropped;
      if (GetWindowRect(hwnd, &closed) &&
          SendMessageW(hwnd, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped)))
        to.height += (dropped.bottom - dropped.top) - (closed.bottom - closed.top);
    }
    MoveWindow(hwnd, to.x, to.y, to.width, to.height, TRUE);
  }
}

long long LayoutScaler::onMessage(void* window, unsigned message, unsigned long long first, long long second) {
  HWND hwnd = static_cast<HWND>(window);
  const auto wParam = static_cast<WPARAM>(first);
  const auto lParam = static_cast<LPARAM>(second);
  switch (message) {
    case WM_SIZE:
      if (clientWidth_ > 0 && clientHeight_ > 0) {
        const float ratioX = static_cast<float>(LOWORD(lParam)) / static_cast<float>(clientWidth_);
        const float ratioY = static_cast<float>(HIWORD(lParam)) / static_cast<float>(clientHeight_);
        if (!(hook_ && hook_(ratioX, ratioY) != 0)) moveAll(ratioX, ratioY);
      }
      break;
    case WM_GETMINMAXINFO:
      if (limitsOn_) {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize = {limits_.minWidth, limits_.minHeight};
        info->ptMaxTrackSize = {limits_.maxWidth, limits_.maxHeight};
      }
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, subclassProc, kSubclassId);
      window_ = nullptr;
      break;
    default:
      break;
  }
  return static_cast<long long>(DefSubclassProc(hwnd, message, wParam, lParam));
}

void LayoutScaler::detach() {
  if (window_ && IsWindow(static_cast<HWND>(window_)))
    RemoveWindowSubclass(static_cast<HWND>(window_), subclassProc, kSubclassId);
  window_ = nullptr;
  records_.clear();
  records_.shrink_to_fit();
}

}  // namespace layout
