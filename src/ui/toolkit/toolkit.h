// The window toolkit: builds the main window from its form and gives the rest
// of the program controls by ID (captions, contents, selections, items,
// disabled state), events, message boxes, balloon tips and the event pump.
// Texts are UTF-8 here; nothing outside this layer touches a window handle,
// except the layout code that has to move windows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "ui/main_window/control_ids.h"

namespace toolkit {

enum class Event { Created, Destroying, Clicked, TextChanged, DropDown, ItemSelected };

using Handler = std::function<void()>;

// Start-up and the end of the program.
bool initialise();
void addEndRoutine(void (*routine)());  // kept once; run by runEndRoutines
void runEndRoutines();                  // after the windows are gone
bool loadMainWindow();                  // builds 窗口 from the form; Created runs inside
bool mainWindowExists();
void runEventLoop();                    // until the main window has gone
void processEvents();                   // dispatch what is waiting; stops before a quit

void on(ControlId id, Event event, Handler handler);

// Work handed to the window thread from another thread. post() is safe from
// any thread and returns false once the window has gone.
using PostedHandler = std::function<void(std::uintptr_t, std::intptr_t)>;
void onPosted(unsigned channel, PostedHandler handler);
bool post(unsigned channel, std::uintptr_t first, std::intptr_t second);

// From another thread: runs fn on the window thread and returns once it has run.
// False (fn not run) when the window has gone.
bool callOnWindowThread(const std::function<void()>& fn);

// On the window thread: waits until finished() holds, meanwhile running the
// calls other threads make through callOnWindowThread (and nothing else).
void serveWindowCalls(const std::function<bool()>& finished);

// Properties. 窗口 names the main window (its caption is the title).
std::string caption(ControlId id);
void setCaption(ControlId id, std::string_view text);
std::string content(ControlId id);
void setContent(ControlId id, std::string_view text);  // raises TextChanged inside
int selection(ControlId id);
void setSelection(ControlId id, int index);             // clamped; raises nothing
bool disabled(ControlId id);
void setDisabled(ControlId id, bool disabled);
int fontPoints(ControlId id);
void setFontPoints(ControlId id, int points);

// Geometry in pixels: left and top inside the parent's client area (on the
// screen for the main window), outer width and height. Each write is one move.
struct Bounds { int left = 0, top = 0, width = 0, height = 0; };
Bounds bounds(ControlId id);
void setLeft(ControlId id, int left);
void setTop(ControlId id, int top);
void setWidth(ControlId id, int width);
void setHeight(ControlId id, int height);

// Combo boxes.
void addItem(ControlId id, std::string_view text, std::int32_t value);
void clearItems(ControlId id);
int itemCount(ControlId id);
std::string itemText(ControlId id, int index);   // empty when out of range
std::int32_t itemValue(ControlId id, int index); // -1 when out of range

// Tab control, tabs counted from 1.
void setTabName(ControlId tab, int tabNumber, std::string_view text);

void* nativeHandle(ControlId id);
struct Size { int width = 0, height = 0; };
Size screenSize();

// Modal for the whole program, one OK button, no icon, no owner, title "信息：".
void messageBox(std::string_view text);

// iconIndex -1: no icon.
void attachBalloonTip(ControlId tip, ControlId target, std::string_view text, int iconIndex);

}  // namespace toolkit
